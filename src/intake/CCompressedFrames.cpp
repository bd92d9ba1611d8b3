#include "intake/CCompressedFrames.h"

#include <QtGlobal>
#include <algorithm>
#include <array>
#include <climits>
#include <taglib/id3v2header.h>
#include <taglib/id3v2synchdata.h>
#include <utility>
#include <vector>
#include <zlib.h>

// The frames are walked as the tag library walks them (its size rules, its stops), so
// that the frames checked are the ones it would inflate.
namespace {

using TagLib::ByteVector;
using TagLib::ID3v2::SynchData::decode;
using TagLib::ID3v2::SynchData::toUInt;

using CCompressedFrames::kMaxInflated;

constexpr qint64 kFrameHeader = 10;

ByteVector Bytes(const ByteVector& data, qint64 offset, qint64 length)
{
    return offset >= 0 && offset + length <= data.size()
               ? data.mid(unsigned(offset), unsigned(length))
               : ByteVector();
}

bool IsFrameId(const ByteVector& id, int letters)
{
    if (int(id.size()) < letters)
        return false;
    return std::all_of(id.begin(), id.begin() + letters,
                       [](char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); });
}

// ID3v2.4 sizes are syncsafe, except those some programs write as plain numbers; the
// library tells them apart by what follows the frame.
qint64 FrameSize(const ByteVector& body, qint64 pos, int version)
{
    const ByteVector field = Bytes(body, pos + 4, 4);
    if (version == 3)
        return field.toUInt(true);
    qint64 size = toUInt(field);
    if (size > 127 && !IsFrameId(Bytes(body, pos + kFrameHeader + size, 4), 4)) {
        const qint64 plain = field.toUInt(true);
        if (IsFrameId(Bytes(body, pos + kFrameHeader + plain, 4), 4))
            size = plain;
    }
    return size;
}

// Bytes the zlib stream inflates to, counted no further than limit + 1.
qint64 InflatedSize(const char* data, qint64 length, qint64 limit)
{
    if (length <= 0)
        return 0;
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        return 0;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
    stream.avail_in = uInt(std::min<qint64>(length, UINT_MAX));
    std::array<Bytef, 16 * 1024> out;
    qint64 total = 0;
    int rc = Z_OK;
    while (rc == Z_OK && total <= limit) {
        stream.next_out = out.data();
        stream.avail_out = uInt(out.size());
        rc = inflate(&stream, Z_NO_FLUSH);
        total += qint64(out.size()) - stream.avail_out;
    }
    inflateEnd(&stream);
    return total;
}

// Whether the library would inflate the frame at pos past the limit. It inflates from the
// frame's data to the end of the tag (an unsynchronised ID3v2.4 frame: to its own end).
bool InflatesTooFar(const ByteVector& body, qint64 pos, qint64 size,
                    const TagLib::ID3v2::Header& tag)
{
    const bool v3 = tag.majorVersion() == 3;
    const char flags = body.at(unsigned(pos + 9));
    if (!(flags & (v3 ? 0x80 : 0x08)) || (flags & (v3 ? 0x40 : 0x04)))
        return false;
    const ByteVector declared = Bytes(body, pos + kFrameHeader, 4);
    if ((v3 ? declared.toUInt(true) : toUInt(declared)) > kMaxInflated)
        return true;
    const qint64 data = pos + kFrameHeader + 4;
    if (!v3 && (tag.unsynchronisation() || (flags & 0x02))) {
        const ByteVector frame = decode(Bytes(body, pos + kFrameHeader, size));
        return InflatedSize(frame.data() + 4, qint64(frame.size()) - 4, kMaxInflated) >
               kMaxInflated;
    }
    return InflatedSize(body.data() + data, qint64(body.size()) - data, kMaxInflated) >
           kMaxInflated;
}

using SRange = std::pair<qint64, qint64>;

// The frames to leave out, as [start, end) in the body.
std::vector<SRange> OversizedFrames(const ByteVector& body, const TagLib::ID3v2::Header& tag)
{
    std::vector<SRange> drops;
    const int version = int(tag.majorVersion());
    qint64 pos = 0;
    qint64 length = body.size();
    if (tag.extendedHeader() && toUInt(Bytes(body, 0, 4)) <= body.size())
        pos = toUInt(Bytes(body, 0, 4));
    if (tag.footerPresent() && length >= 10)
        length -= 10;
    while (pos + kFrameHeader < length && body.at(unsigned(pos)) != 0) {
        const qint64 size = FrameSize(body, pos, version);
        // iTunes writes ID3v2.2 identifiers into ID3v2.3 tags ("TT2\0").
        const int letters = version == 3 && body.at(unsigned(pos + 3)) == 0 ? 3 : 4;
        if (size <= 0 || size > qint64(body.size()) - pos ||
            !IsFrameId(Bytes(body, pos, 4), letters))
            break;
        if (InflatesTooFar(body, pos, size, tag))
            drops.emplace_back(pos, pos + kFrameHeader + size);
        pos += kFrameHeader + size;
    }
    return drops;
}

} // namespace

void CCompressedFrames::DropOversized(ByteVector& head)
{
    const int at = head.find(TagLib::ID3v2::Header::fileIdentifier());
    const qint64 start = qint64(at) + TagLib::ID3v2::Header::size();
    if (at < 0 || start > head.size())
        return;
    const TagLib::ID3v2::Header tag(Bytes(head, at, TagLib::ID3v2::Header::size()));
    if (tag.majorVersion() != 3 && tag.majorVersion() != 4) // ID3v2.2 frames are never compressed
        return;
    const qint64 raw = std::min<qint64>(tag.tagSize(), head.size() - start);
    // An unsynchronised ID3v2.3 tag is decoded whole before its frames are read.
    const bool decoded = tag.majorVersion() == 3 && tag.unsynchronisation();
    const ByteVector body = decoded ? decode(Bytes(head, start, raw)) : Bytes(head, start, raw);
    const std::vector<SRange> drops = OversizedFrames(body, tag);
    if (drops.empty())
        return;
    ByteVector kept;
    qint64 from = 0;
    for (const auto& [begin, end] : drops) {
        kept.append(Bytes(body, from, begin - from));
        from = end;
    }
    kept.append(Bytes(body, from, qint64(body.size()) - from));
    kept.resize(unsigned(raw), '\0'); // padding where the frames were
    if (decoded)
        head[at + 5] = char(head[at + 5] & ~0x80);
    std::copy(kept.begin(), kept.end(), head.begin() + start);
}
