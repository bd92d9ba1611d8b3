#include "editing/EditingFixture.h"
#include "support/CCliRun.h"

namespace {

class EditingCommandLineTest : public EditingFixture
{
protected:
    SCliRun Run(QStringList args) { return SCliRun::Run(env.DataDir(), std::move(args)); }
};

TEST_F(EditingCommandLineTest, TagAndLyricsWriteTheFileAndTheRecord)
{
    const qint64 id = AddFile("song", "Old");
    const QString folder = Record(id).m_PATH;
    const QString sid = QString::number(id);

    SCliRun r = Run({"tag", sid, "--artist", "Névé", "--genre", "blues", "--rename"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out,
              sid + "\tsong\tsong\tNévé\tAlbum\t(0)\t1999\t\t\t" + folder + "\tNévé - song.mp3\n")
        << "what is not given stays";
    EXPECT_EQ(FrameText(ProbeTags(folder + "/Névé - song.mp3"), "TPE1"), QStringLiteral("Névé"));

    const QString text = env.WriteFile("lyrics.txt", "eins\nzwei \xc3\xbc\n");
    r = Run({"lyrics", sid, "--set", text});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(FrameText(ProbeTags(folder + "/Névé - song.mp3"), "USLT"),
              QStringLiteral("eins\nzwei ü\n"))
        << "the file's line ends";
    r = Run({"lyrics", sid});
    EXPECT_EQ(r.out, QStringLiteral("eins\nzwei ü\n"));

    QFile::remove(folder + "/Névé - song.mp3");
    r = Run({"tag", sid, "--title", "T"});
    EXPECT_EQ(r.status, 1) << "the file was not written";
    EXPECT_TRUE(r.err.contains("neither it nor its record was changed")) << r.err.toStdString();
    EXPECT_NE(Record(id).m_TITLE, QStringLiteral("T"));
    EXPECT_EQ(Run({"tag", "999", "--title", "T"}).status, 1);
    EXPECT_EQ(Run({"tag", sid, "--year", "20x1"}).status, 1);

    // A song another program numbered beyond 32 bits lists and changes as itself.
    const QString big = QStringLiteral("4611686018427387905");
    CStatement insert(doc.Database(), "INSERT INTO Songs(ID, CD, TITLE, MELODI, PATH) VALUES(" +
                                          big + ", 'Big', 'Big one', 'big.mp3', '/m')");
    insert.Step();
    EXPECT_TRUE(Run({"songs", "Big"}).out.startsWith(big + "\t\tBig one\t")) << "listed";
    EXPECT_EQ(Run({"tag", big, "--artist", "X"}).status, 1) << "there is no file";
    EXPECT_EQ(Record(big.toLongLong()).m_ARTIST, QString()) << "nor its record";
    EXPECT_EQ(Record(id).m_ARTIST, QStringLiteral("Névé")) << "no other song changed";
}

} // namespace
