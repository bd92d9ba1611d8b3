#include "platform/CSettings.h"
#include "support/CCliRun.h"
#include "support/CDocFixture.h"
#include "support/CMp3Factory.h"
#include "support/CTestMpd.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>
#include <gtest/gtest.h>

namespace {

TEST(PlayerCommandLineTest, SendsASessionShowsWhatPlaysAndControlsThePlayer)
{
    CDocFixture f;
    CTestMpd mpd;
    ASSERT_TRUE(mpd.Start()) << qPrintable(mpd.Error());
    const QString folder = f.env.Root() + "/music";
    for (const char* title : {"One", "Two"}) {
        const QString file = QString::fromLatin1(title) + ".mp3";
        ASSERT_TRUE(CMp3Factory::WriteSong(folder + "/" + file, {.seconds = 5.0}));
        AddTestSong(f.doc.Set(),
                    {.cd = "Live", .title = title, .artist = "Band", .file = file, .path = folder});
    }
    const auto run = [&f](QStringList args) {
        args.prepend("player");
        return SCliRun::Run(f.env.DataDir(), args);
    };
    CSettings::SetString(ESetting::PlayerSocket, mpd.Socket());

    // Without a path the MPD that answers is used.
    SCliRun r = run({"send", "--session", "Live"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    CSettings::SetString(ESetting::Winamp, "/usr/bin/mpd");
    // No player is started where it would replace a file.
    const QString file = f.env.WriteFile("not-a-socket", "keep me");
    CSettings::SetString(ESetting::PlayerSocket, file);
    r = run({"send", "--session", "Live"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(file + " (the setting PlayerSocket) is not a socket"))
        << r.err.toStdString();
    CSettings::SetString(ESetting::PlayerSocket, mpd.Socket());
    CSettings::SetInt(ESetting::Autoplay, 1);
    r = run({"send", "--session", "Live"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.err, "2 songs sent to the player\n");
    EXPECT_EQ(mpd.Queue(), QStringList({folder + "/One.mp3", folder + "/Two.mp3"}));

    EXPECT_EQ(run({"next"}).status, 0);
    QThread::msleep(200);
    EXPECT_EQ(run({"play"}).status, 0); // it plays and is heard
    EXPECT_EQ(run({"volume", "2"}).status, 0);
    r = run({"status"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith("state\tplaying\nlist length\t2\nlist position\t1\nposition\t"))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("\nlength\t5\nvolume\t2\nfile\t" + folder +
                               "/Two.mp3\ntitle\tTwo\nartist\tBand\n"))
        << r.out.toStdString();
    r = run({"status", "--json"});
    const QJsonObject status = QJsonDocument::fromJson(r.out.toUtf8()).object();
    EXPECT_EQ(status.value("state"), QStringLiteral("playing")) << r.out.toStdString();
    EXPECT_EQ(status.value("volume"), 2);
    EXPECT_EQ(status.value("song").toObject().value("TITLE"), QStringLiteral("Two"));
    EXPECT_EQ(run({"volume", "101"}).status, 1);
    EXPECT_EQ(run({"rewind"}).status, 1);

    // A playlist file's catalogued songs, in its order.
    const QString m3u = f.env.WriteFile("list.m3u", (folder + "/Two.mp3\r\n").toUtf8());
    CSettings::SetInt(ESetting::Autoplay, 0);
    r = run({"send", "--m3u", m3u});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(mpd.Queue(), QStringList({folder + "/Two.mp3"}));

    mpd.Kill();
    r = run({"stop"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "cratewise: MPD is not running\n");
}

// MPD takes "play" and only then finds that its sound output does not open: the command
// says so and fails instead of leaving the user to wonder at the silence.
TEST(PlayerCommandLineTest, PlayFailsWhenThePlayerCannotBeHeard)
{
    CDocFixture f;
    CTestMpd mpd(CTestMpd::EOutput::Broken);
    ASSERT_TRUE(mpd.Start()) << qPrintable(mpd.Error());
    const QString folder = f.env.Root() + "/music";
    ASSERT_TRUE(CMp3Factory::WriteSong(folder + "/One.mp3", {.seconds = 5.0}));
    AddTestSong(f.doc.Set(), {.cd = "Live", .title = "One", .file = "One.mp3", .path = folder});
    CSettings::SetString(ESetting::PlayerSocket, mpd.Socket());
    const auto run = [&f](QStringList args) {
        args.prepend("player");
        return SCliRun::Run(f.env.DataDir(), args);
    };
    SCliRun r = run({"play"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "cratewise: there is nothing to play: the player's list is empty\n");
    ASSERT_EQ(run({"send", "--session", "Live"}).status, 0);
    r = run({"play"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.startsWith("cratewise: MPD cannot play: Failed to open \"card 99\" (alsa)"))
        << r.err.toStdString();
    EXPECT_EQ(r.err.count('\n'), 1);
    r = run({"status"});
    EXPECT_TRUE(r.out.contains("\nerror\tFailed to open \"card 99\" (alsa)"))
        << r.out.toStdString();
    // Pause resumes the paused song, as silent as play.
    r = run({"pause"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.startsWith("cratewise: MPD cannot play: Failed to open \"card 99\" (alsa)"))
        << r.err.toStdString();
}

// MPD names a song of its own music folder relative to that folder; a volume it has no
// mixer for is refused in its own words.
TEST(PlayerCommandLineTest, KnowsSongsOfThePlayersMusicFolderAndSaysWhatItRefuses)
{
    CDocFixture f;
    const QString folder = f.env.Root() + "/music";
    ASSERT_TRUE(CMp3Factory::WriteSong(folder + "/One.mp3", {.seconds = 5.0}));
    AddTestSong(
        f.doc.Set(),
        {.cd = "Live", .title = "One", .artist = "Band", .file = "One.mp3", .path = folder});
    CTestMpd mpd;
    mpd.SetMusicFolder(folder);
    mpd.SetNoMixer();
    ASSERT_TRUE(mpd.Start()) << qPrintable(mpd.Error());
    ASSERT_TRUE(mpd.Update());
    CSettings::SetString(ESetting::PlayerSocket, mpd.Socket());
    const auto run = [&f](QStringList args) {
        args.prepend("player");
        return SCliRun::Run(f.env.DataDir(), args);
    };
    ASSERT_EQ(run({"send", "--session", "Live"}).status, 0);
    ASSERT_EQ(mpd.Queue(), QStringList({"One.mp3"}));
    ASSERT_EQ(run({"play"}).status, 0);
    SCliRun r = run({"status"});
    EXPECT_TRUE(r.out.contains("\nfile\t" + folder + "/One.mp3\ntitle\tOne\nartist\tBand\n"))
        << r.out.toStdString();
    r = run({"volume", "50"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "cratewise: MPD cannot set the volume: No mixer\n");
}

} // namespace
