#include "platform/CMarkerFile.h"

#include "platform/CRegularFile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace {

struct SHeld
{
    std::mutex mutex;
    int holds = 0;
    int fd = -1;          // the marker file, open while holds are taken
    QString settingsPath; // the settings file it belongs to
};

SHeld& Held()
{
    static SHeld held;
    return held;
}

QString PathFor(const QString& settingsPath)
{
    return settingsPath + QStringLiteral(".ErrorFile");
}

QString Failure(const QString& settingsPath, int error)
{
    return QStringLiteral("The crash marker could not be saved to \"%1\": %2.")
        .arg(PathFor(settingsPath), QString::fromLocal8Bit(std::strerror(error)));
}

QString Put(int fd, const QByteArray& data, const QString& settingsPath)
{
    ssize_t n;
    while ((n = ::pwrite(fd, data.constData(), size_t(data.size()), 0)) < 0 && errno == EINTR) {
    }
    return n == data.size() ? QString() : Failure(settingsPath, n < 0 ? errno : ENOSPC);
}

void Close(SHeld& held)
{
    if (held.fd >= 0)
        ::close(held.fd);
    held.fd = -1;
    held.settingsPath.clear();
}

} // namespace

namespace CMarkerFile {

// A path and the tail of a longer one: anything past 64 KiB is not a marker.
QString Read(const QString& settingsPath)
{
    QString reason;
    const int fd = CRegularFile::OpenForReading(PathFor(settingsPath), reason);
    if (fd < 0)
        return {};
    QByteArray bytes;
    const bool read = CRegularFile::ReadAll(fd, 64 * 1024, bytes, reason);
    ::close(fd);
    if (!read)
        return {};
    const qsizetype end = bytes.indexOf('\0');
    return QString::fromUtf8(end < 0 ? bytes : bytes.left(end));
}

QString Write(const QString& settingsPath, const QString& value)
{
    QByteArray data = value.toUtf8();
    data.append('\0');
    SHeld& held = Held();
    std::lock_guard guard(held.mutex);
    if (held.fd >= 0 && held.settingsPath == settingsPath)
        return Put(held.fd, data, settingsPath);
    Close(held); // it belongs to another settings file
    const QByteArray path = QFile::encodeName(PathFor(settingsPath));
    // Clearing a marker that is not there creates nothing; the folder is made only when
    // missing.
    const int flags = O_WRONLY | O_CLOEXEC | O_NONBLOCK | (value.isEmpty() ? 0 : O_CREAT);
    int fd = ::open(path.constData(), flags, 0600);
    if (fd < 0 && errno == ENOENT && value.isEmpty())
        return {};
    if (fd < 0 && errno == ENOENT) {
        QDir().mkpath(QFileInfo(settingsPath).absolutePath());
        fd = ::open(path.constData(), flags, 0600);
    }
    if (fd < 0)
        return Failure(settingsPath, errno);
    const QString failure = Put(fd, data, settingsPath);
    if (held.holds > 0 && failure.isEmpty()) {
        held.fd = fd;
        held.settingsPath = settingsPath;
    } else {
        ::close(fd);
    }
    return failure;
}

void Hold()
{
    SHeld& held = Held();
    std::lock_guard guard(held.mutex);
    ++held.holds;
}

void Release()
{
    SHeld& held = Held();
    std::lock_guard guard(held.mutex);
    if (--held.holds == 0)
        Close(held);
}

} // namespace CMarkerFile
