#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// MP3 files that sound: sine tones encoded by LAME, for checks on what the player puts
// out (levels, the equalizer), where the silent frames of CMp3Factory show nothing.
namespace CToneMp3 {

// Stereo, 44.1 kHz, 192 kbit/s: the sum of the tones (Hz), each at the given peak
// amplitude (1.0 = full scale). False when encoding or writing failed.
bool Write(const QString& path, const QList<double>& frequencies, double seconds,
           double amplitude = 0.2);

// The interleaved 16-bit samples of a WAV file's data chunk and its format; empty when
// the file is no PCM WAV.
struct SWav
{
    int rate = 0;
    int channels = 0;
    QList<qint16> samples;

    qint64 Frames() const { return channels ? samples.size() / channels : 0; }
    // The amplitude of one frequency in the left channel (Goertzel), 1.0 = full scale.
    double Amplitude(double frequency) const;
    // Root mean square of the left channel, 1.0 = full scale.
    double Rms() const;
};
SWav ReadWav(const QString& path);

} // namespace CToneMp3
