#include "playback/CPreview.h"

#include "db/CCdlistSet.h"
#include "platform/CText.h"

namespace CPreview {

QString LocateSong(CCdlistSet& set, qint64 id, const FLocate& locate, bool* found)
{
    const bool exists = set.FindSongById(id);
    if (found)
        *found = exists;
    return exists ? locate(CText::JoinPath(set.m_PATH, set.m_MELODI), set.m_CD) : QString();
}

} // namespace CPreview
