#pragma once

#include <QString>

// Messages the playlist commands show in the window and print on the command line.
namespace CPlaylistTexts {
inline QString NoSongs()
{
    return QStringLiteral("There are no songs to put in the list!");
}
inline QString NoCandidates()
{
    return QStringLiteral("No songs found for the specified selections");
}
inline QString NotSavedCaption()
{
    return QStringLiteral("Playlist not saved");
}
} // namespace CPlaylistTexts
