#include "support/CCliRun.h"
#include "support/CDocFixture.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

class PlaylistCommandLineTest : public ::testing::Test
{
protected:
    SCliRun Run(QStringList args) { return SCliRun::Run(f.env.DataDir(), std::move(args)); }
    void AddSong(const QString& cd, const QString& title, const QString& file,
                 const QString& genre = QString(), const QString& duration = QString())
    {
        AddTestSong(f.doc.Set(), {.cd = cd,
                                  .title = title,
                                  .file = file,
                                  .path = "/music/" + cd,
                                  .genre = genre,
                                  .duration = duration});
    }

    CDocFixture f;
};

TEST_F(PlaylistCommandLineTest, ExportedSessionOrSearchLoadsBackAndRandomDraws)
{
    AddSong("O'Brien", "Été", "It's.mp3", "(17)");
    AddSong("o'brien", "Other", "b.mp3");
    AddSong("O'Brien", "Two", "c.mp3");
    const QString file = f.env.Root() + "/out.m3u";

    SCliRun r = Run({"export-m3u", file, "--session", "O'Brien"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.err, "2 songs written to " + file + "\n");
    // Loading it back shows what was written: that session alone, in its order.
    r = Run({"load-m3u", file});
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "1\tÉté\tÉté\t\t\t(17)\t\t\t\t/music/O'Brien\tIt's.mp3\n"
                     "3\tTwo\tTwo\t\t\t\t\t\t\t/music/O'Brien\tc.mp3\n");

    r = Run({"export-m3u", f.env.Root() + "/s.m3u", "--search", "--title", "été"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    r = Run({"load-m3u", f.env.Root() + "/s.m3u"});
    EXPECT_TRUE(r.out.startsWith("1\t"));
    EXPECT_EQ(r.out.count(u'\n'), 1);

    // A genre in any letter case; each song once, and a word when fewer match.
    r = Run({"random", "--genre", "rOCK", "--songs", "4"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.count("1\tÉté\t"), 1);
    EXPECT_EQ(r.err, "cratewise: Only 1 song matches the selections, fewer than the 4 asked for: "
                     "it was added once.\n")
        << r.err.toStdString();
}

// Answers given in advance cannot insert a disc: the question must not come back forever.
TEST_F(PlaylistCommandLineTest, ImportWithYesGivesUpOnAMissingFileAndNamesIt)
{
    const QString here = f.env.WriteFile("music/here.mp3", "not really audio");
    const QString gone = f.env.Root() + "/music/gone 'x'.mp3";
    const QString list = f.env.WriteFile("list.m3u", (gone + "\r\n" + here + "\r\n").toUtf8());

    SCliRun r = Run({"--yes", "import-m3u", list, "Mixed"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.err.count("Insert the disc \"Mixed\" in any drive. [yes]"), 1)
        << r.err.toStdString();
    EXPECT_TRUE(r.err.endsWith("cratewise: skipped, not found in any drive: " + gone +
                               "\n1 song added to session Mixed\n"))
        << r.err.toStdString();

    const QString none = f.env.WriteFile("none.m3u", gone.toUtf8());
    r = Run({"--yes", "import-m3u", none, "Empty"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.endsWith("cratewise: None of the playlist's files was found; nothing was "
                               "added.\n"))
        << r.err.toStdString();
}

TEST_F(PlaylistCommandLineTest, MistakesEndWithStatusOneAndAMessage)
{
    SCliRun r = Run({"random", "--songs", "1"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("The database is empty!"));

    AddSong("A", "Rock", "r.mp3", "(17)", "100");
    r = Run({"random", "--session", "None", "--songs", "1"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("No songs found for the specified selections"));
    EXPECT_EQ(Run({"random", "--songs", "1901"}).status, 1);
    EXPECT_EQ(Run({"random", "--songs", "1", "--minutes", "1"}).status, 1);
    EXPECT_EQ(Run({"export-m3u", f.env.Root() + "/x.m3u"}).status, 1);
    EXPECT_EQ(Run({"export-m3u", f.env.Root() + "/x.m3u", "--session", "Nobody"}).status, 1);
    EXPECT_FALSE(QFile::exists(f.env.Root() + "/x.m3u"));
    r = Run({"load-m3u", f.env.Root() + "/missing.m3u"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("missing.m3u"));
    r = Run({"import-m3u", f.env.Root() + "/missing.m3u", ""});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("Please enter a session name."));
}

} // namespace
