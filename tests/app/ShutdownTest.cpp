#include "platform/CSettings.h"
#include "support/gui/CViewFixture.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

using EAnswer = CPrompts::EAnswer;

class ShutdownTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        f.SkipStartQuestions();
        tmp = f.env.MakeDir(QStringLiteral("tmp"));
    }
    void Close()
    {
        f.Start();
        f.prompts.messages.clear();
        f.Frame().close();
    }

    CViewFixture f;
    QString tmp;
};

TEST_F(ShutdownTest, RemovesTemporaryCopiesButNotFoldersOrOtherFiles)
{
    f.env.WriteFile(QStringLiteral("tmp/a.mp3"), "x");
    f.env.WriteFile(QStringLiteral("tmp/B.MP3"), "x");
    f.env.WriteFile(QStringLiteral("tmp/keep.txt"), "x");
    f.env.MakeDir(QStringLiteral("tmp/folder.mp3"));
    f.prompts.answers.enqueue(EAnswer::Yes);
    Close();
    ASSERT_EQ(f.prompts.messages.size(), 1);
    EXPECT_EQ(f.prompts.messages[0].text,
              QStringLiteral(
                  "Do you want do remove temporary files?\nPlease note that playback will stop"));
    EXPECT_EQ(f.prompts.messages[0].caption, QStringLiteral("Comfirm removing temporary files"));
    EXPECT_FALSE(QFile::exists(tmp + QStringLiteral("/a.mp3")));
    EXPECT_FALSE(QFile::exists(tmp + QStringLiteral("/B.MP3")));
    EXPECT_TRUE(QFile::exists(tmp + QStringLiteral("/keep.txt")));
    EXPECT_TRUE(QDir(tmp + QStringLiteral("/folder.mp3")).exists());
    EXPECT_EQ(f.player.calls, QStringList{QStringLiteral("Command 40047")});
}

TEST_F(ShutdownTest, NoKeepsTheCopiesAndThePlayerPlaying)
{
    f.env.WriteFile(QStringLiteral("tmp/a.mp3"), "x");
    Close();
    EXPECT_EQ(f.prompts.messages.size(), 1);
    EXPECT_TRUE(QFile::exists(tmp + QStringLiteral("/a.mp3")));
    EXPECT_TRUE(f.player.calls.isEmpty());
}

TEST_F(ShutdownTest, NothingToRemoveAsksNothingAndClosesThePlayerWhenAsked)
{
    f.env.MakeDir(QStringLiteral("tmp/only-a-folder.mp3"));
    CSettings::SetInt(ESetting::CloseWinamp, 1);
    Close();
    EXPECT_TRUE(f.prompts.messages.isEmpty());
    EXPECT_EQ(f.player.calls, QStringList{QStringLiteral("Close")});
}

} // namespace
