#include "support/CToneMp3.h"

#include <QFile>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <lame/lame.h>
#include <vector>

namespace CToneMp3 {

bool Write(const QString& path, const QList<double>& frequencies, double seconds, double amplitude)
{
    constexpr int kRate = 44100;
    const int count = int(seconds * kRate);
    std::vector<short> pcm(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        double value = 0;
        for (double f : frequencies)
            value += amplitude * std::sin(2 * M_PI * f * i / kRate);
        pcm[size_t(i)] = short(std::lround(qBound(-1.0, value, 1.0) * 32767));
    }
    lame_global_flags* lame = lame_init();
    if (!lame)
        return false;
    lame_set_in_samplerate(lame, kRate);
    lame_set_num_channels(lame, 2);
    lame_set_brate(lame, 192);
    lame_set_quality(lame, 5);
    std::vector<unsigned char> mp3(size_t(count) * 5 / 4 + 7200 + 7200);
    int written = -1;
    if (lame_init_params(lame) == 0) {
        written =
            lame_encode_buffer(lame, pcm.data(), pcm.data(), count, mp3.data(), int(mp3.size()));
        if (written >= 0) {
            const int tail =
                lame_encode_flush(lame, mp3.data() + written, int(mp3.size()) - written);
            written = tail < 0 ? -1 : written + tail;
        }
    }
    // The info frame LAME left room for at the start: its delay and padding let the
    // decoder give back exactly the samples encoded.
    if (written > 0) {
        unsigned char tag[2880];
        const size_t size = lame_get_lametag_frame(lame, tag, sizeof tag);
        if (size > 0 && size <= size_t(written))
            std::copy(tag, tag + size, mp3.begin());
    }
    lame_close(lame);
    if (written < 0)
        return false;
    QFile file(path);
    return file.open(QIODevice::WriteOnly) &&
           file.write(reinterpret_cast<const char*>(mp3.data()), written) == written;
}

SWav ReadWav(const QString& path)
{
    SWav wav;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return wav;
    const QByteArray data = file.readAll();
    if (!data.startsWith("RIFF") || data.mid(8, 4) != "WAVE")
        return wav;
    const auto u16 = [&](qsizetype at) {
        return qFromLittleEndian<quint16>(data.constData() + at);
    };
    const auto u32 = [&](qsizetype at) {
        return qFromLittleEndian<quint32>(data.constData() + at);
    };
    for (qsizetype at = 12; at + 8 <= data.size();) {
        const QByteArray id = data.mid(at, 4);
        qsizetype size = u32(at + 4);
        if (id == "fmt " && at + 24 <= data.size()) {
            if (u16(at + 8) != 1 || u16(at + 22) != 16)
                return wav;
            wav.channels = u16(at + 10);
            wav.rate = int(u32(at + 12));
        } else if (id == "data") {
            // A writer that could not seek back leaves the size open: take the rest.
            size = qMin(size, data.size() - at - 8);
            for (qsizetype i = 0; i + 1 < size; i += 2)
                wav.samples.append(qint16(u16(at + 8 + i)));
            return wav;
        }
        at += 8 + size + (size & 1);
    }
    return wav;
}

double SWav::Amplitude(double frequency) const
{
    const qint64 n = Frames();
    if (n == 0)
        return 0;
    const double w = 2 * M_PI * frequency / rate;
    const double coefficient = 2 * std::cos(w);
    double s1 = 0, s2 = 0;
    for (qint64 i = 0; i < n; ++i) {
        const double s = samples[i * channels] / 32768.0 + coefficient * s1 - s2;
        s2 = s1;
        s1 = s;
    }
    const double power = s1 * s1 + s2 * s2 - coefficient * s1 * s2;
    return 2 * std::sqrt(qMax(0.0, power)) / n;
}

double SWav::Rms() const
{
    const qint64 n = Frames();
    if (n == 0)
        return 0;
    double sum = 0;
    for (qint64 i = 0; i < n; ++i) {
        const double v = samples[i * channels] / 32768.0;
        sum += v * v;
    }
    return std::sqrt(sum / n);
}

} // namespace CToneMp3
