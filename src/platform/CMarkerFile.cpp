#include "platform/CMarkerFile.h"

#include "platform/CRegularFile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// What a held marker file is mapped as: room for any path (PATH_MAX) and its zero.
constexpr size_t kMapped = 8192;

struct SHeld
{
    std::mutex mutex;
    int holds = 0;
    int fd = -1;          // the marker file, open and locked while holds are taken
    QString settingsPath; // the settings file it belongs to
    QString own;          // the file of this process's own, when another scan held the shared one
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

// A path and the tail of a longer one: anything past 64 KiB is not a marker.
QString ReadFile(const QString& path)
{
    QString reason;
    const int fd = QFileInfo(path).isSymLink() ? -1 : CRegularFile::OpenForReading(path, reason);
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

// The files of scans that run while another one holds the shared marker: a few fixed
// names, so that a start looks for them by name and never lists the folder, which may
// hold all of a home folder's files.
constexpr int kOwnSlots = 8;

QString OwnPath(const QString& settingsPath, int slot)
{
    return PathFor(settingsPath) + QStringLiteral("-%1").arg(slot);
}

// Locks `fd` for this scan: false when a living scan holds it. A file system without locks
// has every marker free.
bool Lock(int fd)
{
    int rc;
    while ((rc = ::flock(fd, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
    }
    return rc == 0 || errno != EWOULDBLOCK;
}

// Whether `fd` is still the file at `path` (a start-up may have taken an unlocked one away).
bool StillAt(int fd, const QByteArray& path)
{
    struct stat byFd = {}, byPath = {};
    return ::fstat(fd, &byFd) == 0 && ::lstat(path.constData(), &byPath) == 0 &&
           byFd.st_dev == byPath.st_dev && byFd.st_ino == byPath.st_ino;
}

// A marker is written only into a regular file of the user's own, never through a link:
// a link planted at its name would have the scan overwrite whatever it points to.
bool IsOwnRegular(int fd)
{
    struct stat st = {};
    return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid();
}

// `path` opened without following a link; -1 with errno set, ELOOP for anything but a
// regular file of the user's own.
int OpenMarker(const QByteArray& path, int flags)
{
    const int fd = ::open(path.constData(), flags | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (fd < 0 || IsOwnRegular(fd))
        return fd;
    ::close(fd);
    errno = ELOOP;
    return -1;
}

// Whether an own file holds no marker (a dead scan's is kept for the next start).
bool HoldsNoMarker(int fd)
{
    char first = '\0';
    return ::pread(fd, &first, 1, 0) <= 0 || first == '\0';
}

// A free file of this scan's own, locked before anything is written to it; `name` is set to
// its path.
int OpenFreeSlot(const QString& settingsPath, QString& name)
{
    for (int slot = 1; slot <= kOwnSlots; ++slot) {
        const QByteArray path = QFile::encodeName(OwnPath(settingsPath, slot));
        const int fd = OpenMarker(path, O_RDWR | O_CREAT);
        if (fd < 0)
            continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && StillAt(fd, path) && HoldsNoMarker(fd)) {
            name = QFile::decodeName(path);
            return fd;
        }
        ::close(fd);
    }
    errno = EAGAIN;
    return -1;
}

// The marker of a scan that died while another one held on is not overwritten by the next
// scan: it is kept in a file of its own for the next start to name.
void KeepDeadMarker(const QString& settingsPath)
{
    const QByteArray marker = ReadFile(PathFor(settingsPath)).toUtf8();
    if (marker.isEmpty())
        return;
    QString name;
    const int fd = OpenFreeSlot(settingsPath, name);
    if (fd < 0)
        return;
    if (::pwrite(fd, marker.constData(), size_t(marker.size()), 0) != marker.size())
        ::unlink(QFile::encodeName(name).constData());
    ::close(fd);
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

// A file of the scan's own goes with the scan: it ended, it did not crash.
void Close(SHeld& held)
{
    if (held.mapped)
        ::munmap(held.mapped, kMapped);
    held.mapped = nullptr;
    if (!held.own.isEmpty())
        ::unlink(QFile::encodeName(held.own).constData());
    held.own.clear();
    if (held.fd >= 0)
        ::close(held.fd); // and with it the lock
    held.fd = -1;
    held.settingsPath.clear();
}

// The marker file of `settingsPath` opened for a write, made (with its folder) unless the
// write clears it; -1 with errno set, and with 0 when there is nothing to clear.
int OpenShared(const QString& settingsPath, bool clearing)
{
    const QByteArray path = QFile::encodeName(PathFor(settingsPath));
    const int flags = O_RDWR | (clearing ? 0 : O_CREAT);
    int fd = OpenMarker(path, flags);
    if (fd < 0 && errno == ENOENT && clearing) {
        errno = 0;
        return -1;
    }
    if (fd < 0 && errno == ENOENT) {
        QDir().mkpath(QFileInfo(settingsPath).absolutePath());
        fd = OpenMarker(path, flags);
    }
    return fd;
}

QString NotOwnRegular(const QString& settingsPath)
{
    return QStringLiteral("The crash marker \"%1\" is not a regular file of your own, so it was "
                          "not written; the scan goes on without it.")
        .arg(PathFor(settingsPath));
}

} // namespace

namespace CMarkerFile {

QString Read(const QString& settingsPath)
{
    return ReadFile(PathFor(settingsPath));
}

// Two scans in two processes each keep a marker: the first the shared file, locked for as
// long as the scan runs, any other one a file of its own beside it. A write without a hold
// leaves the shared file to the living scan that holds it.
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
    int fd = OpenShared(settingsPath, value.isEmpty());
    if (fd < 0 && errno == ELOOP)
        return NotOwnRegular(settingsPath);
    if (fd < 0)
        return errno == 0 ? QString() : Failure(settingsPath, errno);
    QString own;
    const bool free = Lock(fd);
    if (!free) {
        ::close(fd);
        if (held.holds == 0)
            return {};
        fd = OpenFreeSlot(settingsPath, own); // another scan holds the shared one
        if (fd < 0)
            return Failure(settingsPath, errno);
    } else if (held.holds > 0) {
        KeepDeadMarker(settingsPath);
    }
    const QString failure = Put(fd, data, settingsPath);
    if (held.holds > 0 && failure.isEmpty()) {
        held.fd = fd;
        held.settingsPath = settingsPath;
        held.own = own;
        Map(held);
    } else {
        if (!own.isEmpty())
            ::unlink(QFile::encodeName(own).constData());
        ::close(fd);
    }
    return failure;
}

bool InUse(const QString& settingsPath)
{
    const int fd = OpenMarker(QFile::encodeName(PathFor(settingsPath)), O_RDONLY);
    if (fd < 0)
        return false;
    const bool free = Lock(fd);
    ::close(fd);
    return !free;
}

QStringList TakeLeft(const QString& settingsPath)
{
    QStringList markers;
    for (int slot = 1; slot <= kOwnSlots; ++slot) {
        const QString path = OwnPath(settingsPath, slot);
        const int fd = OpenMarker(QFile::encodeName(path), O_RDONLY);
        if (fd < 0)
            continue;
        if (Lock(fd)) { // its scan has ended
            const QString marker = ReadFile(path);
            if (!marker.isEmpty())
                markers << marker;
            ::unlink(QFile::encodeName(path).constData());
        }
        ::close(fd);
    }
    return markers;
}

void Hold()
{
    SHeld& held = Held();
    std::lock_guard guard(held.mutex);
    ++held.holds;
}

// However the scan ends, that is no crash: its marker is cleared. (Cleared later without a
// hold, the shared one could already hold the marker of another scan that died meanwhile.)
void Release()
{
    SHeld& held = Held();
    std::lock_guard guard(held.mutex);
    if (--held.holds > 0)
        return;
    if (held.fd >= 0 && held.own.isEmpty())
        Put(held.fd, QByteArray(1, '\0'), held.settingsPath);
    Close(held);
}

} // namespace CMarkerFile
