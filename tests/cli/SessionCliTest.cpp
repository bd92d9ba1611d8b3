#include "cli/CCommandLine.h"
#include "cli/CConsoleProgress.h"
#include "platform/CSettings.h"
#include "support/CCliRun.h"
#include "support/CMp3Factory.h"
#include "support/CTestEnvironment.h"

#include <QDir>
#include <csignal>
#include <gtest/gtest.h>

namespace {

using SRun = SCliRun;

SRun RunCli(const CTestEnvironment& env, QStringList args)
{
    return SCliRun::Run(env.DataDir(), std::move(args));
}

struct SessionCliTest : ::testing::Test
{
    CTestEnvironment env;
    QString music;

    void SetUp() override
    {
        music = env.MakeDir("music\tfolder");
        ASSERT_TRUE(CMp3Factory::WriteTaggedSong(
            music + "/a.mp3", 2.0, 128, CMp3Factory::EKind::Cbr, "Tïtle", "Artïst", "Album"));
        env.WriteFile("music\tfolder/sub/b.MP3", "not really audio");
    }
};

TEST_F(SessionCliTest, AddSessionThenSongsPrintsEveryColumn)
{
    const SRun add = RunCli(env, {"add-session", "Rock 'n' Roll", music});
    EXPECT_EQ(add.status, 0) << add.err.toStdString();
    EXPECT_EQ(add.out, "Rock 'n' Roll\t2 songs stored\n");

    const SRun songs = RunCli(env, {"songs", "Rock 'n' Roll"});
    EXPECT_EQ(songs.status, 0);
    const QStringList lines = songs.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    // The walk goes in directory order: find the tagged song's line.
    const QStringList first = lines[lines[0].endsWith("a.mp3") ? 0 : 1].split('\t');
    ASSERT_EQ(first.size(), 11);
    EXPECT_TRUE(first[0] == "1" || first[0] == "2");
    EXPECT_EQ(first[9], QString(music).replace(u'\t', "\\x09")); // tabs never split a cell
    EXPECT_EQ(first[2], "Tïtle");
    EXPECT_EQ(first[3], "Artïst");
    EXPECT_EQ(first[7], "128");
    EXPECT_EQ(first[8], "2");
    EXPECT_EQ(first[10], "a.mp3");
    EXPECT_EQ(RunCli(env, {"songs", "rock 'n' roll"}).status, 1); // names are exact
}

// What the operations decided, as exit statuses and lines; the decisions themselves
// are tested without a face.
TEST_F(SessionCliTest, DeleteAndUpdateAskFirstAndReportTheirOutcome)
{
    RunCli(env, {"add-session", "S", music});
    const SRun refused = RunCli(env, {"delete-session", "S"}); // the safe answer
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(
        refused.err.endsWith("cratewise: Nothing was changed (answer the question with --yes).\n"))
        << refused.err.toStdString();

    const SRun update = RunCli(env, {"--yes", "update-session", "S"});
    EXPECT_EQ(update.status, 0) << update.err.toStdString();
    EXPECT_EQ(update.out, "S\t2 songs stored, 2 removed\n");

    QDir(music).removeRecursively();
    const SRun missing = RunCli(env, {"--yes", "update-session", "S"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(missing.err.endsWith("cratewise: No files found; \"S\" was left as it was.\n"))
        << missing.err.toStdString();

    const SRun removed = RunCli(env, {"--yes", "delete-session", "S"});
    EXPECT_EQ(removed.status, 0);
    EXPECT_EQ(removed.out, "S\t2 songs removed\n");
    EXPECT_EQ(RunCli(env, {"songs", "S"}).status, 1);
}

// --yes cannot help when the folder is missing: the message names what is missing.
TEST_F(SessionCliTest, AMissingFolderIsNamedAsTheCause)
{
    const SRun empty = RunCli(env, {"add-session", "X", ""});
    EXPECT_EQ(empty.status, 1);
    EXPECT_EQ(empty.err,
              "cratewise: The folder to scan is empty: give it as add-session NAME DIR.\n");

    // A session made from a playlist records no folder.
    const QString list = env.WriteFile("list.m3u", (music + "/a.mp3").toUtf8());
    ASSERT_EQ(RunCli(env, {"import-m3u", list, "P"}).status, 0);
    const SRun update = RunCli(env, {"--yes", "update-session", "P"});
    EXPECT_EQ(update.status, 1);
    EXPECT_TRUE(update.err.endsWith(
        "cratewise: No folder is recorded for \"P\", and the command line cannot choose one. "
        "Record one by scanning it: delete-session \"P\", then add-session \"P\" DIR.\n"))
        << update.err.toStdString();
    EXPECT_EQ(RunCli(env, {"songs", "P"}).out.count(u'\n'), 1);
}

TEST_F(SessionCliTest, RenameReachesTheSessionAndUnknownSessionsOrArgumentsAreRefused)
{
    RunCli(env, {"add-session", "A", music});
    EXPECT_EQ(RunCli(env, {"rename-session", "A", "B"}).status, 0);
    EXPECT_EQ(RunCli(env, {"songs", "B"}).out.count('\n'), 2);
    const SRun unknown = RunCli(env, {"rename-session", "A", "C"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_TRUE(unknown.err.endsWith("cratewise: No session is named \"A\".\n"))
        << unknown.err.toStdString();
    EXPECT_EQ(RunCli(env, {"rename-session", "B", ""}).status, 1);
    EXPECT_EQ(RunCli(env, {"add-session", "X", music + "/nowhere"}).status, 1);
    EXPECT_EQ(RunCli(env, {"add-session", "X"}).status, 1);
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
    CSettings::SetString("ErrorFile", music + "/a.mp3");
    const SRun first = RunCli(env, {"sessions"});
    EXPECT_TRUE(first.err.contains("critical error when trying to add the file: " + env.Root() +
                                   "/music\\x09folder/a.mp3 Remove it"))
        << first.err.toStdString();
    EXPECT_FALSE(RunCli(env, {"sessions"}).err.contains("critical error"));
}

} // namespace
