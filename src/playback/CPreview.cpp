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

QString Clock(qint64 ms)
{
    const qint64 seconds = qMax<qint64>(0, ms) / 1000;
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

} // namespace CPreview
