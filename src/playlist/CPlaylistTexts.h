#pragma once

#include "playlist/CRandomDraw.h"

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
inline QString ShortCaption()
{
    return QStringLiteral("Random");
}
// Fewer songs match than were asked for: each was drawn once.
inline QString ShortOfSongs(int drawn, int wanted)
{
    if (drawn == 1)
        return QStringLiteral("Only 1 song matches the selections, fewer than the %1 asked "
                              "for: it was added once.")
            .arg(wanted);
    return QStringLiteral("Only %1 songs match the selections, fewer than the %2 asked for: "
                          "each of them was added once.")
        .arg(drawn)
        .arg(wanted);
}
inline QString ShortOfTime(int drawn, int minutes)
{
    return QStringLiteral("The songs that match the selections (%1) play for less than %2 "
                          "minutes together: each of them was added once.")
        .arg(drawn)
        .arg(minutes);
}
inline QString Short(const CRandomDraw& draw, const SRandomRequest& request)
{
    return request.bySongs ? ShortOfSongs(draw.Drawn(), request.amount)
                           : ShortOfTime(draw.Drawn(), request.amount);
}
inline QString NotSavedCaption()
{
    return QStringLiteral("Playlist not saved");
}
} // namespace CPlaylistTexts
