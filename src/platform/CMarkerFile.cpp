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
    const int fd = CRegularFile::OpenForReading(path, reason);
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

// A file of one scan's own, made when another scan holds the shared one.
QString OwnPrefix(const QString& settingsPath)
{
    return PathFor(settingsPath) + QStringLiteral("-");
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
    return ::fstat(fd, &byFd) == 0 && ::stat(path.constData(), &byPath) == 0 &&
           byFd.st_dev == byPath.st_dev && byFd.st_ino == byPath.st_ino;
}

// A new file beside the shared one; `name` is set to its path.
int NewOwnFile(const QString& settingsPath, QByteArray& name)
{
    name = QFile::encodeName(OwnPrefix(settingsPath)) + "XXXXXX";
    return ::mkostemp(name.data(), O_CLOEXEC);
}

// A new file of this scan's own, locked before anything is written to it.
int OpenOwn(const QString& settingsPath, QString& own)
{
    for (int attempt = 0; attempt < 8; ++attempt) {
        QByteArray name;
        const int fd = NewOwnFile(settingsPath, name);
        if (fd < 0)
            return -1;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && StillAt(fd, name)) {
            own = QFile::decodeName(name);
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
    QByteArray name;
    const int fd = NewOwnFile(settingsPath, name);
    if (fd < 0)
        return;
    if (::write(fd, marker.constData(), size_t(marker.size())) != marker.size())
        ::unlink(name.constData());
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
    const int flags = O_RDWR | O_CLOEXEC | O_NONBLOCK | (clearing ? 0 : O_CREAT);
    int fd = ::open(path.constData(), flags, 0600);
    if (fd < 0 && errno == ENOENT && clearing) {
        errno = 0;
        return -1;
    }
    if (fd < 0 && errno == ENOENT) {
        QDir().mkpath(QFileInfo(settingsPath).absolutePath());
        fd = ::open(path.constData(), flags, 0600);
    }
    return fd;
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
    if (fd < 0)
        return errno == 0 ? QString() : Failure(settingsPath, errno);
    QString own;
    const bool free = Lock(fd);
    if (!free) {
        ::close(fd);
        if (held.holds == 0)
            return {};
        fd = OpenOwn(settingsPath, own);
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
    const int fd =
        ::open(QFile::encodeName(PathFor(settingsPath)).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool free = Lock(fd);
    ::close(fd);
    return !free;
}

QStringList TakeLeft(const QString& settingsPath)
{
    const QFileInfo prefix(OwnPrefix(settingsPath));
    const QStringList names = prefix.dir().entryList(QDir::Files | QDir::Hidden | QDir::System);
    QStringList markers;
    for (const QString& name : names) {
        if (!name.startsWith(prefix.fileName()))
            continue;
        const QString path = prefix.dir().filePath(name);
        const int fd = ::open(QFile::encodeName(path).constData(),
                              O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
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
