#include "platform/CCachedFile.h"

#include "platform/CFileNames.h"
#include "platform/CRegularFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

CCachedFile::CCachedFile(const QString& path, EReaders readers)
    : m_readAhead(readers == EReaders::Several)
{
    // Non-blocking, so that opening a pipe returns at once; it is refused below. For a
    // regular file the flag changes nothing.
    const int fd = ::open(CFileNames::Encode(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        m_outOfHandles = errno == EMFILE;
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        return;
    }
    struct stat st = {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return;
    }
    m_fd = fd;
    m_size = st.st_size;
    m_tailStart = m_size;
}

CCachedFile::~CCachedFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

qint64 CCachedFile::ReadFromDisk(qint64 offset, char* out, qint64 length)
{
    // Asked for within the size the file had: a short read means it shrank.
    const qint64 done = CRegularFile::ReadInto(m_fd, out, length, offset);
    m_bytesRead += done;
    m_cut = m_cut || done < length;
    return done;
}

void CCachedFile::GrowHead(qint64 end)
{
    qint64 target = end;
    // The first read takes what the next readers will ask for too.
    if (m_readAhead && m_head.isEmpty())
        target = m_size <= kWhole ? m_size : std::max(end, kFirstHead);
    else if (m_readAhead)
        target = std::max(end, m_head.size() + kGrowHead);
    target = std::min(target, m_size);
    const qint64 from = m_head.size();
    m_head.resize(target);
    m_head.truncate(from + ReadFromDisk(from, m_head.data() + from, target - from));
}

void CCachedFile::GrowTail(qint64 start)
{
    if (m_readAhead && m_tail.isEmpty())
        start = std::max<qint64>(0, std::min(start, m_size - kFirstTail));
    QByteArray more(m_tailStart - start, Qt::Uninitialized);
    // A short read (the file shrank) keeps nothing: the kept end must reach the end.
    if (ReadFromDisk(start, more.data(), more.size()) != more.size())
        return;
    if (m_tail.isEmpty())
        m_tail = std::move(more);
    else
        m_tail.prepend(more);
    m_tailStart = start;
}

qint64 CCachedFile::Read(qint64 offset, char* out, qint64 length)
{
    if (m_fd < 0 || offset < 0 || length <= 0 || offset >= m_size)
        return 0;
    const qint64 end = std::min(m_size, offset + length);
    if (offset < m_tailStart && end > m_head.size()) {
        const qint64 gap = m_readAhead && !m_head.isEmpty() ? kGrowHead : 0;
        if (offset <= m_head.size() + gap && end <= kMaxKept)
            GrowHead(end);
        else if (end >= m_tailStart && m_size - offset <= kMaxKept)
            GrowTail(offset);
    }
    if (offset >= m_tailStart) {
        std::memcpy(out, m_tail.constData() + (offset - m_tailStart), size_t(end - offset));
        return end - offset;
    }
    if (end <= m_head.size()) {
        std::memcpy(out, m_head.constData() + offset, size_t(end - offset));
        return end - offset;
    }
    return ReadFromDisk(offset, out, end - offset);
}

QByteArray CCachedFile::Read(qint64 offset, qint64 length)
{
    if (m_fd < 0 || offset < 0 || length <= 0 || offset >= m_size)
        return {};
    QByteArray data(std::min(length, m_size - offset), Qt::Uninitialized);
    data.truncate(Read(offset, data.data(), data.size()));
    return data;
}

qint64 CCachedFile::ReadSome(qint64 offset, char* out, qint64 length)
{
    if (m_fd < 0 || offset < 0)
        return -1;
    if (length <= 0 || offset >= m_size)
        return 0;
    if (offset >= m_tailStart || offset < m_head.size()) {
        const bool inTail = offset >= m_tailStart;
        const char* kept =
            inTail ? m_tail.constData() + (offset - m_tailStart) : m_head.constData() + offset;
        const qint64 count =
            std::min(length, inTail ? m_size - offset : qint64(m_head.size()) - offset);
        std::memcpy(out, kept, size_t(count));
        return count;
    }
    for (;;) {
        const ssize_t got = ::pread(m_fd, out, size_t(length), offset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got > 0)
            m_bytesRead += got;
        // Nothing where the file had bytes when opened (a short read may just be short).
        m_cut = m_cut || got <= 0;
        return got;
    }
}
