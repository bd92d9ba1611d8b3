#include "CMp3Factory.h"

#include "CId3Writer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <array>
#include <cmath>
#include <random>
#include <vector>

namespace {

constexpr std::array<int, 15> kMpeg1L3{0,   32,  40,  48,  56,  64,  80, 96,
                                       112, 128, 160, 192, 224, 256, 320};
constexpr std::array<int, 15> kMpeg1L2{0,   32,  48,  56,  64,  80,  96, 112,
                                       128, 160, 192, 224, 256, 320, 384};
constexpr std::array<int, 15> kMpeg2{0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};

const std::array<int, 15>& Bitrates(const CMp3Factory::SStream& s)
{
    if (s.version != 1)
        return kMpeg2;
    return s.layer == 2 ? kMpeg1L2 : kMpeg1L3;
}

int BitrateIndex(const CMp3Factory::SStream& s, int kbps)
{
    const auto& table = Bitrates(s);
    for (int i = 1; i < 15; ++i)
        if (table[i] == kbps)
            return i;
    return -1;
}

int RateIndex(const CMp3Factory::SStream& s)
{
    static constexpr int base[3] = {44100, 48000, 32000};
    const int divisor = s.version == 1 ? 1 : s.version == 2 ? 2 : 4;
    for (int i = 0; i < 3; ++i)
        if (base[i] / divisor == s.sampleRate)
            return i;
    return 0;
}

int SamplesPerFrame(const CMp3Factory::SStream& s)
{
    return (s.layer == 3 && s.version != 1) ? 576 : 1152;
}

// Bytes per frame times sample rate, before the division (slot size 1 byte).
int Coefficient(const CMp3Factory::SStream& s)
{
    return SamplesPerFrame(s) / 8;
}

// Writes frames of one bit rate, carrying the padding remainder so that CBR streams
// keep their exact rate.
class CFrameWriter
{
public:
    explicit CFrameWriter(const CMp3Factory::SStream& s) : m_s(s) {}

    QByteArray Frame(int kbps)
    {
        const qint64 numerator = qint64(Coefficient(m_s)) * kbps * 1000;
        m_remainder += numerator % m_s.sampleRate;
        bool pad = false;
        if (m_remainder >= m_s.sampleRate) {
            m_remainder -= m_s.sampleRate;
            pad = true;
        }
        const int size = int(numerator / m_s.sampleRate) + (pad ? 1 : 0);
        QByteArray frame(size, '\0');
        const int version = m_s.version == 1 ? 3 : m_s.version == 2 ? 2 : 0;
        const int layer = m_s.layer == 3 ? 1 : 2;
        frame[0] = char(0xff);
        frame[1] = char(0xe0 | (version << 3) | (layer << 1) | 1);
        frame[2] = char((BitrateIndex(m_s, kbps) << 4) | (RateIndex(m_s) << 2) | (pad ? 2 : 0));
        frame[3] = char(m_s.mono ? 0xc4 : 0x44); // mono or joint stereo, original
        return frame;
    }

private:
    const CMp3Factory::SStream& m_s;
    int m_remainder = 0;
};

int SideInfoSize(const CMp3Factory::SStream& s)
{
    if (s.version == 1)
        return s.mono ? 17 : 32;
    return s.mono ? 9 : 17;
}

void PutBig(QByteArray& a, int at, quint32 v, int bytes = 4)
{
    for (int i = 0; i < bytes; ++i)
        a[at + i] = char((v >> (8 * (bytes - 1 - i))) & 0xff);
}

QByteArray InfoFrame(const CMp3Factory::SStream& s, int frames, qint64 bytes)
{
    CMp3Factory::SStream copy = s;
    CFrameWriter writer(copy);
    // Large enough for the header fields at every sample rate.
    QByteArray frame = writer.Frame(s.version == 1 ? 128 : 64);
    if (s.kind == CMp3Factory::EKind::VbrVbri) {
        const int at = 4 + 32;
        frame.replace(at, 4, "VBRI");
        PutBig(frame, at + 4, 1, 2);
        PutBig(frame, at + 10, quint32(bytes));
        PutBig(frame, at + 14, quint32(frames));
        return frame;
    }
    const int at = 4 + SideInfoSize(s);
    frame.replace(at, 4, s.kind == CMp3Factory::EKind::CbrInfo ? "Info" : "Xing");
    PutBig(frame, at + 4, s.xingFlags);
    int field = at + 8;
    if (s.xingFlags & 1) {
        PutBig(frame, field, quint32(frames));
        field += 4;
    }
    if (s.xingFlags & 2) {
        PutBig(frame, field, quint32(bytes));
        field += 4;
    }
    if (s.xingFlags & 4) {
        for (int i = 0; i < 100; ++i)
            frame[field + i] = char(i * 255 / 100);
        field += 100;
    }
    if (s.xingFlags & 8)
        PutBig(frame, field, 57);
    return frame;
}

std::vector<int> VbrRates(const CMp3Factory::SStream& s)
{
    const auto& table = Bitrates(s);
    const int mid = std::max(2, BitrateIndex(s, s.bitrate));
    std::vector<int> rates;
    for (int i = std::max(1, mid - 3); i <= std::min(14, mid + 3); ++i)
        rates.push_back(table[i]);
    return rates;
}

} // namespace

namespace CMp3Factory {

QByteArray Audio(const SStream& s, SAudioInfo* info)
{
    const int spf = SamplesPerFrame(s);
    const int frames = std::max(1, int(std::lround(s.seconds * s.sampleRate / spf)));
    const bool vbr =
        s.kind == EKind::VbrXing || s.kind == EKind::VbrVbri || s.kind == EKind::VbrNoHeader;
    const std::vector<int> rates = VbrRates(s);
    std::mt19937 random(s.seed);
    CFrameWriter writer(s);
    QByteArray audio;
    audio.reserve(qsizetype(frames) * 1500);
    for (int i = 0; i < frames; ++i)
        audio += writer.Frame(vbr ? rates[random() % rates.size()] : s.bitrate);
    const bool header = s.kind != EKind::Cbr && s.kind != EKind::VbrNoHeader;
    QByteArray stream = audio;
    if (header) {
        const qsizetype infoSize = InfoFrame(s, frames, 0).size();
        stream = InfoFrame(s, frames, audio.size() + (s.infoCounted ? infoSize : 0)) + audio;
    }
    if (info) {
        info->frames = frames;
        info->seconds = double(frames) * spf / s.sampleRate;
        info->streamBytes = stream.size();
        info->averageKbps = audio.size() * 8.0 / info->seconds / 1000.0;
    }
    return stream;
}

bool WriteFile(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

bool WriteSong(const QString& path, const SStream& stream, const QByteArray& tagFront,
               const QByteArray& tagBack, SAudioInfo* info)
{
    return WriteFile(path, tagFront + Audio(stream, info) + tagBack);
}

bool WriteTaggedSong(const QString& path, double seconds, int kbps, EKind kind,
                     const QString& title, const QString& artist, const QString& album,
                     SAudioInfo* info)
{
    SStream s;
    s.seconds = seconds;
    s.bitrate = kbps;
    s.kind = kind;
    s.seed = unsigned(qHash(path));
    const QByteArray front = CId3Writer(3, CId3Writer::EEncoding::Latin1)
                                 .Text("TIT2", title)
                                 .Text("TPE1", artist)
                                 .Text("TALB", album)
                                 .Text("TCON", QStringLiteral("(17)"))
                                 .Text("TYER", QStringLiteral("1999"))
                                 .Comment(QStringLiteral("Ripped for tests"))
                                 .Padding(1024)
                                 .Build();
    const QByteArray back =
        CId3Writer::Id3v1(title.toLatin1(), artist.toLatin1(), album.toLatin1(), "1999", "", 17, 1);
    return WriteSong(path, s, front, back, info);
}

} // namespace CMp3Factory
