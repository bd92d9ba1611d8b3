#include "platform/CSettings.h"
#include "playback/CMpdRemote.h"
#include "support/CMp3Factory.h"
#include "support/CTestEnvironment.h"
#include "support/CTestMpd.h"

#include <QElapsedTimer>
#include <QFile>
#include <QScopeGuard>
#include <QThread>
#include <functional>
#include <gtest/gtest.h>
#include <tuple>

namespace {

// Polls `done` for up to five seconds (the player answers a moment after a command).
bool Within(const std::function<bool()>& done)
{
    for (int i = 0; i < 100 && !done(); ++i)
        QThread::msleep(50);
    return done();
}

class MpdRemoteTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(mpd.Start()) << qPrintable(mpd.Error());
        CSettings::SetString(ESetting::PlayerSocket, mpd.Socket());
        for (int i = 0; i < 3; ++i) {
            const QString path = env.Root() + QStringLiteral("/music/song %1.mp3").arg(i);
            ASSERT_TRUE(CMp3Factory::WriteSong(path, {.seconds = 4.0}));
            songs << path;
        }
    }
    bool Eventually(const QString& key, const QString& value)
    {
        return Within([&] { return mpd.StatusValue(key) == value; });
    }

    CTestEnvironment env;
    CTestMpd mpd;
    QStringList songs;
    CMpdRemote remote{env.DataDir()};
};

TEST_F(MpdRemoteTest, EveryMessageReachesTheRealPlayer)
{
    EXPECT_TRUE(remote.IsRunning());
    EXPECT_FALSE(remote.IsPlaying());
    EXPECT_EQ(remote.ListPosition(), -1);
    for (const QString& song : songs)
        EXPECT_TRUE(remote.AddFile(song));
    EXPECT_FALSE(remote.AddFile(env.Root() + QStringLiteral("/music/missing.mp3")));
    EXPECT_EQ(remote.ListLength(), 3);
    EXPECT_EQ(mpd.Queue(), songs);

    // The remembered position is applied by the next Play.
    remote.SetListPosition(2);
    EXPECT_EQ(mpd.StatusValue("state"), "stop");
    remote.Command(CWinampRemote::Play);
    ASSERT_TRUE(Eventually("state", "play"));
    EXPECT_TRUE(remote.IsPlaying());
    EXPECT_EQ(remote.ListPosition(), 2);
    EXPECT_EQ(remote.TrackLengthSeconds(), 4);
    QThread::msleep(600);
    EXPECT_GE(remote.TrackPositionMs(), 300);
    EXPECT_LE(remote.TrackPositionMs(), 4000);

    // Pause toggles; from stopped it plays.
    using E = CWinampRemote;
    for (const auto& [command, key, value] : {std::tuple{E::Previous, "song", "1"},
                                              {E::Next, "song", "2"},
                                              {E::Pause, "state", "pause"},
                                              {E::Pause, "state", "play"},
                                              {E::Stop, "state", "stop"},
                                              {E::Pause, "state", "play"}}) {
        remote.Command(command);
        EXPECT_TRUE(Eventually(key, value)) << key << ' ' << value;
        EXPECT_EQ(remote.IsPlaying(), mpd.StatusValue("state") == "play") << value;
    }

    // Every percentage comes back from the player as itself, through the slider's scale.
    for (int percent = 0; percent <= 100; ++percent) {
        remote.SetVolume(CMpdRemote::LevelOfPercent(percent));
        EXPECT_EQ(mpd.StatusValue("volume"), QString::number(percent));
    }

    remote.ClearList();
    EXPECT_EQ(remote.ListLength(), 0);
    EXPECT_EQ(remote.ListPosition(), -1);
    remote.StartList(); // nothing to play: no harm
    EXPECT_FALSE(remote.IsPlaying());
}

TEST_F(MpdRemoteTest, APlayerThatWentAwayAnswersNothingAndComesBack)
{
    ASSERT_TRUE(remote.AddFile(songs[0]));
    mpd.Kill();
    EXPECT_FALSE(remote.IsRunning());
    EXPECT_EQ(remote.ListLength(), 0);
    EXPECT_EQ(remote.ListPosition(), -1);
    EXPECT_FALSE(remote.AddFile(songs[1]));
    remote.Command(CWinampRemote::Stop);

    ASSERT_TRUE(mpd.Start()) << qPrintable(mpd.Error());
    EXPECT_TRUE(remote.IsRunning());
    EXPECT_TRUE(remote.AddFile(songs[1]));
}

class BrokenPlayerTest : public ::testing::TestWithParam<CSilentSocket::EMode>
{};

// However a broken player behaves, each call costs at most its time limit; after one such
// call the socket is left alone for a while, so the window's poll does not wait again.
TEST_P(BrokenPlayerTest, CostsEachCallItsLimitAndIsThenLeftAlone)
{
    CTestEnvironment env;
    CSilentSocket broken(GetParam());
    CSettings::SetString(ESetting::PlayerSocket, broken.Path());
    CMpdRemote remote(env.DataDir());
    remote.SetTimeouts(
        {.connectMs = 200, .callMs = 200, .queryMs = 200, .addMs = 400, .backOffMs = 0});
    QElapsedTimer timer;
    const std::tuple<const char*, std::function<void()>, int> calls[] = {
        {"status", [&] { EXPECT_FALSE(remote.IsRunning()); }, 200},
        {"command", [&] { remote.Command(CWinampRemote::Stop); }, 200},
        {"add", [&] { EXPECT_FALSE(remote.AddFile(env.Root())); }, 400},
    };
    for (const auto& [name, call, limit] : calls) {
        timer.start();
        call();
        EXPECT_LT(timer.elapsed(), limit + 300) << name;
    }
    EXPECT_TRUE(remote.Problem().startsWith("The player at " + broken.Path()));

    remote.SetTimeouts({});
    EXPECT_FALSE(remote.IsRunning());
    timer.start();
    for (int i = 0; i < 10; ++i) {
        EXPECT_FALSE(remote.IsRunning());
        EXPECT_FALSE(remote.IsPlaying());
        EXPECT_EQ(remote.ListLength(), 0);
        remote.Command(CWinampRemote::Stop);
    }
    EXPECT_LT(timer.elapsed(), 100);
}

INSTANTIATE_TEST_SUITE_P(SilentGreetingOnlyOrFlooding, BrokenPlayerTest,
                         ::testing::Values(CSilentSocket::EMode::Silent,
                                           CSilentSocket::EMode::Greeting,
                                           CSilentSocket::EMode::Flooding));

TEST(MpdStartTest, StartsItsOwnPlayerWhenNoneAnswersAndClosesOnlyThatOne)
{
    CTestEnvironment env;
    const QString socket = env.Root() + QStringLiteral("/own.socket");
    CSettings::SetString(ESetting::PlayerSocket, socket);
    CMpdRemote remote(env.DataDir());
    // It runs in the background: a failing test must not leave it behind.
    const auto stop = qScopeGuard([&] {
        CSettings::SetString(ESetting::PlayerSocket, socket);
        remote.Close();
    });
    EXPECT_FALSE(remote.Start(QString(), false));
    ASSERT_TRUE(remote.Start(QStringLiteral("/usr/bin/mpd"), true));
    ASSERT_TRUE(Within([&] { return remote.IsRunning(); }));
    QFile config(remote.OwnConfigFile());
    ASSERT_TRUE(config.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(config.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("bind_to_address \"%1\"").arg(socket)));
    EXPECT_TRUE(text.contains(QStringLiteral("state_file \"%1/mpd/state\"").arg(env.DataDir())));
    EXPECT_TRUE(text.contains(QStringLiteral("mixer_type \"software\"")));
    EXPECT_TRUE(text.contains(QStringLiteral("restore_paused \"yes\"")));

    // A player of the user's own on another socket is never closed.
    CTestMpd users;
    ASSERT_TRUE(users.Start()) << qPrintable(users.Error());
    CSettings::SetString(ESetting::PlayerSocket, users.Socket());
    CMpdRemote other(env.Root() + QStringLiteral("/elsewhere"));
    ASSERT_TRUE(other.IsRunning());
    other.Close();
    EXPECT_EQ(users.Ask("ping"), "OK\n");

    CSettings::SetString(ESetting::PlayerSocket, socket);
    remote.Close();
    EXPECT_TRUE(Within([&] { return !remote.IsRunning(); }));
}

} // namespace
