#include "media/CSafeCopy.h"

#include "platform/CFileNames.h"
#include "platform/CRegularFile.h"

#include <QScopeGuard>
#include <QSet>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr size_t kCopyChunk = 1024 * 1024;

std::function<void(qint64)> g_copyObserver;
bool g_namedCopiesOnly = false;

bool ReadAtOffset(int fd, char* data, qint64 length, qint64 offset)
{
    return CRegularFile::ReadInto(fd, data, length, offset) == length;
}

bool WriteAtOffset(int fd, const char* data, qint64 length, qint64 offset)
{
    qint64 done = 0;
    while (done < length) {
        const ssize_t put = ::pwrite(fd, data + done, size_t(length - done), offset + done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            if (put == 0)
                errno = ENOSPC;
            return false;
        }
        done += put;
    }
    return true;
}

// Copies `length` bytes from `from` at `offset` to the end of `to`.
bool CopyFileRange(int from, int to, qint64 offset, qint64 length, qint64& written)
{
    loff_t in = offset;
    bool kernelCopy = true;
    std::vector<char> buffer;
    while (length > 0) {
        const size_t chunk = size_t(std::min<qint64>(length, kCopyChunk));
        ssize_t done = -1;
        if (kernelCopy) {
            loff_t out = written;
            done = ::copy_file_range(from, &in, to, &out, chunk, 0);
            if (done < 0 &&
                (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)) {
                kernelCopy = false;
                continue;
            }
        } else {
            buffer.resize(chunk);
            done = ::pread(from, buffer.data(), chunk, in);
            if (done > 0 && !WriteAtOffset(to, buffer.data(), done, written))
                return false;
            in += done > 0 ? done : 0;
        }
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0) {
            if (done == 0)
                errno = EIO; // the file ended early
            return false;
        }
        length -= done;
        written += done;
        if (g_copyObserver)
            g_copyObserver(written);
    }
    return true;
}

// A hidden copy of a save, named after its song.
bool IsCopyName(const char* name)
{
    return name[0] == '.' && std::strstr(name, ".cratewise-") != nullptr;
}

// Removes the hidden copies killed saves left in a folder (once per folder and run): a
// copy whose save is still running holds its lock and stays.
void RemoveLeftovers(const QByteArray& folder)
{
    static QSet<QByteArray> cleaned;
    if (cleaned.contains(folder))
        return;
    cleaned.insert(folder);
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return;
    const auto closeDir = qScopeGuard([dir] { ::closedir(dir); });
    while (const dirent* entry = ::readdir(dir)) {
        if (!IsCopyName(entry->d_name))
            continue;
        const int fd =
            ::openat(::dirfd(dir), entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat st = {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
        ::close(fd);
    }
}

// An unnamed file in `folder`, or a hidden named one where the file system has none
// (its name then in `named`); locked for as long as it is open.
int CreateCopy(const QByteArray& folder, const QByteArray& base, QByteArray& named)
{
    RemoveLeftovers(folder);
    int fd =
        g_namedCopiesOnly ? -1 : ::open(folder.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0 &&
        (g_namedCopiesOnly || errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        named = folder + "/." + base + ".cratewise-XXXXXX";
        fd = ::mkostemp(named.data(), O_CLOEXEC);
    }
    if (fd >= 0)
        ::flock(fd, LOCK_EX);
    return fd;
}

} // namespace

namespace CSafeCopy {

QString Reason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString Reason()
{
    return Reason(errno);
}

QByteArray ReadRange(int fd, qint64 offset, qint64 length)
{
    QByteArray data(length, '\0');
    return ReadBytes(fd, data.data(), length, offset) ? data : QByteArray();
}

bool SameBytes(int fa, qint64 a, int fb, qint64 b)
{
    constexpr qint64 kProbe = 16;
    QByteArray x(kProbe, '\0'), y(kProbe, '\0');
    const ssize_t gx = ::pread(fa, x.data(), kProbe, a);
    const ssize_t gy = ::pread(fb, y.data(), kProbe, b);
    return gx >= 0 && gx == gy && x.left(gx) == y.left(gy);
}

// A new version of the song written by `fill` into a copy beside it, which then takes
// its place.
QString CopyInto(int fd, const struct stat& st, const QByteArray& real,
                 const CSafeCopy::FFill& fill)
{
    if (st.st_nlink > 1)
        return QStringLiteral("it has other hard links, which a new copy would not keep");
    const qsizetype slash = real.lastIndexOf('/');
    const QByteArray folder = slash > 0 ? real.left(slash) : QByteArray("/");
    const QByteArray base = real.mid(slash + 1);
    QByteArray named;
    const int copy = CreateCopy(folder, base, named);
    if (copy < 0)
        return Reason(errno);
    bool linked = false;
    const auto cleanUp = qScopeGuard([&] {
        ::close(copy);
        if (!named.isEmpty() && !linked)
            ::unlink(named.constData());
    });
    if (QString error = fill(fd, qint64(st.st_size), copy); !error.isEmpty())
        return error;
    // The copy keeps the song's permissions (and owner, where that may be given).
    if (::fchmod(copy, st.st_mode & 07777) != 0)
        return Reason(errno);
    [[maybe_unused]] const int owned = ::fchown(copy, st.st_uid, st.st_gid);
    // Whole on disk before it takes the song's place.
    if (::fsync(copy) != 0)
        return Reason(errno);
    if (named.isEmpty()) {
        named = folder + "/." + base + ".cratewise-" + QByteArray::number(::getpid());
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(copy);
        ::unlink(named.constData());
        if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, named.constData(), AT_SYMLINK_FOLLOW) !=
            0) {
            named.clear();
            return Reason(errno);
        }
    }
    if (::rename(named.constData(), real.constData()) != 0)
        return Reason(errno);
    linked = true;
    return QString();
}

SOpened::~SOpened()
{
    if (fd >= 0)
        ::close(fd);
}

QString Open(const QString& path, SOpened& file)
{
    // A link is followed: the file it names is the song, and the copy is made beside it.
    char resolved[PATH_MAX];
    if (!::realpath(CFileNames::Encode(path).constData(), resolved))
        return Reason(errno);
    file.real = QByteArray(resolved);
    file.fd = ::open(file.real.constData(), O_RDWR | O_CLOEXEC);
    if (file.fd < 0)
        return Reason(errno);
    if (::fstat(file.fd, &file.st) != 0)
        return Reason(errno);
    if (!S_ISREG(file.st.st_mode))
        return QStringLiteral("it is not a regular file");
    // A file nobody may write is read-only for this program too, even for root.
    if ((file.st.st_mode & 0222) == 0)
        return Reason(EACCES);
    return QString();
}

COriginalFile::~COriginalFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

QString ReplaceWithCopy(const QString& path, const FFill& fill, POriginalFile* original)
{
    SOpened file;
    if (QString error = Open(path, file); !error.isEmpty())
        return error;
    if (QString error = CopyInto(file.fd, file.st, file.real, fill); !error.isEmpty())
        return error;
    if (original) {
        *original = std::make_shared<const COriginalFile>(file.fd);
        file.fd = -1;
    }
    return QString();
}

bool CopyBytes(int from, int to, qint64 offset, qint64 length, qint64& written)
{
    return CopyFileRange(from, to, offset, length, written);
}

bool ReadBytes(int fd, char* data, qint64 length, qint64 offset)
{
    return ReadAtOffset(fd, data, length, offset);
}

bool WriteBytes(int fd, const char* data, qint64 length, qint64 offset)
{
    return WriteAtOffset(fd, data, length, offset);
}

void SetCopyObserver(std::function<void(qint64 written)> observer)
{
    g_copyObserver = std::move(observer);
}

void SetNamedCopiesOnly(bool named)
{
    g_namedCopiesOnly = named;
}

} // namespace CSafeCopy
