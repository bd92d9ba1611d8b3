#include "platform/CScanLock.h"

#include "platform/CSettings.h"

#include <QCryptographicHash>
#include <QFile>
#include <QtEndian>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

QString LockPath()
{
    return CSettings::FilePath() + QStringLiteral(".scanning");
}

} // namespace

QStringList CScanLock::TakeCrashMarkers()
{
    QStringList files = CSettings::TakeLeftMarkers();
    const QString file = CSettings::String(ESetting::ErrorFile);
    if (!file.isEmpty() && !CSettings::MarkerInUse()) {
        CSettings::SetString(ESetting::ErrorFile, QString());
        files.prepend(file);
    }
    return files;
}

CSessionScanLock::CSessionScanLock(const QString& session)
{
    m_fd = ::open(QFile::encodeName(LockPath()).constData(),
                  O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (m_fd < 0)
        return;
    // One byte of the scan lock's file per session, at an offset drawn from its name (48
    // bits: two sessions meet on one byte about never); held by the open file, so two scans
    // in one process meet too. A system that cannot lock it lets the scan go on.
    struct flock range = {};
    range.l_type = F_WRLCK;
    range.l_whence = SEEK_SET;
    const QByteArray digest = QCryptographicHash::hash(session.toUtf8(), QCryptographicHash::Sha1);
    range.l_start = off_t(qFromBigEndian<quint64>(digest.constData()) >> 16);
    range.l_len = 1;
    m_held = ::fcntl(m_fd, F_OFD_SETLK, &range) == 0 || (errno != EAGAIN && errno != EACCES);
}

CSessionScanLock::~CSessionScanLock()
{
    if (m_fd >= 0)
        ::close(m_fd); // closing drops the lock
}
