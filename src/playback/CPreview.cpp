#include "playback/CPreview.h"

#include "db/CCdlistSet.h"

namespace CPreview {

QString LocateSong(CCdlistSet& set, qint64 id, const FLocate& locate, std::optional<SSong>* song)
{
    const std::optional<SSong> found = set.FindSongById(id);
    if (song)
        *song = found;
    return found ? locate(found->FilePath(), found->m_CD) : QString();
}

} // namespace CPreview
