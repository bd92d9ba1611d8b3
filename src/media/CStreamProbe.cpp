#include "media/CStreamProbe.h"

#include "platform/CCachedFile.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mpg123.h>
#include <vector>

// How it measures: the first frames are read from their headers right behind the ID3v2
// tag, or found by libmpg123 (which skips junk and odd tags) where they are not; the info
// frame in front of the audio (Xing/Info or VBRI) gives frames and bytes when its byte
// count fits the file; a constant stream is measured by its size; only a variable stream
// without a usable info frame is counted frame by frame, by its headers or, where they
// break off, by libmpg123, up to a bound.
namespace {

constexpr size_t kReadBuffer = 64 * 1024;
// The first read of a file: the first dozen frames of a usual stream. Later reads double
// up to kReadBuffer, for the streams that are scanned.
constexpr size_t kFirstRead = 6 * 1024;
constexpr int kSampleFrames = 12; // frames looked at to tell constant from variable
constexpr int kMinBitrate = 8;
constexpr int kMaxBitrate = 448;

// The decoder reads a frame header and a frame body at a time: millions of small reads
// for a long stream. They are served from one buffer of the probe, refilled by blocks
// from the file, whose start the tag reader has mostly read already. The decoder sees
// the file from `base` on (past an ID3v2 tag), so its positions are file positions less
// `base`.
struct SReader
{
    CCachedFile* file = nullptr;
    std::vector<char> buffer = std::vector<char>(kReadBuffer);
    off_t base = 0;
    off_t start = 0; // file position of buffer[0]
    size_t filled = 0;
    size_t at = 0;
    size_t next = kFirstRead; // bytes the next refill reads

    void Reset(CCachedFile& opened, off_t from)
    {
        file = &opened;
        base = start = from;
        filled = at = 0;
        next = kFirstRead;
    }
};

mpg123_ssize_t ReadCallback(void* handle, void* target, size_t bytes)
{
    auto* r = static_cast<SReader*>(handle);
    auto* out = static_cast<char*>(target);
    size_t got = 0;
    while (got < bytes) {
        if (r->at == r->filled) {
            r->start += off_t(r->filled);
            r->filled = r->at = 0;
            const qint64 n = r->file->ReadSome(r->start, r->buffer.data(), qint64(r->next));
            if (n < 0)
                return got > 0 ? mpg123_ssize_t(got) : -1;
            if (n == 0)
                break; // the end of the file
            r->filled = size_t(n);
            r->next = std::min(r->next * 2, r->buffer.size());
        }
        const size_t step = std::min(bytes - got, r->filled - r->at);
        std::memcpy(out + got, r->buffer.data() + r->at, step);
        r->at += step;
        got += step;
    }
    return mpg123_ssize_t(got);
}

off_t SeekCallback(void* handle, off_t offset, int whence)
{
    auto* r = static_cast<SReader*>(handle);
    const off_t current = r->start + off_t(r->at);
    off_t target = r->base + offset;
    if (whence == SEEK_CUR)
        target = current + offset;
    else if (whence == SEEK_END)
        target = off_t(r->file->Size()) + offset;
    else if (whence != SEEK_SET)
        return -1;
    if (target < r->base)
        return -1;
    // Within the buffer: the data stays.
    if (target >= r->start && target <= r->start + off_t(r->filled)) {
        r->at = size_t(target - r->start);
        return target - r->base;
    }
    r->start = target;
    r->filled = r->at = 0;
    return target - r->base;
}

// Where the audio starts when an ID3v2 tag opens the file: past it and its footer.
// 0 when there is none or its size does not fit the file.
off_t AfterLeadingTag(CCachedFile& file, off_t size)
{
    unsigned char h[10];
    if (file.Read(0, reinterpret_cast<char*>(h), sizeof h) != qint64(sizeof h) ||
        std::memcmp(h, "ID3", 3) != 0 || h[3] == 0xff || h[4] == 0xff ||
        ((h[6] | h[7] | h[8] | h[9]) & 0x80))
        return 0;
    const off_t body = (off_t(h[6]) << 21) | (off_t(h[7]) << 14) | (off_t(h[8]) << 7) | h[9];
    const off_t end = 10 + body + ((h[5] & 0x10) ? 10 : 0);
    return end < size ? end : 0;
}

struct SFrame
{
    off_t pos;
    int size;
    int bitrate;
    long rate;
    int layer;
    int version;
};

struct SInfoHeader
{
    bool found = false;
    bool variable = false; // "Xing" or "VBRI", not "Info"
    bool vbri = false;
    quint32 frames = 0;
    quint32 bytes = 0;
};

quint32 BigEndian32(const unsigned char* p)
{
    return (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | p[3];
}

bool ReadAt(CCachedFile& file, void* buffer, size_t bytes, off_t offset)
{
    return offset >= 0 &&
           file.Read(offset, static_cast<char*>(buffer), qint64(bytes)) == qint64(bytes);
}

// Where the audio ends: before an ID3v1 tag, a Lyrics3v2 block and an APE tag.
off_t AudioEnd(CCachedFile& file, off_t size)
{
    off_t end = size;
    char tag[3];
    if (ReadAt(file, tag, 3, end - 128) && std::memcmp(tag, "TAG", 3) == 0)
        end -= 128;
    char lyrics[15];
    if (ReadAt(file, lyrics, 15, end - 15) && std::memcmp(lyrics + 6, "LYRICS200", 9) == 0) {
        const long length = std::strtol(QByteArray(lyrics, 6).constData(), nullptr, 10);
        if (length > 0 && length + 15 <= end)
            end -= length + 15;
    }
    unsigned char ape[32];
    if (ReadAt(file, ape, 32, end - 32) && std::memcmp(ape, "APETAGEX", 8) == 0) {
        const quint32 length =
            ape[12] | (ape[13] << 8) | (ape[14] << 16) | (quint32(ape[15]) << 24);
        const bool hasHeader = ape[23] & 0x80;
        const off_t whole = off_t(length) + (hasHeader ? 32 : 0);
        if (length >= 32 && whole <= end)
            end -= whole;
    }
    return end;
}

SInfoHeader ParseInfoHeader(CCachedFile& file, const SFrame& first, bool mono, bool crc)
{
    SInfoHeader h;
    unsigned char frame[192] = {};
    const size_t bytes = std::min<size_t>(sizeof frame, size_t(first.size));
    if (first.layer != 3 || !ReadAt(file, frame, bytes, first.pos))
        return h;
    const int side = first.version == MPG123_1_0 ? (mono ? 17 : 32) : (mono ? 9 : 17);
    const size_t at = 4 + size_t(side) + (crc ? 2 : 0);
    if (at + 16 <= bytes &&
        (std::memcmp(frame + at, "Xing", 4) == 0 || std::memcmp(frame + at, "Info", 4) == 0)) {
        h.found = true;
        h.variable = frame[at] == 'X';
        const quint32 flags = BigEndian32(frame + at + 4);
        size_t field = at + 8;
        if (flags & 1) {
            h.frames = BigEndian32(frame + field);
            field += 4;
        }
        if ((flags & 2) && field + 4 <= bytes)
            h.bytes = BigEndian32(frame + field);
        return h;
    }
    if (36 + 18 <= bytes && std::memcmp(frame + 36, "VBRI", 4) == 0) {
        h.found = true;
        h.variable = true;
        h.vbri = true;
        h.bytes = BigEndian32(frame + 36 + 10);
        h.frames = BigEndian32(frame + 36 + 14);
    }
    return h;
}

// A frame header as the decoder reads it.
struct SHeader
{
    int size = 0; // the whole frame's bytes, header included
    int bitrate = 0;
    long rate = 0;
    int layer = 0;
    int version = 0;
    bool mono = false;
    bool crc = false;
};

// The header at p; false when it is none (or of free format, which has no size in it).
bool ReadHeader(const unsigned char* p, SHeader& h)
{
    static constexpr int kRates[3] = {44100, 48000, 32000};
    static constexpr int kBitrates[2][3][15] = {
        {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
         {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
         {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
        {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}}};
    if (p[0] != 0xff || (p[1] & 0xe0) != 0xe0)
        return false;
    const int versionBits = (p[1] >> 3) & 3;
    const int layer = 4 - ((p[1] >> 1) & 3);
    const int bitrateIndex = p[2] >> 4;
    const int rateIndex = (p[2] >> 2) & 3;
    if (versionBits == 1 || layer == 4 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3)
        return false;
    h.version = versionBits == 3 ? MPG123_1_0 : versionBits == 2 ? MPG123_2_0 : MPG123_2_5;
    h.layer = layer;
    h.rate = kRates[rateIndex] >> (versionBits == 3 ? 0 : versionBits == 2 ? 1 : 2);
    h.bitrate = kBitrates[h.version == MPG123_1_0 ? 0 : 1][layer - 1][bitrateIndex];
    h.mono = (p[3] >> 6) == 3;
    h.crc = (p[1] & 1) == 0;
    const long bps = h.bitrate * 1000L;
    const int padding = (p[2] >> 1) & 1;
    if (layer == 1) {
        h.size = int((12 * bps / h.rate + padding) * 4);
    } else {
        const int coefficient = (layer == 3 && h.version != MPG123_1_0) ? 72 : 144;
        h.size = int(coefficient * bps / h.rate + padding);
    }
    return true;
}

// The size of the frame whose header is at p, when it is one of the stream's (same
// version, layer, sample rate); 0 otherwise.
int MatchingFrameSize(const unsigned char* p, const SFrame& first)
{
    SHeader h;
    if (!ReadHeader(p, h) || h.version != first.version || h.layer != first.layer ||
        h.rate != first.rate)
        return 0;
    return h.size;
}

// Whether the middle of the audio holds two frames of the stream in a row: a table in a
// program can look like a dozen frames, it does not go on for megabytes.
bool FramesContinueAt(CCachedFile& file, off_t offset, const SFrame& first)
{
    unsigned char block[4096];
    if (!ReadAt(file, block, sizeof block, offset))
        return false;
    for (size_t i = 0; i + 4 <= sizeof block; ++i) {
        const int size = MatchingFrameSize(block + i, first);
        if (size >= 4 && i + size + 4 <= sizeof block && MatchingFrameSize(block + i + size, first))
            return true;
    }
    return false;
}

int SamplesPerFrame(const SFrame& f)
{
    if (f.layer == 1)
        return 384;
    return (f.layer == 3 && f.version != MPG123_1_0) ? 576 : 1152;
}

struct SMeasure
{
    double seconds = 0;
    double kbps = 0;
    CStreamProbe::EMethod method = CStreamProbe::EMethod::None;
};

// What counting a stream's frames needs to know of it.
struct SCounted
{
    off_t firstPos = 0; // the first frame
    off_t end = 0;      // where the audio ends
    long rate = 0;
    int layer = 0;
    int version = 0;
    bool mono = false;
    bool infoFrame = false; // the first frame is an info frame, not audio
    off_t infoSize = 0;
};

// The frames of a stream from `first` (with the given layout) to `end`, counted by their
// headers: each right behind the one before and of the same stream. -1 when the chain
// breaks or does not end at `end` (junk, a cut frame, a change of format): the decoder then
// counts, as it knows such streams.
off_t CountFrames(CCachedFile& file, std::vector<char>& buffer, const SCounted& stream)
{
    const qint64 capacity = qint64(buffer.size());
    off_t blockStart = 0;
    qint64 blockLength = 0;
    off_t count = 0;
    off_t pos = off_t(stream.firstPos);
    while (pos < stream.end) {
        if (pos + 4 > blockStart + blockLength) {
            blockStart = pos;
            blockLength = 0;
            // What is kept of the file's start may end inside a header.
            while (blockLength < 4) {
                const qint64 n = file.ReadSome(pos + blockLength, buffer.data() + blockLength,
                                               capacity - blockLength);
                if (n <= 0)
                    return -1;
                blockLength += n;
            }
        }
        SHeader h;
        if (!ReadHeader(reinterpret_cast<const unsigned char*>(buffer.data()) + (pos - blockStart),
                        h) ||
            h.version != stream.version || h.layer != stream.layer || h.rate != stream.rate ||
            h.mono != stream.mono)
            return -1;
        ++count;
        pos += h.size;
    }
    return pos == stream.end ? count : -1;
}

// The figures of a counted stream; none when it holds no audio frame.
SMeasure FromCount(off_t frameCount, const SCounted& stream)
{
    SMeasure m;
    const off_t count = frameCount - (stream.infoFrame ? 1 : 0);
    if (count <= 0)
        return m;
    const int spf = SamplesPerFrame(SFrame{0, 0, 0, stream.rate, stream.layer, stream.version});
    const off_t available = off_t(stream.end - stream.firstPos);
    m.seconds = double(count) * spf / stream.rate;
    m.kbps = (available - stream.infoSize) * 8.0 / m.seconds / 1000.0;
    m.method = CStreamProbe::EMethod::FullScan;
    return m;
}

// Bit rate and length as text; false (and empty) when they are absurd.
bool Figures(const SMeasure& m, QString& bitrate, QString& duration)
{
    bitrate.clear();
    duration.clear();
    // Random data that passed for frames still gives absurd figures: a song neither.
    if (m.method == CStreamProbe::EMethod::None || !(m.seconds >= 1.0 && m.seconds < 1e7) ||
        !(m.kbps >= kMinBitrate - 0.5 && m.kbps < kMaxBitrate + 0.5))
        return false;
    bitrate = QString::number(std::lround(m.kbps));
    duration = QString::number(std::llround(m.seconds));
    return true;
}

} // namespace

struct CStreamProbe::SImpl
{
    mpg123_handle* mh = nullptr;
    SReader reader;
    bool mono = false;
    bool crc = false;

    ~SImpl()
    {
        if (mh)
            mpg123_delete(mh);
    }

    std::vector<SFrame> SampleFrames();
    std::vector<SFrame> FramesAt(CCachedFile& file, off_t base);
    // The frames at the start, when they go on in the middle of the audio; none otherwise.
    std::vector<SFrame> Stream(CCachedFile& file, off_t size, std::vector<SFrame> frames);
    // `decoder`: the file is open in the decoder, after the sampled frames. Without it a
    // stream that must be counted frame by frame sets `needsDecoder` and is not measured.
    SMeasure Measure(CCachedFile& file, off_t size, const std::vector<SFrame>& frames, bool decoder,
                     bool& needsDecoder);
    SMeasure MeasureFile(CCachedFile& file);
    // Opens the file in the decoder and calls `use` with it; false when the file is not a
    // regular one with something in it.
    bool WithFile(CCachedFile& file, const std::function<void(off_t size)>& use);
    SMeasure EstimateFromStart(const std::vector<SFrame>& sampled, off_t available, off_t infoSize,
                               int spf);
    // Set instead of counting when counts are deferred.
    bool decoderAllowed = true;
    bool decoderNeeded = false; // set instead of running it when it is not allowed
};

// The first frames of the stream, as long as they follow each other without a gap and
// agree in layer, version and sample rate: random data may hold a frame header or two
// by chance, never a run of them.
std::vector<SFrame> CStreamProbe::SImpl::SampleFrames()
{
    std::vector<SFrame> frames;
    while (int(frames.size()) < kSampleFrames) {
        // A new format after the first frame means another channel count or rate: the
        // frames do not belong to one stream.
        const int rc = mpg123_framebyframe_next(mh);
        if (rc != MPG123_OK && !(rc == MPG123_NEW_FORMAT && frames.empty()))
            break;
        mpg123_frameinfo2 fi{};
        if (mpg123_info2(mh, &fi) != MPG123_OK || fi.framesize <= 0)
            break;
        const SFrame frame{reader.base + mpg123_framepos(mh),
                           fi.framesize,
                           fi.bitrate,
                           fi.rate,
                           fi.layer,
                           fi.version};
        if (frames.empty()) {
            mono = fi.mode == MPG123_M_MONO;
            crc = fi.flags & MPG123_CRC;
        } else {
            const SFrame& last = frames.back();
            if (frame.pos != last.pos + last.size || frame.rate != last.rate ||
                frame.layer != last.layer || frame.version != last.version)
                break;
        }
        frames.push_back(frame);
    }
    return frames;
}

// The first frames as the decoder would give them, read straight from the file: a usual
// stream starts with them right behind its tag. None when anything is unusual (junk, a
// second tag, another channel count or rate, a short file): the decoder, which knows the
// odd streams, then finds them. Most songs are measured without it.
std::vector<SFrame> CStreamProbe::SImpl::FramesAt(CCachedFile& file, off_t base)
{
    std::vector<SFrame> frames;
    frames.reserve(kSampleFrames);
    // The headers are looked at in blocks: a dozen usual frames fit in one.
    char* const window = reader.buffer.data();
    off_t windowStart = 0;
    qint64 windowLength = 0;
    off_t pos = base;
    SHeader first;
    while (int(frames.size()) < kSampleFrames) {
        if (pos + 4 > windowStart + windowLength) {
            windowStart = pos;
            windowLength = file.Read(pos, window, qint64(kFirstRead));
        }
        SHeader h;
        if (pos + 4 > windowStart + windowLength ||
            !ReadHeader(reinterpret_cast<const unsigned char*>(window) + (pos - windowStart), h) ||
            pos + h.size > off_t(file.Size()))
            return {};
        if (frames.empty())
            first = h;
        else if (h.version != first.version || h.layer != first.layer || h.rate != first.rate ||
                 h.mono != first.mono)
            return {};
        frames.push_back(SFrame{pos, h.size, h.bitrate, h.rate, h.layer, h.version});
        pos += h.size;
    }
    mono = first.mono;
    crc = first.crc;
    return frames;
}

std::vector<SFrame> CStreamProbe::SImpl::Stream(CCachedFile& file, off_t size,
                                                std::vector<SFrame> frames)
{
    if (frames.size() < 2 || frames.front().rate <= 0)
        return {};
    const SFrame& first = frames.front();
    const off_t available = AudioEnd(file, size) - first.pos;
    if (available > 256 * 1024 && !FramesContinueAt(file, first.pos + available / 2, first))
        return {};
    return frames;
}

SMeasure CStreamProbe::SImpl::Measure(CCachedFile& file, off_t size,
                                      const std::vector<SFrame>& frames, bool decoder,
                                      bool& needsDecoder)
{
    SMeasure m;
    needsDecoder = false;
    if (frames.empty())
        return m;
    const SFrame& first = frames.front();
    const off_t available = AudioEnd(file, size) - first.pos;
    const int spf = SamplesPerFrame(first);
    const SInfoHeader info = ParseInfoHeader(file, first, mono, crc);
    const off_t infoSize = info.found ? first.size : 0;

    // The header is trusted only when its byte count fits the file (not truncated, not
    // glued to something else); encoders count the info frame itself or not.
    const qint64 slack = qint64(available) - qint64(info.bytes);
    if (info.found && info.frames > 0 && info.bytes > 0 && slack >= -16 &&
        slack <= first.size + 16) {
        m.seconds = double(info.frames) * spf / first.rate;
        m.kbps = info.bytes * 8.0 / m.seconds / 1000.0;
        // An "Info" frame marks a constant stream: its rate is the frames' nominal one, as
        // padding and the info frame itself skew the average of a short file.
        if (!info.variable && frames.size() > 2 && frames[1].bitrate > 0 &&
            std::all_of(frames.begin() + 2, frames.end(),
                        [&](const SFrame& f) { return f.bitrate == frames[1].bitrate; }))
            m.kbps = frames[1].bitrate;
        m.method =
            info.vbri ? CStreamProbe::EMethod::VbriHeader : CStreamProbe::EMethod::XingHeader;
        return m;
    }
    bool variable = info.variable;
    for (size_t i = info.found ? 2 : 1; i < frames.size(); ++i)
        variable = variable || frames[i].bitrate != frames[i - 1].bitrate;
    const SFrame& audio = frames[info.found ? 1 : 0];
    if (!variable) {
        if (audio.bitrate <= 0)
            return m;
        m.kbps = audio.bitrate;
        m.seconds = (available - infoSize) * 8.0 / (audio.bitrate * 1000.0);
        m.method = CStreamProbe::EMethod::Constant;
        return m;
    }
    if (available - infoSize > CStreamProbe::kMaxScanBytes) {
        needsDecoder = !decoder;
        return decoder ? EstimateFromStart(frames, available, infoSize, spf) : m;
    }
    const SCounted stream{
        first.pos, first.pos + available, first.rate, first.layer, first.version, mono, info.found,
        infoSize};
    off_t frameCount = decoder ? -1 : CountFrames(file, reader.buffer, stream);
    if (frameCount < 0) {
        needsDecoder = !decoder;
        if (!decoder || mpg123_scan(mh) != MPG123_OK)
            return m;
        frameCount = mpg123_framelength(mh);
    }
    return FromCount(frameCount, stream);
}

// A long variable stream is counted frame by frame over its first kMaxScanBytes only, and
// its length is taken from their average: a scan of gigabytes would take minutes.
SMeasure CStreamProbe::SImpl::EstimateFromStart(const std::vector<SFrame>& sampled, off_t available,
                                                off_t infoSize, int spf)
{
    SMeasure m;
    const SFrame& first = sampled.front();
    const off_t audioStart = first.pos + infoSize;
    off_t count = off_t(sampled.size()) - (infoSize > 0 ? 1 : 0);
    off_t end = sampled.back().pos + sampled.back().size;
    while (end - audioStart < CStreamProbe::kMaxScanBytes) {
        const int rc = mpg123_framebyframe_next(mh);
        mpg123_frameinfo2 fi{};
        if ((rc != MPG123_OK && rc != MPG123_NEW_FORMAT) || mpg123_info2(mh, &fi) != MPG123_OK ||
            fi.framesize <= 0)
            break;
        ++count;
        end = reader.base + mpg123_framepos(mh) + fi.framesize;
    }
    if (count <= 0 || end <= audioStart)
        return m;
    const double scannedSeconds = double(count) * spf / first.rate;
    m.kbps = (end - audioStart) * 8.0 / scannedSeconds / 1000.0;
    m.seconds = (available - infoSize) * 8.0 / (m.kbps * 1000.0);
    m.method = CStreamProbe::EMethod::EstimatedFromStart;
    return m;
}

CStreamProbe::CStreamProbe() : d(std::make_unique<SImpl>()) {}

CStreamProbe::~CStreamProbe() = default;

std::unique_ptr<CStreamProbe> CStreamProbe::Create(QString* error)
{
    auto fail = [error](const char* format, int code) {
        if (error)
            *error = QString::asprintf(format, mpg123_plain_strerror(code));
        return nullptr;
    };
    // Deprecated and a no-op in new library versions, required by old ones.
    int rc = mpg123_init();
    if (rc != MPG123_OK)
        return fail("XAUDIO: cannot init decoder (%s)", rc);
    std::unique_ptr<CStreamProbe> probe(new CStreamProbe);
    probe->d->mh = mpg123_new(nullptr, &rc);
    if (!probe->d->mh)
        return fail("XAUDIO: cannot init decoder (%s)", rc);
    const long flags = MPG123_QUIET | MPG123_SKIP_ID3V2 | MPG123_IGNORE_INFOFRAME |
                       MPG123_NO_PEEK_END | MPG123_FORCE_SEEKABLE;
    rc = mpg123_param(probe->d->mh, MPG123_ADD_FLAGS, flags, 0);
    if (rc == MPG123_OK)
        rc = mpg123_param(probe->d->mh, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0);
    if (rc == MPG123_OK)
        rc = mpg123_replace_reader_handle(probe->d->mh, ReadCallback, SeekCallback, nullptr);
    if (rc != MPG123_OK)
        return fail("XAUDIO: cannot instanciate  output (%s)\n", mpg123_errcode(probe->d->mh));
    return probe;
}

bool CStreamProbe::SImpl::WithFile(CCachedFile& file, const std::function<void(off_t size)>& use)
{
    // Only a regular file is read: a pipe or a device named like a song would otherwise
    // wait forever or never end.
    if (!file.IsRegular() || file.Size() == 0)
        return false;
    const off_t size = off_t(file.Size());
    reader.Reset(file, AfterLeadingTag(file, size));
    if (mpg123_open_handle(mh, &reader) != MPG123_OK) {
        mpg123_close(mh);
        return false;
    }
    // The end is not peeked at (that would throw the read buffer away); the size is known.
    mpg123_set_filesize(mh, size - reader.base);
    use(size);
    mpg123_close(mh);
    return true;
}

SMeasure CStreamProbe::SImpl::MeasureFile(CCachedFile& file)
{
    SMeasure m;
    if (!file.IsRegular() || file.Size() == 0)
        return m;
    const off_t size = off_t(file.Size());
    bool needsDecoder = false;
    m = Measure(file, size, Stream(file, size, FramesAt(file, AfterLeadingTag(file, size))), false,
                needsDecoder);
    if ((needsDecoder || m.method == CStreamProbe::EMethod::None) && !decoderAllowed) {
        decoderNeeded = true;
        return m;
    }
    if (needsDecoder || m.method == CStreamProbe::EMethod::None) {
        WithFile(file, [&](off_t) {
            m = Measure(file, size, Stream(file, size, SampleFrames()), true, needsDecoder);
        });
    }
    return m;
}

bool CStreamProbe::Recognises(const QString& path)
{
    CCachedFile file(path, CCachedFile::EReaders::Several); // the probe reads it more than once
    if (!file.IsRegular() || file.Size() == 0)
        return false;
    const off_t size = off_t(file.Size());
    if (!d->Stream(file, size, d->FramesAt(file, AfterLeadingTag(file, size))).empty())
        return true;
    bool audio = false;
    d->WithFile(file, [&](off_t) { audio = !d->Stream(file, size, d->SampleFrames()).empty(); });
    return audio;
}

void CStreamProbe::Probe(const QString& path)
{
    CCachedFile file(path, CCachedFile::EReaders::Several);
    Probe(file);
}

void CStreamProbe::Probe(CCachedFile& file)
{
    m_bitrate.clear();
    m_duration.clear();
    m_method = EMethod::None;
    d->decoderNeeded = false;
    const SMeasure m = d->MeasureFile(file);
    if (Figures(m, m_bitrate, m_duration))
        m_method = m.method;
}

bool CStreamProbe::ProbeWithoutDecoder(CCachedFile& file)
{
    d->decoderAllowed = false;
    Probe(file);
    d->decoderAllowed = true;
    return !d->decoderNeeded;
}
