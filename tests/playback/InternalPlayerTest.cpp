#include "platform/CSettings.h"
#include "playback/CInternalPlayer.h"
#include "support/CAudioFiles.h"
#include "support/CMp3Factory.h"
#include "support/CNoSoundDevice.h"
#include "support/CTestEnvironment.h"
#include "support/CToneMp3.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QThread>
#include <functional>
#include <gtest/gtest.h>

namespace {

// The player writing through the "wav" output, with what it reported.
class InternalPlayerTest : public ::testing::Test
{
protected:
    InternalPlayerTest()
    {
        QObject::connect(&player, &CInternalPlayer::StateChanged, [this](int state) {
            states << state;
            offThread |= QThread::currentThread() != QCoreApplication::instance()->thread();
        });
        QObject::connect(&player, &CInternalPlayer::Failed,
                         [this](const QString& message) { failures << message; });
    }

    QString Tones(const QString& name, const QList<double>& frequencies, double seconds)
    {
        const QString path = env.Root() + u'/' + name;
        EXPECT_TRUE(CToneMp3::Write(path, frequencies, seconds));
        return path;
    }
    // Events are handled until `done` holds (true) or the time is up.
    static bool Pump(const std::function<bool()>& done, int ms = 5000)
    {
        const QDeadlineTimer deadline(ms);
        while (!done() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return done();
    }
    bool WaitFor(int state, int ms = 5000)
    {
        return Pump([&] { return states.contains(state); }, ms);
    }
    // Plays a file to its end and returns what reached the output file.
    CToneMp3::SWav PlayToEnd(const QString& path)
    {
        states.clear();
        player.Open(path);
        player.Play();
        EXPECT_TRUE(WaitFor(CInternalPlayer::Ended));
        player.Close();
        return CToneMp3::ReadWav(wav);
    }

    CTestEnvironment env;
    QString wav = env.Root() + QStringLiteral("/out.wav");
    CInternalPlayer player{{QStringLiteral("wav"), wav}};
    QList<int> states;
    QStringList failures;
    bool offThread = false;
};

TEST_F(InternalPlayerTest, PlaysToTheEndAtTheSongsPaceAndReportsOnTheOwnersThread)
{
    const QString song = Tones("a.mp3", {1000}, 1.0);
    player.Open(song);
    player.Play();
    // Nothing is reported until the owner's thread handles its events.
    QThread::msleep(100);
    EXPECT_FALSE(player.IsPlaying());
    ASSERT_TRUE(WaitFor(CInternalPlayer::Playing));
    EXPECT_TRUE(player.IsPlaying());
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(WaitFor(CInternalPlayer::Ended));
    // A file output is held to the song's pace, as a sound card would be.
    EXPECT_GT(clock.elapsed(), 800);
    EXPECT_TRUE(player.IsStopped());
    EXPECT_FALSE(offThread);
    EXPECT_EQ(states, QList<int>({CInternalPlayer::Playing, CInternalPlayer::Ended}));
    EXPECT_TRUE(failures.isEmpty()) << failures.join(u'\n').toStdString();

    const CToneMp3::SWav out = CToneMp3::ReadWav(wav);
    EXPECT_EQ(out.rate, 44100);
    EXPECT_EQ(out.channels, 2);
    EXPECT_EQ(out.Frames(), 44100);
    EXPECT_NEAR(out.Amplitude(1000), 0.2, 0.02);
}

TEST_F(InternalPlayerTest, StopEndsPlaybackAtOnceAndTheLevelScalesTheOutput)
{
    const QString song = Tones("long.mp3", {1000}, 5.0);
    player.Open(song);
    player.Play();
    ASSERT_TRUE(WaitFor(CInternalPlayer::Playing));
    Pump([&] { return player.PositionMs() >= 300; });
    EXPECT_NEAR(player.LengthMs(), 5000, 100);
    player.Stop();
    ASSERT_TRUE(WaitFor(CInternalPlayer::Stopped, 500));
    EXPECT_TRUE(player.IsStopped());
    player.Close();
    const CToneMp3::SWav stopped = CToneMp3::ReadWav(wav);
    EXPECT_GT(stopped.Frames(), 44100 / 10);
    EXPECT_LT(stopped.Frames(), 44100 * 2);

    const QString short1 = Tones("short.mp3", {1000}, 0.5);
    const double full = PlayToEnd(short1).Rms();
    player.SetLevel(50);
    const double half = PlayToEnd(short1).Rms();
    player.SetLevel(0);
    const double none = PlayToEnd(short1).Rms();
    EXPECT_NEAR(half / full, 0.5, 0.02);
    EXPECT_LT(none, 0.001);
}

// Pause holds the song where it is; Play goes on from there.
TEST_F(InternalPlayerTest, PauseHoldsTheSongAndPlayGoesOn)
{
    player.Open(Tones("long.mp3", {1000}, 5.0));
    player.Play();
    ASSERT_TRUE(Pump([&] { return player.PositionMs() >= 300; }));
    player.Pause();
    ASSERT_TRUE(WaitFor(CInternalPlayer::Paused));
    const qint64 held = player.PositionMs();
    Pump([] { return false; }, 300);
    EXPECT_NEAR(player.PositionMs(), held, 50);
    player.Play();
    EXPECT_TRUE(Pump([&] { return player.PositionMs() > held + 200; }, 2000))
        << held << " " << player.PositionMs();
    player.Close();
}

TEST_F(InternalPlayerTest, AnEqualizerCutLowersItsBandOnly)
{
    // 440 Hz lies in band 0 (the first slider), 5 kHz in band 7 (the fifth).
    const QString song = Tones("two.mp3", {440, 5000}, 0.6);
    const CToneMp3::SWav flat = PlayToEnd(song);
    CSettings::SetInt(ESetting::Equalizer, 1);
    CSettings::SetInt(ESetting::Eq5, -100);
    player.SetEqualizer(CInternalPlayer::EqualizerFromSettings());
    const CToneMp3::SWav cut = PlayToEnd(song);

    // -100 is 12 dB down: a quarter of the amplitude.
    EXPECT_NEAR(cut.Amplitude(5000) / flat.Amplitude(5000), 0.25, 0.05);
    EXPECT_NEAR(cut.Amplitude(440) / flat.Amplitude(440), 1.0, 0.05);
    // Every band of both channels follows a slider, the low ones first.
    for (int slider = 1; slider <= 8; ++slider)
        CSettings::SetInt(CSettingsTable::EqBand(slider - 1), 10 * slider);
    const CInternalPlayer::EqualizerTable table = *CInternalPlayer::EqualizerFromSettings();
    for (int band = 0; band < 32; ++band) {
        EXPECT_GE(table[band], band == 0 ? 10 : table[band - 1]) << band;
        EXPECT_EQ(table[32 + band], table[band]) << band;
    }
    EXPECT_EQ(table[31], 80);

    CSettings::SetInt(ESetting::Equalizer, 0);
    player.SetEqualizer(CInternalPlayer::EqualizerFromSettings());
    EXPECT_NEAR(PlayToEnd(song).Amplitude(5000), flat.Amplitude(5000), 0.005);
}

TEST_F(InternalPlayerTest, UnplayableFilesAndAMissingOutputAreReportedAndStop)
{
    const QString gone = env.Root() + "/gone.mp3";
    const QString junk = env.WriteFile("junk.mp3", QByteArray(20000, 'x'));
    for (const auto& [file, why] :
         {std::pair{gone, "the file does not exist."}, {junk, "no audio was found in it."}}) {
        failures.clear();
        states.clear();
        player.Open(file);
        player.Play();
        ASSERT_TRUE(WaitFor(CInternalPlayer::Stopped));
        EXPECT_TRUE(player.IsStopped());
        EXPECT_EQ(failures.join(u'|').toStdString(),
                  (file + "\ncannot be played: " + why).toStdString());
    }

    // A stream cut off midway with rubbish inside plays what it can to the end.
    failures.clear();
    QByteArray audio = CMp3Factory::Audio({.seconds = 1.5});
    audio.replace(audio.size() / 3, 5000, QByteArray(5000, '\xff'));
    audio.truncate(audio.size() * 2 / 3 + 77);
    PlayToEnd(env.WriteFile("broken.mp3", audio));
    EXPECT_TRUE(failures.isEmpty()) << failures.join(u'\n').toStdString();

    CInternalPlayer deaf({QStringLiteral("no-such-module"), QString()});
    QStringList said;
    QObject::connect(&deaf, &CInternalPlayer::NoOutput, [&](const QString& m) { said << m; });
    deaf.Open(Tones("b.mp3", {440}, 0.2));
    deaf.Play();
    EXPECT_TRUE(Pump([&] { return deaf.IsStopped(); }));
    ASSERT_EQ(said.size(), 1);
    EXPECT_TRUE(said[0].startsWith("No sound output could be opened (no-such-module: "))
        << said[0].toStdString();
    // The module is not installed, so the remedy is the package, not the sound card.
    EXPECT_TRUE(said[0].endsWith("needs the GStreamer plugins (gstreamer1.0-plugins-good)."))
        << said[0].toStdString();
}

// The default output with no sound server and no sound card: the engine would settle
// for a sink that discards and play on in silence; the player says so instead and never
// reports playing.
TEST_F(InternalPlayerTest, TheDefaultOutputWithoutASoundDeviceIsNoOutput)
{
    const CNoSoundDevice none(env.Root());
    CInternalPlayer deaf(CInternalPlayer::SOutput::FromEnvironment());
    QStringList said;
    QList<int> reported;
    QObject::connect(&deaf, &CInternalPlayer::NoOutput, [&](const QString& m) { said << m; });
    QObject::connect(&deaf, &CInternalPlayer::StateChanged, [&](int state) { reported << state; });
    deaf.Open(Tones("c.mp3", {440}, 2.0));
    deaf.Play();
    EXPECT_TRUE(Pump([&] { return deaf.IsStopped(); }));
    Pump([] { return false; }, 300); // nothing more comes
    ASSERT_EQ(said.size(), 1);
    EXPECT_TRUE(said[0].startsWith("No sound output could be opened (auto: "))
        << said[0].toStdString();
    EXPECT_FALSE(reported.contains(CInternalPlayer::Playing));
    EXPECT_EQ(deaf.PositionMs(), 0);
}

// Every recognised type plays through the same engine, level included.
TEST_F(InternalPlayerTest, PlaysEveryOtherFormatAtItsLevel)
{
    player.SetLevel(50);
    for (const EAudioFormat format :
         {EAudioFormat::Flac, EAudioFormat::OggVorbis, EAudioFormat::Opus, EAudioFormat::Mp4}) {
        const QString song = env.Root() + QStringLiteral("/tone.") + CAudioFiles::Extension(format);
        SCOPED_TRACE(song.toStdString());
        ASSERT_TRUE(CAudioFiles::Write(song, format, 0.5));
        const CToneMp3::SWav out = PlayToEnd(song);
        EXPECT_TRUE(failures.isEmpty()) << failures.join(u'\n').toStdString();
        EXPECT_NEAR(out.Frames(), 44100 / 2, 44100 / 10);
        // The tone is written at 0.2; half the level gives half of it.
        EXPECT_NEAR(out.Amplitude(440), 0.1, 0.02);
    }
}

} // namespace
