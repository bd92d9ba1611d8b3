#include "support/CCliRun.h"
#include "support/CDocFixture.h"
#include "support/CNoSoundDevice.h"
#include "support/CToneMp3.h"

#include <QElapsedTimer>
#include <QScopeGuard>
#include <QTimer>
#include <csignal>
#include <gtest/gtest.h>

namespace {

// `preview` plays through the "wav" output, chosen by the environment.
TEST(PreviewCommandLineTest, PlaysToTheEndOrUntilCtrlC)
{
    CDocFixture f;
    const QString wav = f.env.Root() + "/out.wav";
    qputenv("CRATEWISE_AUDIO_OUTPUT", ("wav:" + wav).toUtf8());
    const auto restore = qScopeGuard([] { qunsetenv("CRATEWISE_AUDIO_OUTPUT"); });
    const QString music = f.env.MakeDir("music");
    ASSERT_TRUE(CToneMp3::Write(music + "/short.mp3", {440}, 0.5));
    ASSERT_TRUE(CToneMp3::Write(music + "/long.mp3", {440}, 5.0));
    const qint64 shortSong = f.AddSong("CD1", "Short", music, "short.mp3");
    const qint64 longSong = f.AddSong("CD1", "Long", music, "long.mp3");

    SCliRun r = SCliRun::Run(f.env.DataDir(), {"preview", QString::number(shortSong)});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.startsWith("Playing Short (" + music + "/short.mp3)\n"))
        << r.err.toStdString();
    EXPECT_TRUE(r.err.endsWith("0:00 / 0:00\n")) << r.err.toStdString();
    EXPECT_EQ(CToneMp3::ReadWav(wav).Frames(), 22050);

    QElapsedTimer clock;
    clock.start();
    QTimer::singleShot(500, [] { std::raise(SIGINT); });
    r = SCliRun::Run(f.env.DataDir(), {"preview", QString::number(longSong)});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.endsWith("\nstopped\n")) << r.err.toStdString();
    EXPECT_LT(clock.elapsed(), 2500); // how much was played is the player's own test

    r = SCliRun::Run(f.env.DataDir(), {"preview", "99"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "cratewise: there is no song with ID 99\n");
}

// The default output on a machine without a sound device: said once, and no clock runs
// through a song nobody hears.
TEST(PreviewCommandLineTest, NoSoundDeviceIsAFailure)
{
    CDocFixture f;
    const CNoSoundDevice deaf(f.env.Root());
    const QString music = f.env.MakeDir("music");
    ASSERT_TRUE(CToneMp3::Write(music + "/long.mp3", {440}, 5.0));
    const qint64 song = f.AddSong("CD1", "Long", music, "long.mp3");
    QElapsedTimer clock;
    clock.start();
    const SCliRun r = SCliRun::Run(f.env.DataDir(), {"preview", QString::number(song)});
    EXPECT_EQ(r.status, 1);
    EXPECT_LT(clock.elapsed(), 4000);
    EXPECT_EQ(r.err.count("No sound output could be opened (auto: "), 1) << r.err.toStdString();
    EXPECT_FALSE(r.err.contains("0:01")) << r.err.toStdString();
}

} // namespace
