#include "platform/CRegularFile.h"

#include "platform/CFileNames.h"

#include <QScopeGuard>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString SystemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

QString CRegularFile::NotRegular()
{
    return QStringLiteral("This is not a regular file (a device, a pipe or a folder); it was "
                          "not read.");
}

QString CRegularFile::TooLarge(qint64 maxBytes)
{
    const QString size = maxBytes >= 1024 * 1024
                             ? QStringLiteral("%1 MB").arg(maxBytes / (1024 * 1024))
                             : QStringLiteral("%1 KB").arg(qMax<qint64>(1, maxBytes / 1024));
    return QStringLiteral("The file is larger than %1; it was not read.").arg(size);
}

bool CRegularFile::IsRegular(const QString& path)
{
    struct stat st = {};
    return ::stat(CFileNames::Encode(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

int CRegularFile::OpenForReading(const QString& path, QString& reason)
{
    // Non-blocking, so that opening a pipe returns at once instead of waiting for a writer;
    // a terminal named so never becomes the program's own.
    const int fd =
        ::open(CFileNames::Encode(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        reason = SystemError(errno);
        return -1;
    }
    struct stat st = {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        reason = NotRegular();
        ::close(fd);
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

bool CRegularFile::ReadAll(int fd, qint64 maxBytes, QByteArray& bytes, QString& reason)
{
    bytes.clear();
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0)
            return true;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            reason = SystemError(errno);
            return false;
        }
        if (bytes.size() + n > maxBytes) {
            bytes.clear();
            reason = TooLarge(maxBytes);
            return false;
        }
        bytes.append(buffer, n);
    }
}

bool CRegularFile::Read(const QString& path, qint64 maxBytes, QByteArray& bytes, QString& reason)
{
    const int fd = OpenForReading(path, reason);
    if (fd < 0)
        return false;
    const auto closer = qScopeGuard([fd] { ::close(fd); }); // also when memory is refused
    struct stat st = {};
    if (::fstat(fd, &st) == 0 && st.st_size > maxBytes) {
        reason = TooLarge(maxBytes); // without reading; ReadAll checks again as it may grow
        return false;
    }
    return ReadAll(fd, maxBytes, bytes, reason);
}

QByteArray CRegularFile::ReadAt(int fd, qint64 offset, qint64 length)
{
    QByteArray data(length, '\0');
    data.truncate(ReadInto(fd, data.data(), length, offset));
    return data;
}

qint64 CRegularFile::ReadInto(int fd, char* out, qint64 length, qint64 offset)
{
    qint64 done = 0;
    while (done < length) {
        const ssize_t got = ::pread(fd, out + done, size_t(length - done), offset + done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += got;
    }
    return done;
}
