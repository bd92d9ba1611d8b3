#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <algorithm>
#include <array>

class CCdlistDoc;

// The figures of the Statistics dialog, gathered in one pass over the song table.
struct SStatistics
{
    struct STopSong
    {
        QString name; // LIST
        qint64 plays = 0;
    };

    qint64 songs = 0;
    int sessions = 0;
    int timesUsed = 0;    // setting TimesUsed
    int playlistUsed = 0; // setting PlaylistUsed
    qint64 averageBitrate = 0;
    QString averageLength = QStringLiteral("0:00");
    qint64 averageSeconds = 0; // the same in seconds
    // The five most played songs; a tie keeps the song met first (ID order) ahead. Places
    // no played song fills stay empty, with no plays.
    std::array<STopSong, 5> top;
    // How many of those places songs that were played fill (the first ones).
    int TopPlayed() const
    {
        return int(std::count_if(top.begin(), top.end(),
                                 [](const STopSong& song) { return song.plays > 0; }));
    }
    // Songs per bit rate (the BITRATE value read as an integer), ascending.
    QList<QPair<qint64, qint64>> bitrates;
};

// Songs of one usual bit rate, as the window's chart shows them.
struct SBitrateStep
{
    QString label; // "128 kbps", "over 320 kbps"
    qint64 songs = 0;
};

namespace CStatistics {
// Walks every song once; the session count comes from the document's session list.
// Throws CDbException.
SStatistics Compute(CCdlistDoc& doc);
// The songs per bit rate gathered at the usual encoder steps (32 to 320 kbps): a rate
// counts at its nearest step, rates well above the last (lossless) together; the steps
// without songs are left out.
QList<SBitrateStep> BitrateSteps(const QList<QPair<qint64, qint64>>& bitrates);
} // namespace CStatistics
