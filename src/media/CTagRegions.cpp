#include "media/CTagRegions.h"

#include "platform/CCachedFile.h"

#include <algorithm>
#include <taglib/id3v2header.h>

namespace {

TagLib::ByteVector ReadRange(CCachedFile& file, qint64 offset, qint64 length)
{
    TagLib::ByteVector data(unsigned(std::max<qint64>(0, length)));
    data.resize(unsigned(file.Read(offset, data.data(), length)));
    return data;
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
    CCachedFile file(path);
    return Read(file);
}

bool STagRegions::Read(CCachedFile& file)
{
    head.clear();
    tail.clear();
    if (!file.IsRegular())
        return false;
    const qint64 size = file.Size();
    const qint64 cap = std::min(size, kMaxRegion);

    head = ReadRange(file, 0, std::min(size, kFirstLook));
    if (head.find(TagLib::ID3v2::Header::fileIdentifier()) < 0)
        head = ReadRange(file, 0, std::min(size, kHeadScan));
    const qint64 headLength = std::min(cap, HeadLength(head));
    if (headLength > head.size())
        head.append(ReadRange(file, head.size(), headLength - head.size()));

    const qint64 tailScan = std::min(size, kTailScan);
    tail = ReadRange(file, size - tailScan, tailScan);
    const qint64 tailLength = std::min(cap, TailLength(tail));
    if (tailLength > tail.size())
        tail = ReadRange(file, size - tailLength, tailLength);
    return true;
}
