#include "editing/EditingFixture.h"
#include "media/CTaggedFile.h"
#include "support/CCliRun.h"
#include "support/CRealFiles.h"

#include <QFile>

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

namespace {

// Every recognised format is taken in by default and edited through the command line: file
// and record take the change (the file read back by mutagen); a file that is not what its
// name says keeps both as they were; audio of other types is counted, not silently dropped.
TEST_F(EditingCommandLineTest, EveryFormatIsTakenInAndEditedAndOtherTypesAreCounted)
{
    const QString music = env.MakeDir(QStringLiteral("mixed"));
    const QStringList kinds = {"flac", "ogg", "opus", "m4a"};
    const EAudioFormat formats[] = {EAudioFormat::Flac, EAudioFormat::OggVorbis, EAudioFormat::Opus,
                                    EAudioFormat::Mp4};
    for (int i = 0; i < kinds.size(); ++i)
        ASSERT_TRUE(CRealFiles::Make(music + "/song." + kinds[i],
                                     {.format = formats[i], .title = kinds[i], .seconds = 1}));
    env.WriteFile(QStringLiteral("mixed/broken.flac"), QByteArray("fLaC") + QByteArray(64, 'x'));
    env.WriteFile(QStringLiteral("mixed/voice.wav"), "RIFF");
    const SCliRun add = Run({"add-session", "Mixed", music});
    ASSERT_EQ(add.status, 0) << add.err.toStdString();
    EXPECT_TRUE(add.err.contains("1 audio file of a type not recognized was passed over (1 wav)"))
        << add.err.toStdString();
    QMap<QString, QString> ids; // file name -> ID
    for (const QString& line : Run({"songs", "Mixed"}).out.split(u'\n', Qt::SkipEmptyParts))
        ids.insert(line.section(u'\t', -1), line.section(u'\t', 0, 0));

    for (const QString& kind : kinds) {
        SCOPED_TRACE(kind.toStdString());
        const QString id = ids.value("song." + kind);
        ASSERT_FALSE(id.isEmpty()) << "taken in by default";
        const SCliRun r =
            Run({"tag", id, "--album", "Nouvel Album", "--track", "9", "--genre", ""});
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        const QMap<QString, QString> tags = CRealFiles::Tags(PathOf(id.toLongLong()));
        EXPECT_EQ(tags.value("album"), QStringLiteral("Nouvel Album"));
        EXPECT_EQ(tags.value("tracknumber").section(u'/', 0, 0), QStringLiteral("9"));
        EXPECT_FALSE(tags.contains("genre"));
        EXPECT_EQ(tags.value("title"), kind) << "what was not given stays";
        EXPECT_EQ(Record(id.toLongLong()).m_ALBUM, QStringLiteral("Nouvel Album"));
        EXPECT_EQ(Record(id.toLongLong()).m_TRACK, QStringLiteral("9"));
    }
    const QString opus = ids.value("song.opus");
    const QString text = env.WriteFile("words.txt", "la la\n");
    ASSERT_EQ(Run({"lyrics", opus, "--set", text}).status, 0);
    STagFields fields;
    ASSERT_TRUE(
        CTaggedFile::ReadAs(PathOf(opus.toLongLong()), EAudioFormat::Opus, &fields, nullptr));
    EXPECT_EQ(fields.lyrics, QStringLiteral("la la\n"));
    const SCliRun renamed = Run({"tag", ids.value("song.m4a"), "--rename"});
    ASSERT_EQ(renamed.status, 0) << renamed.err.toStdString();
    EXPECT_TRUE(QFile::exists(music + "/Artist - m4a.m4a"));

    const QString broken = ids.value("broken.flac");
    ASSERT_FALSE(broken.isEmpty());
    const SCliRun refused = Run({"tag", broken, "--album", "X"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(refused.err.contains("does not hold FLAC audio")) << refused.err.toStdString();
    EXPECT_NE(Record(broken.toLongLong()).m_ALBUM, QStringLiteral("X")) << "nor its record";
}

} // namespace
