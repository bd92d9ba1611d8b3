#pragma once

#include <QString>

// Messages of the external player's commands, shown in the window and printed on the
// command line.
namespace CPlaybackTexts {
inline QString NoSongs()
{
    return QStringLiteral("You have not selected any songs!");
}
inline QString NoSongsCaption()
{
    return QStringLiteral("No music!");
}
inline QString EmptyDatabase()
{
    return QStringLiteral("The database is empty!");
}
inline QString EmptyDatabaseCaption()
{
    return QStringLiteral("Database empty");
}
inline QString PathUnset()
{
    return QStringLiteral("You must specify the path to MPD, the external player.");
}
inline QString PathCaption()
{
    return QStringLiteral("Invalid Path...");
}
inline QString CannotStart(const QString& program, const QString& reason = QString())
{
    return QStringLiteral("Cratewise could not start the player:\n") + program +
           (reason.isEmpty() ? QString() : u'\n' + reason);
}
inline QString NoAnswer(const QString& socket)
{
    return QStringLiteral("The player at %1 did not answer in time.").arg(socket);
}
inline QString Flooding(const QString& socket)
{
    return QStringLiteral("The player at %1 sent an answer longer than any it owes.").arg(socket);
}
inline QString NotASocket(const QString& path)
{
    return QStringLiteral("%1 (the setting PlayerSocket) is not a socket; a player started "
                          "there would replace it. Name another place for the socket.")
        .arg(path);
}
inline QString LongWait()
{
    return QStringLiteral("Cratewise has been waiting a long time for MPD to start.\nEither "
                          "your computer is extremely slow or something went wrong.\nWould you "
                          "like to wait a little longer?");
}
inline QString LongWaitCaption()
{
    return QStringLiteral("Waiting for MPD...");
}
inline QString CopyFailed(const QString& file, const QString& reason)
{
    return QStringLiteral("Could not copy\n%1\ninto the temporary folder (%2).\nThe songs before "
                          "it were sent.")
        .arg(file, reason);
}
inline QString CopyFailedCaption()
{
    return QStringLiteral("Update MPD");
}
inline QString PlayerFailed(const QString& error)
{
    return QStringLiteral("MPD cannot play:\n%1").arg(error);
}
inline QString PlayerFailedCaption()
{
    return QStringLiteral("Player");
}
inline QString NotRunning()
{
    return QStringLiteral("MPD is not running");
}
// Why a player button cannot act.
inline QString NotRunningHint()
{
    return QStringLiteral("MPD, the external player, is not running.\nPress Update MPD (F2) to "
                          "start it with the playlist.");
}
inline QString NothingToPlay()
{
    return QStringLiteral("There is nothing to play: MPD's list is empty.\nAdd songs to the "
                          "playlist and press Update MPD (F2).");
}
inline QString NothingPlaying()
{
    return QStringLiteral("Nothing is playing.");
}
inline QString ChooseSongToPreview()
{
    return QStringLiteral("Choose a song in the song list to preview it.");
}
inline QString PlayerCaption()
{
    return QStringLiteral("Player");
}
} // namespace CPlaybackTexts
