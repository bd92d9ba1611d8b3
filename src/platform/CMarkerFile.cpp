#include "platform/CMarkerFile.h"

#include "platform/CRegularFile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// What a held marker file is mapped as: room for any path (PATH_MAX) and its zero.
constexpr size_t kMapped = 8192;

struct SHeld
{
    std::mutex mutex;
    int holds = 0;
    int fd = -1;          // the marker file, open while holds are taken
    QString settingsPath; // the settings file it belongs to
    // The held file mapped: a marker is then stored without a system call, twice per
    // song of a scan. Its blocks are allocated first (a full disk fails there, not with
    // a signal at a store); pages written to a shared mapping outlive a killed process.
    char* mapped = nullptr;
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

// Maps the held file when its blocks can be allocated; else the marker goes by pwrite.
void Map(SHeld& held)
{
    if (posix_fallocate(held.fd, 0, off_t(kMapped)) != 0)
        return;
    void* at = ::mmap(nullptr, kMapped, PROT_WRITE, MAP_SHARED, held.fd, 0);
    if (at != MAP_FAILED)
        held.mapped = static_cast<char*>(at);
}

// The text goes behind a zero first and its first byte last, so that a process killed
// in between leaves the marker empty, never half the new text on half the old.
void Store(char* mapped, const QByteArray& data)
{
    volatile char* const first = mapped;
    *first = '\0';
    std::atomic_signal_fence(std::memory_order_seq_cst);
    if (data.size() > 1)
        std::memcpy(mapped + 1, data.constData() + 1, size_t(data.size() - 1));
    std::atomic_signal_fence(std::memory_order_seq_cst);
    *first = data.at(0);
}

void Close(SHeld& held)
{
    if (held.mapped)
        ::munmap(held.mapped, kMapped);
    held.mapped = nullptr;
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
    if (held.fd >= 0 && held.settingsPath == settingsPath) {
        if (held.mapped && size_t(data.size()) <= kMapped) {
            Store(held.mapped, data);
            return {};
        }
        return Put(held.fd, data, settingsPath);
    }
    Close(held); // it belongs to another settings file
    const QByteArray path = QFile::encodeName(PathFor(settingsPath));
    // Clearing a marker that is not there creates nothing; the folder is made only when
    // missing.
    const int flags = O_RDWR | O_CLOEXEC | O_NONBLOCK | (value.isEmpty() ? 0 : O_CREAT);
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
        Map(held);
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
