#include "playback/CPreview.h"

#include "db/CCdlistSet.h"
#include "intake/CDriveLocator.h"
#include "model/CAppServices.h"
#include "platform/CText.h"

namespace CPreview {

QString LocateSong(CCdlistSet& set, const SAppServices& services, qint64 id, bool* found)
{
    const bool exists = set.FindSongById(id);
    if (found)
        *found = exists;
    if (!exists)
        return {};
    const QString path = CText::JoinPath(set.m_PATH, set.m_MELODI);
    return CDriveLocator(*services.volumes, *services.prompts)
        .LocateCdDrive(path, set.m_CD, CDriveLocator::EVariant::General);
}

QString Clock(qint64 ms)
{
    const qint64 seconds = qMax<qint64>(0, ms) / 1000;
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

} // namespace CPreview
