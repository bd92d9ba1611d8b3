#include "media/CId3Limits.h"

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

using CId3Limits::kMaxInflated;
using CId3Limits::kMaxInflatedTotal;

using CId3Limits::kMaxFrames;

constexpr qint64 kFrameHeader = 10;

qint64 FrameHeaderSize(int version)
{
    return version == 2 ? 6 : kFrameHeader;
}

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
// library decides by what follows the frame.
qint64 FrameSize(const ByteVector& body, qint64 pos, int version)
{
    if (version == 2)
        return Bytes(body, pos + 3, 3).toUInt(0, 3, true);
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

// What the library would inflate the frame at pos to, counted no further than limit + 1;
// 0 for a frame it does not inflate. It inflates from the frame's data to the end of the
// tag (an unsynchronised ID3v2.4 frame: to its own end).
qint64 Inflation(const ByteVector& body, qint64 pos, qint64 size, const TagLib::ID3v2::Header& tag,
                 qint64 limit)
{
    if (tag.majorVersion() == 2) // its frames have no flags
        return 0;
    const bool v3 = tag.majorVersion() == 3;
    const char flags = body.at(unsigned(pos + 9));
    if (!(flags & (v3 ? 0x80 : 0x08)) || (flags & (v3 ? 0x40 : 0x04)))
        return 0;
    const ByteVector declared = Bytes(body, pos + kFrameHeader, 4);
    if ((v3 ? declared.toUInt(true) : toUInt(declared)) > limit)
        return limit + 1;
    if (!v3 && (tag.unsynchronisation() || (flags & 0x02))) {
        const ByteVector frame = decode(Bytes(body, pos + kFrameHeader, size));
        // An empty frame has no data at all, not even the size before it.
        if (frame.size() <= 4)
            return 0;
        return InflatedSize(frame.data() + 4, qint64(frame.size()) - 4, limit);
    }
    const qint64 data = pos + kFrameHeader + 4;
    if (data >= qint64(body.size()))
        return 0;
    return InflatedSize(body.data() + data, qint64(body.size()) - data, limit);
}

using SRange = std::pair<qint64, qint64>;

// The frames to leave out, as [start, end) in the body, and where the library stops
// reading frames.
struct SWalk
{
    std::vector<SRange> drops;
    qint64 end = 0;
};

SWalk Walk(const ByteVector& body, const TagLib::ID3v2::Header& tag)
{
    SWalk walk;
    const int version = int(tag.majorVersion());
    const qint64 header = FrameHeaderSize(version);
    qint64 budget = kMaxInflatedTotal;
    int frames = 0;
    qint64 pos = 0;
    qint64 length = body.size();
    if (tag.extendedHeader() && toUInt(Bytes(body, 0, 4)) <= body.size())
        pos = toUInt(Bytes(body, 0, 4));
    if (tag.footerPresent() && length >= 10)
        length -= 10;
    while (pos + header < length && body.at(unsigned(pos)) != 0) {
        if (++frames > kMaxFrames) {
            walk.drops.emplace_back(pos, body.size());
            return walk;
        }
        const qint64 size = FrameSize(body, pos, version);
        const ByteVector id = Bytes(body, pos, version == 2 ? 3 : 4);
        // iTunes writes ID3v2.2 identifiers into ID3v2.3 tags ("TT2\0").
        const int letters = version == 2 || (version == 3 && id.at(3) == 0) ? 3 : 4;
        if (size <= 0 || size > qint64(body.size()) - pos || !IsFrameId(id, letters))
            break;
        const qint64 limit = std::min(kMaxInflated, budget);
        const qint64 inflated = Inflation(body, pos, size, tag, limit);
        if (inflated > limit || id == "CHAP" || id == "CTOC")
            walk.drops.emplace_back(pos, pos + header + size);
        else
            budget -= inflated;
        pos += header + size;
    }
    walk.end = std::min<qint64>(pos, body.size());
    return walk;
}

// The body without the dropped frames: those kept move up, zeros (padding) fill the rest,
// and nothing the library would not have read moves in behind them.
ByteVector Compact(const ByteVector& body, const SWalk& walk)
{
    ByteVector out(body.size(), '\0');
    char* to = out.data();
    qint64 from = 0;
    for (const auto& [begin, end] : walk.drops) {
        to = std::copy(body.data() + from, body.data() + begin, to);
        from = end;
    }
    std::copy(body.data() + from, body.data() + std::max(from, walk.end), to);
    return out;
}

} // namespace

void CId3Limits::Apply(ByteVector& head)
{
    const int at = head.find(TagLib::ID3v2::Header::fileIdentifier());
    const qint64 start = qint64(at) + TagLib::ID3v2::Header::size();
    if (at < 0 || start > head.size())
        return;
    const TagLib::ID3v2::Header tag(Bytes(head, at, TagLib::ID3v2::Header::size()));
    if (tag.majorVersion() < 2 || tag.majorVersion() > 4)
        return;
    const qint64 raw = std::min<qint64>(tag.tagSize(), head.size() - start);
    // An unsynchronised ID3v2.2/2.3 tag is decoded whole before its frames are read.
    const bool decoded = tag.majorVersion() <= 3 && tag.unsynchronisation();
    ByteVector body = decoded ? decode(Bytes(head, start, raw)) : Bytes(head, start, raw);
    // Frames that move can be read differently (ID3v2.4 sizes are judged by what follows):
    // the result is walked again until nothing more is dropped.
    constexpr int kMaxPasses = 8;
    int pass = 0;
    for (SWalk walk = Walk(body, tag); !walk.drops.empty(); walk = Walk(body, tag))
        body = ++pass < kMaxPasses ? Compact(body, walk) : ByteVector(body.size(), '\0');
    if (pass == 0)
        return;
    std::fill(std::copy(body.begin(), body.end(), head.begin() + start), head.begin() + start + raw,
              '\0');
    if (decoded)
        head[at + 5] = char(head[at + 5] & ~0x80);
}
