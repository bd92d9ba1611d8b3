#include "db/CCdlistSet.h"
#include "platform/CSettings.h"
#include "playback/CMpdRemote.h"
#include "playback/CWinampOperations.h"
#include "support/CDocFixture.h"
#include "support/CMp3Factory.h"
#include "support/CTestMpd.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QThread>
#include <gtest/gtest.h>

namespace {

using EUpdate = CWinampOperations::EUpdate;

QByteArray Contents(const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << qPrintable(path);
    return file.readAll();
}

// The playlist's songs are real files; the player is a real MPD of the test's own.
class WinampOperationsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(mpd.Start()) << qPrintable(mpd.Error());
        CSettings::SetString(ESetting::PlayerSocket, mpd.Socket());
        CSettings::SetString(ESetting::Winamp, QStringLiteral("/usr/bin/mpd"));
        f.services.winamp = &remote;
        fixed = f.volumes.AddDrive(SVolume::EType::Fixed);
    }
    // A song file on a drive, catalogued in a session and put into the playlist.
    qint64 AddSong(const QString& session, const QString& drive, const QString& name,
                   double seconds = 4.0)
    {
        const QString path = drive + QStringLiteral("/") + session + QStringLiteral("/") + name;
        EXPECT_TRUE(CMp3Factory::WriteSong(path, {.seconds = seconds}));
        const qint64 id = f.AddSong(session, name, QFileInfo(path).path(), name);
        f.doc.Playlist().Append(name, id);
        f.doc.AdjustSongCount(1);
        return id;
    }
    QString PathOf(qint64 id) { return f.doc.Set().FindSongById(id).value_or(SSong()).FilePath(); }
    EUpdate Update() { return Operations().UpdateWinamp(); }
    CWinampOperations Operations()
    {
        CWinampOperations operations(f.doc, f.services, sent);
        operations.SetQuestionInterval(300);
        return operations;
    }
    qint64 Uses(qint64 id) { return f.doc.Set().FindSongById(id).value_or(SSong()).m_USE; }

    CDocFixture f;
    CTestMpd mpd;
    CMpdRemote remote{f.env.DataDir()};
    SSentList sent;
    QString fixed;
};

TEST_F(WinampOperationsTest, DirectModeSendsSessionBySessionAndRecordsTheSlots)
{
    const qint64 a1 = AddSong("A", fixed, "a1.mp3");
    const qint64 b1 = AddSong("B", fixed, "b1.mp3");
    const qint64 a2 = AddSong("A", fixed, "a2.mp3");
    CSettings::SetInt(ESetting::Temp, 1); // one drive type only: nothing to copy
    f.doc.Playlist().SetChanged(true);

    EXPECT_EQ(Update(), EUpdate::Sent);
    EXPECT_EQ(mpd.Queue(), QStringList({PathOf(a1), PathOf(a2), PathOf(b1)}));
    EXPECT_EQ(sent.ids, QList<qint64>({a1, a2, b1}));
    EXPECT_TRUE(sent.sent);
    EXPECT_FALSE(f.doc.Playlist().Changed()); // Update Winamp is disabled
    EXPECT_EQ(mpd.StatusValue("state"), "stop");
    EXPECT_TRUE(f.prompts.messages.isEmpty());

    // Enque appends the whole playlist again; Autoplay starts it.
    CSettings::SetInt(ESetting::Enque, 1);
    CSettings::SetInt(ESetting::Autoplay, 1);
    EXPECT_EQ(Update(), EUpdate::Sent);
    EXPECT_EQ(mpd.Queue().size(), 6);
    EXPECT_EQ(sent.ids, QList<qint64>({a1, a2, b1, a1, a2, b1}));
    EXPECT_EQ(mpd.StatusValue("state"), "play");

    // Without Enque the list is replaced; a file the player cannot read takes no slot.
    CSettings::SetInt(ESetting::Enque, 0);
    QFile::remove(PathOf(a2));
    QDir().mkpath(PathOf(a2)); // there, but no song
    EXPECT_EQ(Update(), EUpdate::Sent);
    EXPECT_EQ(sent.ids, QList<qint64>({a1, b1}));
    EXPECT_EQ(mpd.Queue(), QStringList({PathOf(a1), PathOf(b1)}));
}

TEST_F(WinampOperationsTest, CopyingModeCopiesDiscFilesIntoTheTemporaryFolder)
{
    const QString cd = f.volumes.AddDrive(SVolume::EType::CdRom, 0x1234);
    const qint64 onDisc = AddSong("Disc", cd, "track.mp3");
    const qint64 sameName = AddSong("Disc2", cd, "track.mp3", 2.0);
    const qint64 onDisk = AddSong("Disk", fixed, "local.mp3");
    CSettings::SetInt(ESetting::Temp, 1);
    const QString temp = f.services.tempDir;
    // A copy of the same length from an earlier run is used as it is.
    QByteArray stale = Contents(PathOf(onDisc));
    stale.back() = 'x';
    ASSERT_EQ(f.env.WriteFile("tmp/track.mp3", stale), temp + "/track.mp3");

    EXPECT_EQ(Update(), EUpdate::Sent);
    const QString second = temp + "/track (2).mp3";
    EXPECT_EQ(mpd.Queue(), QStringList({temp + "/track.mp3", second, PathOf(onDisk)}));
    EXPECT_EQ(sent.ids, QList<qint64>({onDisc, sameName, onDisk}));
    EXPECT_EQ(Contents(temp + "/track.mp3"), stale);
    EXPECT_EQ(Contents(second), Contents(PathOf(sameName)));

    // A copy that fails ends the sending there, once reported, with what went before kept.
    QFile::remove(second);
    ASSERT_TRUE(QDir().mkpath(second)); // the target cannot be written
    EXPECT_EQ(Update(), EUpdate::CopyFailed);
    ASSERT_EQ(f.prompts.messages.size(), 1);
    EXPECT_TRUE(f.prompts.messages[0].text.contains(PathOf(sameName)));
    EXPECT_EQ(f.prompts.messages[0].caption, "Update MPD");
    EXPECT_EQ(sent.ids, QList<qint64>({onDisc}));
    EXPECT_EQ(mpd.Queue(), QStringList({temp + "/track.mp3"}));
}

TEST_F(WinampOperationsTest, APlayingPlayerHasEachStartedSongCountedOnce)
{
    // On a busy machine the player may answer a status later than the window waits, and is
    // then left alone for seconds: this test is about counting, so it waits longer, and its
    // songs last long enough for a poll to see each.
    CMpdRemote::STimeouts patient;
    patient.queryMs = 5000;
    remote.SetTimeouts(patient);
    const qint64 a = AddSong("A", fixed, "a.mp3", 2.0);
    const qint64 b = AddSong("A", fixed, "b.mp3", 2.0);
    f.doc.Playlist().Append("a again", a);
    CSettings::SetInt(ESetting::Autoplay, 1);
    ASSERT_EQ(Update(), EUpdate::Sent);
    QStringList titles;
    // Until the player says it stopped (a status that does not come in time is no stop).
    for (int i = 0; i < 100 && mpd.StatusValue("state") != "stop"; ++i) {
        const SPollResult poll = Operations().Poll(-1);
        if (poll.songStarted)
            titles << poll.title;
        QThread::msleep(100);
    }
    EXPECT_EQ(titles, QStringList({"a.mp3", "b.mp3", "a.mp3"}));
    EXPECT_EQ(Uses(a), 2);
    EXPECT_EQ(Uses(b), 1);
    EXPECT_EQ(CSettings::Int(ESetting::TimesUsed), 3);
}

TEST_F(WinampOperationsTest, PlayGoesToTheSelectedEntryOrPlaysTheList)
{
    const qint64 a = AddSong("A", fixed, "a.mp3");
    AddSong("A", fixed, "b.mp3");
    ASSERT_EQ(Update(), EUpdate::Sent);
    Operations().Play(1);
    QThread::msleep(200);
    EXPECT_EQ(mpd.StatusValue("state"), "play");
    EXPECT_EQ(mpd.StatusValue("song"), "1");
    remote.Command(CWinampRemote::Stop);
    Operations().Play(-1);
    QThread::msleep(200);
    EXPECT_EQ(mpd.StatusValue("state"), "play");

    // Choosing an entry while the player plays jumps to it at the next poll.
    f.doc.Playlist().SetSelectionFlag(true);
    Operations().Poll(0);
    QThread::msleep(200);
    EXPECT_EQ(mpd.StatusValue("song"), "0");
    EXPECT_FALSE(f.doc.Playlist().SelectionFlag());
    // A song never sent plays the position after the sent ones.
    f.doc.Playlist().Append("new", a + 100);
    EXPECT_EQ(Operations().PositionOf(a + 100), 2);
}

TEST_F(WinampOperationsTest, APlayerThatNeverAnswersIsWaitedForUntilTheUserGivesUp)
{
    AddSong("A", fixed, "a.mp3");
    mpd.Kill();
    CSettings::SetString(ESetting::Winamp, QStringLiteral("/bin/true"));
    f.doc.Playlist().SetChanged(true);
    f.prompts.answers << CPrompts::EAnswer::Yes << CPrompts::EAnswer::No;
    EXPECT_EQ(Update(), EUpdate::NotStarted);
    ASSERT_EQ(f.prompts.messages.size(), 2);
    EXPECT_EQ(f.prompts.messages[0].caption, "Waiting for MPD...");
    EXPECT_TRUE(f.prompts.messages[0].text.startsWith(
        "Cratewise has been waiting a long time for MPD to start.\n"));
    EXPECT_FALSE(sent.sent);
    EXPECT_FALSE(f.doc.Playlist().Changed());
    // Play and the poll with no player do nothing and say so to nobody.
    Operations().Play(0);
    EXPECT_TRUE(Operations().Poll(0).enableUpdate);
}

TEST(WinampRefusalsTest, MessagesBeforeAnythingIsSent)
{
    CDocFixture f;
    SSentList sent;
    CWinampOperations operations(f.doc, f.services, sent);
    f.volumes.Mount("/", SVolume::EType::Fixed, 7);
    CSettings::WriteInt(CSettings::kCdrecord, "A", 7);
    EXPECT_EQ(operations.UpdateWinamp(), EUpdate::Refused);
    const qint64 id = f.AddSong("A", "a");
    f.doc.Playlist().Append("a", id);
    EXPECT_EQ(operations.UpdateWinamp(), EUpdate::Refused);
    f.doc.SetSongCount(1);
    const QByteArray path = qgetenv("PATH");
    const auto restore = qScopeGuard([&path] { qputenv("PATH", path); });
    qputenv("PATH", f.env.MakeDir("bin").toUtf8()); // no MPD to fall back on
    EXPECT_EQ(operations.UpdateWinamp(), EUpdate::PathUnset);
    ASSERT_EQ(f.prompts.messages.size(), 3);
    EXPECT_EQ(f.prompts.messages[0].text, "You have not selected any songs!");
    EXPECT_EQ(f.prompts.messages[1].caption, "Database empty");
    EXPECT_EQ(f.prompts.messages[2].text, "You must specify the path to MPD, the external player.");
    EXPECT_EQ(f.prompts.messages[2].caption, "Invalid Path...");
    EXPECT_TRUE(f.player.calls.isEmpty());

    // Without a path an MPD on the PATH is started, and one that answers is used as it is.
    const QString mpd = f.env.WriteFile("bin/mpd", "#!/bin/sh\n");
    QFile::setPermissions(mpd, QFile::ReadOwner | QFile::ExeOwner);
    EXPECT_EQ(operations.UpdateWinamp(), EUpdate::Sent);
    EXPECT_EQ(f.player.calls.value(0), "Start " + mpd + " 0");
    f.player.calls.clear();
    EXPECT_EQ(operations.UpdateWinamp(), EUpdate::Sent);
    EXPECT_FALSE(f.player.calls.join(' ').contains("Start"));
    EXPECT_EQ(f.prompts.messages.size(), 3);

    // What the player could not do is told once.
    f.player.error = "Failed to open audio output";
    EXPECT_EQ(operations.Poll(-1).playerError, "Failed to open audio output");
    EXPECT_EQ(operations.Poll(-1).playerError, "");

    // The limits: what was gathered is still sent, after the message.
    CSettings::SetString(ESetting::Winamp, QStringLiteral("/usr/bin/mpd"));
    f.player.running = true;
    for (int i = 0; i < 2500; ++i)
        f.doc.Playlist().Append("x", id);
    EXPECT_EQ(operations.UpdateWinamp(), EUpdate::Sent);
    EXPECT_EQ(f.prompts.messages.last().text,
              "The Playlist Can Contain Maximum\n2500 Songs From One Session");
    EXPECT_EQ(sent.ids.size(), 2500);
}

} // namespace
