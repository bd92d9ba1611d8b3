#include "model/CPlaylistGroups.h"

#include "db/CCdlistSet.h"
#include "platform/CPrompts.h"

int SPlaylistGroups::SongCount() const
{
    int count = 0;
    for (const SSessionGroup& group : groups)
        count += int(group.paths.size());
    return count;
}

SPlaylistGroups CPlaylistGroups::Group(CCdlistSet& set, const QList<qint64>& ids)
{
    SPlaylistGroups result;
    for (qint64 id : ids) {
        const std::optional<SSong> song = set.FindSongById(id);
        if (!song)
            continue;
        SSessionGroup* group = nullptr;
        for (SSessionGroup& candidate : result.groups) {
            if (candidate.session == song->m_CD) { // byte for byte: "Rock" and "rock" differ
                group = &candidate;
                break;
            }
        }
        if (!group) {
            if (result.groups.size() >= kMaxSessions) {
                result.limit = SPlaylistGroups::ELimit::TooManySessions;
                break;
            }
            result.groups.append(SSessionGroup{song->m_CD, {}, {}});
            group = &result.groups.last();
        }
        if (group->paths.size() >= kMaxSongsPerSession) {
            result.limit = SPlaylistGroups::ELimit::TooManySongs;
            break;
        }
        group->paths.append(song->FilePath());
        group->ids.append(song->m_ID);
    }
    return result;
}

void CPlaylistGroups::ReportLimit(CPrompts& prompts, SPlaylistGroups::ELimit limit)
{
    const QString caption = QStringLiteral("Error - Limit Reached");
    if (limit == SPlaylistGroups::ELimit::TooManySongs)
        prompts.Error(
            QStringLiteral("The Playlist Can Contain Maximum\n2500 Songs From One Session"),
            caption);
    else if (limit == SPlaylistGroups::ELimit::TooManySessions)
        prompts.Error(
            QStringLiteral("The Playlist Can Contain Songs From\nMaximum 50 Different Sessions"),
            caption);
}
