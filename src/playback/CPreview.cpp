#include "playback/CPreview.h"

#include "db/CCdlistSet.h"
#include "platform/CRegularFile.h"

#include <unistd.h>

namespace CPreview {

QString LocateSong(CCdlistSet& set, qint64 id, const FLocate& locate, std::optional<SSong>* song)
{
    const std::optional<SSong> found = set.FindSongById(id);
    if (song)
        *song = found;
    return found ? locate(found->FilePath(), found->m_CD) : QString();
}

QString CannotOpen(const QString& path)
{
    QString reason;
    const int fd = CRegularFile::OpenForReading(path, reason);
    if (fd < 0)
        return path + QStringLiteral(": ") + reason;
    ::close(fd);
    return {};
}

} // namespace CPreview
