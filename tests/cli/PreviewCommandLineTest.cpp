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

    // A kill is no preview that went well.
    QTimer::singleShot(500, [] { std::raise(SIGTERM); });
    r = SCliRun::Run(f.env.DataDir(), {"preview", QString::number(longSong)});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.endsWith("\nstopped\ncratewise: the preview was stopped by SIGTERM\n"))
        << r.err.toStdString();

    r = SCliRun::Run(f.env.DataDir(), {"preview", "99"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "cratewise: there is no song with ID 99\n");
}

// What cannot be played is said once, and nothing claims to play before it.
TEST(PreviewCommandLineTest, AFileThatCannotBePlayedIsOneFailure)
{
    CDocFixture f;
    const QString music = f.env.MakeDir("music");
    ASSERT_TRUE(CToneMp3::Write(music + "/song.mp3", {440}, 0.5));
    const qint64 song = f.AddSong("H2", "Song", music, "song.mp3");
    const qint64 gone = f.AddSong("H2", "Gone", music, "gone.mp3");
    qputenv("CRATEWISE_AUDIO_OUTPUT", "wav:/nonexistent/dir/x.wav");
    const auto restore = qScopeGuard([] { qunsetenv("CRATEWISE_AUDIO_OUTPUT"); });
    SCliRun r = SCliRun::Run(f.env.DataDir(), {"preview", QString::number(song)});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.startsWith("cratewise: No sound output could be opened (wav: "))
        << r.err.toStdString();
    EXPECT_TRUE(r.err.endsWith(" The file /nonexistent/dir/x.wav cannot be written.\n"))
        << r.err.toStdString();
    // A song gone from a folder that is still there is not a disc to insert.
    r = SCliRun::Run(f.env.DataDir(), {"preview", QString::number(gone)});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "cratewise: " + music + "/gone.mp3: No such file or directory\n");
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
    EXPECT_FALSE(r.err.contains("0:0")) << r.err.toStdString();
    EXPECT_FALSE(r.err.contains("Playing")) << r.err.toStdString();
}

} // namespace
