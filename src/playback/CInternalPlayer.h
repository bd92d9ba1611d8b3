#pragma once

#include <QObject>
#include <QString>
#include <array>
#include <memory>
#include <optional>

// The built-in player: one GStreamer pipeline (playbin with a 32-band equalizer and its
// volume) plays every recognised type. A thread of its own gives the pipeline every
// control in order and watches it; its state changes come back to the thread that owns
// this object as queued signals.
class CInternalPlayer : public QObject
{
    Q_OBJECT
public:
    // What the player thread reports.
    enum EState
    {
        Stopped = 0,
        Playing = 1,
        Paused = 2,
        Ended = 3, // the song played to its end
    };

    struct SOutput
    {
        // Outputs, the first that exists taken: "auto" (sound server or card), "pulse",
        // "alsa", "fake" (nothing heard, at the song's pace), "wav", or a GStreamer sink.
        QString modules = QStringLiteral("auto");
        QString device; // empty: the output's default; the file for "wav"
        // From CRATEWISE_AUDIO_OUTPUT ("module" or "module:device", e.g. "wav:/tmp/a.wav"),
        // else the sound server or the sound card.
        static SOutput FromEnvironment();
    };

    // 32 band gains (-100..100) for the left channel, then 32 for the right.
    using EqualizerTable = std::array<qint8, 64>;

    explicit CInternalPlayer(SOutput output = SOutput::FromEnvironment(),
                             QObject* parent = nullptr);
    ~CInternalPlayer() override;

    // The controls; they return at once and reach the player thread in this order.
    void Open(const QString& path);
    void Play();
    void Stop();
    void Close();
    void Pause();             // toggles between playing and paused
    void Seek(qint64 ms);     // within the open song
    void SetLevel(int level); // 0..100
    void SetEqualizer(const std::optional<EqualizerTable>& table); // none: flat

    // The run flag as the last state notification left it: stopped after Stopped or
    // Ended, playing after Playing; neither before anything was reported.
    bool IsStopped() const { return m_runFlag == ERunFlag::Stopped; }
    bool IsPlaying() const { return m_runFlag == ERunFlag::Playing; }
    // Position and length of the open song, from any thread.
    qint64 PositionMs() const;
    qint64 LengthMs() const;

    // The Internal Player settings as the player takes them: "IntVolume", and the band
    // table from "Equalizer" and "Eq1".."Eq8" (none when the equalizer is off).
    static int LevelFromSettings();
    static std::optional<EqualizerTable> EqualizerFromSettings();
    // The linear factor one band gain stands for: -100..100 spans -12..+12 dB.
    static double BandFactor(int gain);

Q_SIGNALS:
    void StateChanged(int state);
    // A song that cannot be played, in words for the user.
    void Failed(const QString& message);
    // No sound output could be opened or it broke down; the player reports stopped.
    void NoOutput(const QString& message);

private:
    enum class ERunFlag
    {
        Unknown,
        Stopped,
        Playing
    };
    void OnState(int state);

public:
    // What the player thread shares with this object (defined with the thread).
    struct SShared;

private:
    std::shared_ptr<SShared> m_shared;
    ERunFlag m_runFlag = ERunFlag::Unknown;
};
