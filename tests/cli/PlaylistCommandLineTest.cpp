#include "cli/CCommandLine.h"
#include "db/CCdlistSet.h"
#include "platform/CSettings.h"
#include "support/CCliRun.h"
#include "support/CTestEnvironment.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

class PlaylistCommandLineTest : public ::testing::Test
{
protected:
    using SRun = SCliRun;

    PlaylistCommandLineTest()
    {
        db.Open(env.DatabasePath());
        set.Open(db);
    }
    SRun Run(QStringList args) { return SCliRun::Run(env.DataDir(), std::move(args)); }
    void AddSong(const QString& cd, const QString& title, const QString& file,
                 const QString& genre = QString(), const QString& duration = QString())
    {
        set.AddNew();
        set.m_CD = cd;
        set.m_TITLE = title;
        set.m_LIST = title;
        set.m_PATH = QStringLiteral("/music/") + cd;
        set.m_MELODI = file;
        set.m_GENRE = genre;
        set.m_DURATION = duration;
        set.Update();
    }

    CTestEnvironment env;
    CDatabase db;
    CCdlistSet set;
};

TEST_F(PlaylistCommandLineTest, ExportedSessionLoadsBackAsSongRows)
{
    AddSong("O'Brien", "Été", "It's.mp3", "(17)");
    AddSong("o'brien", "Other", "b.mp3");
    AddSong("O'Brien", "Two", "c.mp3");
    const QString file = env.Root() + "/out.m3u";

    SRun r = Run({"export-m3u", file, "--session", "O'Brien"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    QFile written(file);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), "/music/O'Brien/It's.mp3\r\n/music/O'Brien/c.mp3\r\n");
    EXPECT_EQ(CSettings::Int("PlaylistUsed", 0), 2);

    r = Run({"load-m3u", file});
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "1\tÉté\tÉté\t\t\t(17)\t\t\t\t/music/O'Brien\tIt's.mp3\n"
                     "3\tTwo\tTwo\t\t\t\t\t\t\t/music/O'Brien\tc.mp3\n");

    r = Run({"export-m3u", env.Root() + "/s.m3u", "--search", "--title", "été"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    r = Run({"load-m3u", env.Root() + "/s.m3u"});
    EXPECT_TRUE(r.out.startsWith("1\t"));
    EXPECT_EQ(r.out.count(u'\n'), 1);
}

TEST_F(PlaylistCommandLineTest, RandomAndMistakesAnswerAsTheWindowWould)
{
    AddSong("A", "Rock", "r.mp3", "(17)", "100");
    AddSong("A", "Blues", "b.mp3", "(0)", "100");

    SRun r = Run({"random", "--genre", "Rock", "--songs", "4"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.count(QStringLiteral("1\tRock\t")), 4);

    r = Run({"random", "--minutes", "3"});
    EXPECT_EQ(r.out.count(u'\n'), 2); // 200 s is the first total of at least 180 s

    r = Run({"random", "--session", "None", "--songs", "1"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("No songs found for the specified selections"));
    EXPECT_EQ(Run({"random", "--songs", "1901"}).status, 1);
    EXPECT_EQ(Run({"random", "--songs", "1", "--minutes", "1"}).status, 1);
    EXPECT_EQ(Run({"export-m3u", env.Root() + "/x.m3u"}).status, 1);
    r = Run({"export-m3u", env.Root() + "/x.m3u", "--session", "Nobody"});
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(QFile::exists(env.Root() + "/x.m3u"));
    r = Run({"load-m3u", env.Root() + "/missing.m3u"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("missing.m3u"));
}

} // namespace
