#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class CCdlistSet;
class CPrompts;

// One session's share of the playlist, in playlist order.
struct SSessionGroup
{
    QString session;
    QStringList paths; // full native paths
    QList<qint64> ids;
};

// The playlist grouped by session, as copying and the player work from it.
struct SPlaylistGroups
{
    enum class ELimit
    {
        None,
        TooManySongs,
        TooManySessions
    };

    QList<SSessionGroup> groups;
    ELimit limit = ELimit::None;

    int SongCount() const;
};

namespace CPlaylistGroups {

constexpr int kMaxSessions = 50;
constexpr int kMaxSongsPerSession = 2500;

// Groups the songs of the playlist entries (their IDs, in order) by session, in order of
// first appearance. Entries whose song is gone are skipped. The walk stops at the first
// entry that would break a limit; the groups gathered before it are kept.
SPlaylistGroups Group(CCdlistSet& set, const QList<qint64>& ids);

// Shows the message for a reached limit; nothing when there is none.
void ReportLimit(CPrompts& prompts, SPlaylistGroups::ELimit limit);

} // namespace CPlaylistGroups
