#include "media/CTagRegions.h"

#include "platform/CFileNames.h"
#include "platform/CRegularFile.h"

#include <QScopeGuard>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <taglib/id3v2header.h>
#include <unistd.h>

namespace {

TagLib::ByteVector ReadRange(int fd, qint64 offset, qint64 length)
{
    const QByteArray data = CRegularFile::ReadAt(fd, offset, length);
    return TagLib::ByteVector(data.constData(), unsigned(data.size()));
}

// Up to the end of the first ID3v2 tag in the scanned start: the tag library takes the
// first "ID3" it meets before any audio.
qint64 HeadLength(const TagLib::ByteVector& scan)
{
    const TagLib::ByteVector id = TagLib::ID3v2::Header::fileIdentifier();
    const int at = scan.find(id);
    const qint64 headerSize = TagLib::ID3v2::Header::size();
    if (at < 0 || at + headerSize > scan.size())
        return scan.size();
    const TagLib::ID3v2::Header header(scan.mid(unsigned(at), unsigned(headerSize)));
    return std::max<qint64>(scan.size(), at + qint64(header.completeTagSize()));
}

// Back to the start of an APE tag whose footer ends the file or stands before an ID3v1
// tag; its size counts the footer, not the header.
qint64 TailLength(const TagLib::ByteVector& scan)
{
    const qint64 size = scan.size();
    for (const qint64 end : {size, size - 128}) {
        if (end >= 32 && scan.containsAt("APETAGEX", unsigned(end - 32))) {
            const quint32 tagSize = scan.toUInt(unsigned(end - 32 + 12), false);
            return std::max(size, size - end + 32 + qint64(tagSize));
        }
    }
    return size;
}

} // namespace

bool STagRegions::Read(const QString& path)
{
    head.clear();
    tail.clear();
    // Opened without blocking: a pipe named like a song would wait forever.
    const int fd = ::open(CFileNames::Encode(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    const auto closer = qScopeGuard([fd] { ::close(fd); });
    struct stat st = {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    const qint64 size = st.st_size;
    const qint64 cap = std::min(size, kMaxRegion);

    head = ReadRange(fd, 0, std::min(size, kFirstLook));
    if (head.find(TagLib::ID3v2::Header::fileIdentifier()) < 0)
        head = ReadRange(fd, 0, std::min(size, kHeadScan));
    const qint64 headLength = std::min(cap, HeadLength(head));
    if (headLength > head.size())
        head.append(ReadRange(fd, head.size(), headLength - head.size()));

    const qint64 tailScan = std::min(size, kTailScan);
    tail = ReadRange(fd, size - tailScan, tailScan);
    const qint64 tailLength = std::min(cap, TailLength(tail));
    if (tailLength > tail.size())
        tail = ReadRange(fd, size - tailLength, tailLength);
    return true;
}
