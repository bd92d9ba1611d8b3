#include "playlist/CPlaylistGroups.h"

#include "db/CCdlistSet.h"
#include "platform/CPrompts.h"
#include "platform/CText.h"

int SPlaylistGroups::SongCount() const
{
    int count = 0;
    for (const SSessionGroup& group : groups)
        count += int(group.paths.size());
    return count;
}

SPlaylistGroups CPlaylistGroups::Group(CCdlistSet& set, const QList<qint32>& ids)
{
    SPlaylistGroups result;
    for (qint32 id : ids) {
        if (!set.FindSongById(id))
            continue;
        SSessionGroup* group = nullptr;
        for (SSessionGroup& candidate : result.groups) {
            if (candidate.session == set.m_CD) { // byte for byte: "Rock" and "rock" differ
                group = &candidate;
                break;
            }
        }
        if (!group) {
            if (result.groups.size() >= kMaxSessions) {
                result.limit = SPlaylistGroups::ELimit::TooManySessions;
                break;
            }
            result.groups.append(SSessionGroup{set.m_CD, {}, {}});
            group = &result.groups.last();
        }
        if (group->paths.size() >= kMaxSongsPerSession) {
            result.limit = SPlaylistGroups::ELimit::TooManySongs;
            break;
        }
        group->paths.append(CText::JoinPath(set.m_PATH, set.m_MELODI));
        group->ids.append(set.m_ID);
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
