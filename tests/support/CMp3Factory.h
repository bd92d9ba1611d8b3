#pragma once

#include <QByteArray>
#include <QString>

// Real MPEG audio streams (silent frames with valid headers) for tests and benchmarks,
// so that the decoder and the tag reader see what real files hold.
namespace CMp3Factory {

enum class EKind
{
    Cbr,         // constant bit rate, no info frame
    CbrInfo,     // constant bit rate with a LAME "Info" frame
    VbrXing,     // variable bit rate with a "Xing" frame
    VbrVbri,     // variable bit rate with a Fraunhofer "VBRI" frame
    VbrNoHeader, // variable bit rate without any header frame
};

struct SStream
{
    int version = 1; // 1: MPEG-1, 2: MPEG-2, 25: MPEG-2.5
    int layer = 3;   // 2 or 3
    int sampleRate = 44100;
    int bitrate = 128; // kbit/s; for VBR the middle of the range used
    bool mono = false;
    EKind kind = EKind::Cbr;
    double seconds = 10.0;
    unsigned seed = 1;
    quint32 xingFlags = 0x0f; // the fields a Xing/Info header holds: frames, bytes, TOC, quality
    bool infoCounted = true;  // whether the header's byte count includes the info frame
};

// What was written, for the checks.
struct SAudioInfo
{
    int frames = 0;         // audio frames, without the info frame
    double seconds = 0;     // exact playing time
    qint64 streamBytes = 0; // all frames, info frame included
    double averageKbps = 0; // audio bits per second / 1000
};

// The frames of one stream.
QByteArray Audio(const SStream& stream, SAudioInfo* info = nullptr);

// Writes tagFront + audio + tagBack to path (folders created). False on I/O failure.
bool WriteFile(const QString& path, const QByteArray& data);
bool WriteSong(const QString& path, const SStream& stream, const QByteArray& tagFront = {},
               const QByteArray& tagBack = {}, SAudioInfo* info = nullptr);

// A realistic song: an ID3v2.3 tag (title, artist, album, genre, year, comment, some
// padding) and an ID3v1 tag around a stream of the given length, bit rate and kind.
bool WriteTaggedSong(const QString& path, double seconds, int kbps, EKind kind,
                     const QString& title, const QString& artist, const QString& album,
                     SAudioInfo* info = nullptr);

} // namespace CMp3Factory
