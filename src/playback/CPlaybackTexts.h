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
    return QStringLiteral("You must specify the path to Winamp.");
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
    return QStringLiteral("Cratewise have been waiting a long time for Winamp to start.\nEither "
                          "Your computer are extremly slow or something went wrong.\nWould you "
                          "like to wait a little longer?");
}
inline QString LongWaitCaption()
{
    return QStringLiteral("Waiting for Winamp...");
}
inline QString CopyFailed(const QString& file, const QString& reason)
{
    return QStringLiteral("Could not copy\n%1\ninto the temporary folder (%2).\nThe songs before "
                          "it were sent.")
        .arg(file, reason);
}
inline QString CopyFailedCaption()
{
    return QStringLiteral("Update Winamp");
}
inline QString PlayerFailed(const QString& error)
{
    return QStringLiteral("The player reports:\n%1").arg(error);
}
inline QString PlayerFailedCaption()
{
    return QStringLiteral("Player");
}
inline QString NotRunning()
{
    return QStringLiteral("The player is not running.");
}
} // namespace CPlaybackTexts
