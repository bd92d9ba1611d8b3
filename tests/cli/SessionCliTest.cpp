#include "cli/CCommandLine.h"
#include "cli/CConsoleProgress.h"
#include "platform/CSettings.h"
#include "support/CCliRun.h"
#include "support/CMp3Factory.h"
#include "support/CNoFileOverride.h"
#include "support/CTestEnvironment.h"

#include <QDir>
#include <QFile>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

class SessionCliTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        music = env.MakeDir("music\tfolder");
        ASSERT_TRUE(CMp3Factory::WriteTaggedSong(
            music + "/a.mp3", 2.0, 128, CMp3Factory::EKind::Cbr, "Tïtle", "Artïst", "Album"));
        env.WriteFile("music\tfolder/sub/b.MP3", "not really audio");
    }
    SCliRun Run(QStringList args) { return SCliRun::Run(env.DataDir(), std::move(args)); }

    CTestEnvironment env;
    QString music;
};

TEST_F(SessionCliTest, AddSessionThenSongsPrintsEveryColumn)
{
    const SCliRun add = Run({"add-session", "Rock 'n' Roll", music});
    EXPECT_EQ(add.status, 0) << add.err.toStdString();
    EXPECT_EQ(add.out, "Rock 'n' Roll\t2 songs stored\n");

    const SCliRun songs = Run({"songs", "Rock 'n' Roll"});
    EXPECT_EQ(songs.status, 0);
    const QStringList lines = songs.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    // The walk goes in directory order: find the tagged song's line.
    const QStringList first = lines[lines[0].endsWith("a.mp3") ? 0 : 1].split('\t');
    ASSERT_EQ(first.size(), 11);
    EXPECT_TRUE(first[0] == "1" || first[0] == "2");
    EXPECT_EQ(first[9], QString(music).replace(u'\t', "\\x09")); // tabs never split a cell
    EXPECT_EQ((QStringList{first[2], first[3], first[7], first[8], first[10]}),
              (QStringList{"Tïtle", "Artïst", "128", "2", "a.mp3"}));
    EXPECT_EQ(Run({"songs", "rock 'n' roll"}).status, 1); // names are exact
}

// What the operations decided, as exit statuses and lines; the decisions themselves
// are tested without a face.
TEST_F(SessionCliTest, RenameDeleteAndUpdateAskFirstAndReportTheirOutcome)
{
    Run({"add-session", "A", music});
    const QString other = env.MakeDir("other");
    ASSERT_TRUE(CMp3Factory::WriteSong(other + "/c.mp3", {.seconds = 1.0}));
    Run({"add-session", "B", other});
    EXPECT_EQ(Run({"rename-session", "B", "A"}).status, 1) << "a merge needs --yes";
    EXPECT_EQ(Run({"--yes", "rename-session", "B", "A"}).status, 0);
    EXPECT_EQ(Run({"rename-session", "A", "S"}).status, 0);
    const SCliRun unknown = Run({"rename-session", "A", "C"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_TRUE(unknown.err.endsWith("cratewise: No session is named \"A\".\n"))
        << unknown.err.toStdString();
    EXPECT_EQ(Run({"rename-session", "S", ""}).status, 1);
    EXPECT_EQ(Run({"add-session", "X", music + "/nowhere"}).status, 1);
    EXPECT_EQ(Run({"add-session", "X"}).status, 1);

    const SCliRun refused = Run({"delete-session", "S"}); // the safe answer
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(
        refused.err.endsWith("cratewise: Nothing was changed (answer the question with --yes).\n"))
        << refused.err.toStdString();

    const SCliRun update = Run({"--yes", "update-session", "S"});
    EXPECT_EQ(update.status, 0) << update.err.toStdString();
    EXPECT_EQ(update.out, "S\t3 songs stored\n") << "the merged session's folders, its songs kept";

    QDir(music).removeRecursively();
    QDir(other).removeRecursively();
    const SCliRun missing = Run({"--yes", "update-session", "S"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(missing.err.endsWith("cratewise: No files found; \"S\" was left as it was.\n"))
        << missing.err.toStdString();

    const SCliRun removed = Run({"--yes", "delete-session", "S"});
    EXPECT_EQ(removed.status, 0);
    EXPECT_EQ(removed.out, "S\t3 songs removed\n");
}

// --yes cannot help when the folder is missing: the message names what is missing.
TEST_F(SessionCliTest, AMissingFolderIsNamedAsTheCause)
{
    const SCliRun empty = Run({"add-session", "X", ""});
    EXPECT_EQ(empty.status, 1);
    EXPECT_EQ(empty.err,
              "cratewise: The folder to scan is empty: give it as add-session NAME DIR.\n");

    // A session made from a playlist records no folder.
    const QString list = env.WriteFile("list.m3u", (music + "/a.mp3").toUtf8());
    ASSERT_EQ(Run({"import-m3u", list, "P"}).status, 0);
    const SCliRun update = Run({"--yes", "update-session", "P"});
    EXPECT_EQ(update.status, 1);
    EXPECT_TRUE(update.err.endsWith(
        "cratewise: No folder is recorded for \"P\", and the command line cannot choose one. "
        "Record one by scanning it: delete-session \"P\", then add-session \"P\" DIR.\n"))
        << update.err.toStdString();
}

TEST(ConsoleProgress, InterruptCancelsInsteadOfEndingTheProcess)
{
    static volatile std::sig_atomic_t previousCalled = 0;
    struct sigaction mine
    {};
    mine.sa_handler = [](int) { previousCalled = 1; };
    sigaction(SIGINT, &mine, nullptr);
    {
        CConsoleProgress progress("Getting mp3 info");
        progress.SetRange(0, 10, 1);
        EXPECT_FALSE(progress.Pump(true));
        std::raise(SIGINT);
        EXPECT_TRUE(progress.IsCancelled());
        EXPECT_TRUE(progress.Pump(true));
        EXPECT_EQ(previousCalled, 0);
    }
    std::raise(SIGINT); // the handler from before is back
    EXPECT_EQ(previousCalled, 1);
    signal(SIGINT, SIG_DFL);
    {
        // A polite kill ends the job the same way.
        CConsoleProgress progress("Getting mp3 info");
        std::raise(SIGTERM);
        EXPECT_TRUE(progress.IsCancelled());
    }
}

// The command line names the file that was being read when the program died, once.
TEST_F(SessionCliTest, TheFileReadWhenTheProgramDiedIsNamedOnce)
{
    CSettings::SetString(ESetting::ErrorFile, music + "/a\n.mp3"); // not "a .mp3"
    const SCliRun first = Run({"config", "Case"});
    EXPECT_TRUE(first.err.contains("critical error when trying to add the file: " + env.Root() +
                                   "/music\\x09folder/a\\x0a.mp3 Remove it"))
        << first.err.toStdString();
    EXPECT_FALSE(Run({"config", "Case"}).err.contains("critical error"));
}

// A crash marker planted as a link to a file of the user's is never written through: the
// scan stores its songs and names the refusal, and the file is as it was. So is a pipe.
TEST_F(SessionCliTest, AMarkerThatIsALinkIsRefusedAndTheScanGoesOn)
{
    const QString precious = env.WriteFile("letter.txt", "Dear friend,");
    const QString marker = env.SettingsFile() + ".ErrorFile";
    ASSERT_TRUE(QFile::link(precious, marker));
    const SCliRun add = Run({"add-session", "A", music});
    EXPECT_TRUE(add.out.startsWith("A\t2 songs stored")) << add.out.toStdString();
    EXPECT_TRUE(add.err.contains("is not a regular file of your own")) << add.err.toStdString();
    QFile letter(precious);
    ASSERT_TRUE(letter.open(QIODevice::ReadOnly));
    EXPECT_EQ(letter.readAll(), "Dear friend,");
    ASSERT_TRUE(QFile::remove(marker));
    ASSERT_EQ(::mkfifo(QFile::encodeName(marker).constData(), 0600), 0);
    const SCliRun pipe = Run({"add-session", "B", music});
    EXPECT_TRUE(pipe.out.startsWith("B\t2 songs stored")) << pipe.out.toStdString();
    EXPECT_TRUE(pipe.err.contains("is not a regular file of your own")) << pipe.err.toStdString();
}

// A folder that cannot be read is named and counted: its songs are not in the session.
TEST_F(SessionCliTest, AnUnreadableFolderIsNamedAndCounted)
{
    const QByteArray sub = QFile::encodeName(music + "/sub");
    ASSERT_EQ(::chmod(sub.constData(), 0), 0);
    SCliRun add;
    {
        const CNoFileOverride asAUser;
        add = Run({"add-session", "A", music});
    }
    ::chmod(sub.constData(), 0755);
    EXPECT_EQ(add.out, "A\t1 song stored, 1 folder not read\n") << add.err.toStdString();
    EXPECT_TRUE(add.err.contains("skipped folder: " + QString(music).replace(u'\t', "\\x09")))
        << add.err.toStdString();
}

} // namespace
