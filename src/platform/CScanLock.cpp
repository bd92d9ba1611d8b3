#include "platform/CScanLock.h"

#include "platform/CSettings.h"

#include <QFile>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

QString CScanLock::LockPath()
{
    return CSettings::FilePath() + QStringLiteral(".scanning");
}

CScanLock::CScanLock()
{
    m_fd = ::open(QFile::encodeName(LockPath()).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_fd >= 0 && ::flock(m_fd, LOCK_SH) != 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

CScanLock::~CScanLock()
{
    if (m_fd >= 0)
        ::close(m_fd); // closing drops the lock
}

bool CScanLock::ScanRunning()
{
    const int fd = ::open(QFile::encodeName(LockPath()).constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false; // never scanned: nothing runs
    const bool running = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd);
    return running;
}

QString CScanLock::TakeCrashMarker()
{
    const QString file = CSettings::String(ESetting::ErrorFile);
    if (file.isEmpty() || ScanRunning())
        return {};
    CSettings::SetString(ESetting::ErrorFile, QString());
    return file;
}
