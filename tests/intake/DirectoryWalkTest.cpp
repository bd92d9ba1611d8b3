#include "intake/CDirectoryWalk.h"
#include "platform/CFileNames.h"
#include "platform/CRegularFile.h"
#include "platform/CSettings.h"
#include "support/CNoFileOverride.h"
#include "support/CRecordingProgress.h"
#include "support/CTestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct DirectoryWalkTest : ::testing::Test
{
    CTestEnvironment env;
    QString top;

    void SetUp() override
    {
        top = env.MakeDir("music");
        env.WriteFile("music/a.mp3", "x");
        env.WriteFile("music/B.MP3", "x");
        env.WriteFile("music/cover.jpg", "x");
        env.WriteFile("music/noext", "x");
        env.WriteFile("music/sub/c.mp2", "x");
        env.WriteFile("music/sub/deeper/d.Mp3", "x");
        env.WriteFile("music/it's 100%/e.mp3", "x");
    }

    QSet<QString> Scan(CProgress* progress = nullptr, int* stored = nullptr)
    {
        QSet<QString> seen;
        const int n = CDirectoryWalk().ScanDirectory(
            top, progress, [&](const QString& dir, const QString& name) {
                seen.insert(QDir(top).relativeFilePath(dir + "/" + name));
                return name != "a.mp3";
            });
        if (stored)
            *stored = n;
        return seen;
    }
};

TEST_F(DirectoryWalkTest, FindsRecognisedFilesInAllFoldersWhateverTheCase)
{
    EXPECT_EQ(CDirectoryWalk().CountRecognizedFiles(top), 5);
    int stored = 0;
    const QSet<QString> expected = {"a.mp3", "B.MP3", "sub/c.mp2", "sub/deeper/d.Mp3",
                                    "it's 100%/e.mp3"};
    EXPECT_EQ(Scan(nullptr, &stored), expected);
    EXPECT_EQ(stored, 4); // the sink refused one file
}

TEST_F(DirectoryWalkTest, SubDirZeroKeepsToTheChosenFolderInCountAndScan)
{
    CSettings::SetInt(ESetting::SubDir, 0);
    EXPECT_EQ(CDirectoryWalk().CountRecognizedFiles(top), 2);
    EXPECT_EQ(Scan(), (QSet<QString>{"a.mp3", "B.MP3"}));
}

TEST_F(DirectoryWalkTest, RecognisedTypesComeFromTheSetting)
{
    CSettings::SetString(ESetting::Recognized, "jpg");
    EXPECT_EQ(Scan(), QSet<QString>{"cover.jpg"});
}

TEST_F(DirectoryWalkTest, LinksToFoldersAreNotFollowedLinksToFilesAre)
{
    ASSERT_EQ(symlink("..", QFile::encodeName(top + "/sub/loop").constData()), 0);
    ASSERT_EQ(symlink(QFile::encodeName(top + "/sub").constData(),
                      QFile::encodeName(top + "/sublink").constData()),
              0);
    ASSERT_EQ(symlink("a.mp3", QFile::encodeName(top + "/alias.mp3").constData()), 0);
    ASSERT_EQ(symlink("missing.mp3", QFile::encodeName(top + "/dangling.mp3").constData()), 0);
    EXPECT_EQ(CDirectoryWalk().CountRecognizedFiles(top), 6);
    EXPECT_TRUE(Scan().contains("alias.mp3"));
}

// Names of songs that lead to no file are never opened, but named with the reason.
TEST_F(DirectoryWalkTest, PipesDevicesAndBrokenLinksNamedLikeSongsAreSkippedNotOpened)
{
    ASSERT_EQ(mkfifo(QFile::encodeName(top + "/pipe.mp3").constData(), 0600), 0);
    const std::pair<const char*, const char*> links[] = {
        {"/dev/zero", "zero.mp3"},
        {"gone.mp3", "dangling.mp3"},
        {"loop.mp3", "loop.mp3"},
        {"sub", "folder.mp3"}}; // a link to a folder is left out on purpose, unnamed
    for (const auto& [target, name] : links)
        ASSERT_EQ(symlink(target, QFile::encodeName(top + "/" + name).constData()), 0);
    CDirectoryWalk walk;
    EXPECT_EQ(walk.CountRecognizedFiles(top), 5);
    QStringList skipped;
    for (const CDirectoryWalk::SSkipped& file : walk.SkippedFiles())
        skipped << QDir(top).relativeFilePath(file.path) + ": " + file.reason;
    skipped.sort();
    const QString notRegular = ": " + CRegularFile::NotRegular();
    EXPECT_EQ(skipped.join(u'\n').toStdString(),
              ("dangling.mp3: No such file or directory\nloop.mp3: Too many levels of symbolic "
               "links\npipe.mp3" +
               notRegular + "\nzero.mp3" + notRegular)
                  .toStdString());
    EXPECT_FALSE(Scan().contains("pipe.mp3"));
}

TEST_F(DirectoryWalkTest, UnreadableFolderIsSkippedAndTheWalkGoesOn)
{
    const QString locked = top + "/sub";
    ASSERT_EQ(chmod(QFile::encodeName(locked).constData(), 0), 0);
    const CNoFileOverride asAUser;
    // access() would answer for the real user; opening is what the walk does.
    DIR* probe = opendir(QFile::encodeName(locked).constData());
    const bool stillReadable = probe != nullptr;
    if (probe)
        closedir(probe);
    if (!stillReadable) {
        EXPECT_EQ(CDirectoryWalk().CountRecognizedFiles(top), 3);
        EXPECT_FALSE(Scan().contains("sub/c.mp2"));
    }
    chmod(QFile::encodeName(locked).constData(), 0755);
    if (stillReadable)
        GTEST_SKIP() << "running with rights that read any folder";
}

TEST_F(DirectoryWalkTest, NamesThatAreNotUtf8AreFoundAndKeepTheirBytes)
{
    const QByteArray latin1 = QFile::encodeName(top) + "/caf\xe9.mp3";
    ASSERT_EQ(::close(::open(latin1.constData(), O_CREAT | O_WRONLY, 0600)), 0);
    env.WriteFile("music/café.mp3", "x");
    EXPECT_EQ(CDirectoryWalk().CountRecognizedFiles(top), 7);
    QByteArray seen;
    CDirectoryWalk().ScanDirectory(top, nullptr, [&](const QString& dir, const QString& name) {
        if (name.startsWith("caf") && name != "café.mp3")
            seen = CFileNames::Encode(dir + "/" + name);
        return true;
    });
    EXPECT_EQ(seen, latin1);
    ::unlink(latin1.constData()); // QDir could not remove it
}

TEST_F(DirectoryWalkTest, MissingFolderCountsNothing)
{
    EXPECT_EQ(CDirectoryWalk().CountRecognizedFiles(top + "/nope"), 0);
}

TEST_F(DirectoryWalkTest, CancelStopsTheWholeWalkAfterTheCurrentEntry)
{
    CRecordingProgress atOnce;
    atOnce.cancelled = true;
    EXPECT_TRUE(Scan(&atOnce).isEmpty());

    // Cancel pressed while the second file is taken in.
    CRecordingProgress later;
    int calls = 0;
    CDirectoryWalk().ScanDirectory(top, &later, [&](const QString&, const QString&) {
        later.cancelled = ++calls == 2;
        return true;
    });
    EXPECT_EQ(calls, 2);
}

} // namespace
