#include "media/CTagReader.h"
#include "media/CTaggedFile.h"
#include "support/CId3Writer.h"
#include "support/CMp3Factory.h"
#include "support/CTestEnvironment.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QtEndian>
#include <gtest/gtest.h>
#include <sys/stat.h>

using EEncoding = CId3Writer::EEncoding;

namespace {

class TagReaderTest : public ::testing::Test
{
protected:
    // A one-second song with the given tags around it.
    STagFields Read(const QByteArray& front, const QByteArray& back = {}, bool* ok = nullptr)
    {
        const QString path = env.Root() + QStringLiteral("/song%1.mp3").arg(++count);
        CMp3Factory::SStream s;
        s.seconds = 1;
        EXPECT_TRUE(CMp3Factory::WriteSong(path, s, front, back));
        STagFields fields;
        const bool read = CTaggedFile::Read(path, fields);
        if (ok)
            *ok = read;
        return fields;
    }
    static void ExpectEmpty(const STagFields& f)
    {
        EXPECT_TRUE(f.title.isEmpty() && f.artist.isEmpty() && f.album.isEmpty() &&
                    f.genre.isEmpty() && f.year.isEmpty() && f.lyrics.isEmpty() &&
                    f.comment.isEmpty());
    }
    static QByteArray Full(int version, EEncoding encoding, const QString& title,
                           bool extended = false)
    {
        CId3Writer tag(version, encoding);
        if (extended)
            tag.ExtendedHeader().Padding(16);
        return tag.Text("TIT2", title)
            .Text("TPE1", QStringLiteral("Artist"))
            .Text("TALB", QStringLiteral("Album"))
            .Text("TCON", QStringLiteral("(17)"))
            .Text("TYER", QStringLiteral("1999"))
            .Lyrics(QStringLiteral("la la"))
            .Comment(QStringLiteral("nice"))
            .Build();
    }

    CTestEnvironment env;
    int count = 0;
};

TEST_F(TagReaderTest, ReadsEveryFieldOfVersions22And23AndPastAnExtendedHeader)
{
    for (const auto& [version, extended] :
         {std::pair{2, false}, {3, false}, {3, true}, {4, true}}) {
        SCOPED_TRACE(version * 10 + extended);
        bool ok = false;
        const STagFields f =
            Read(Full(version, EEncoding::Latin1, QStringLiteral("Caf\u00e9"), extended), {}, &ok);
        EXPECT_TRUE(ok);
        EXPECT_EQ(f.title, QStringLiteral("Caf\u00e9"));
        EXPECT_EQ(f.artist, QStringLiteral("Artist"));
        EXPECT_EQ(f.album, QStringLiteral("Album"));
        EXPECT_EQ(f.genre, QStringLiteral("(17)"));
        EXPECT_EQ(f.year, QStringLiteral("1999"));
        EXPECT_EQ(f.lyrics, QStringLiteral("la la"));
        EXPECT_EQ(f.comment, QStringLiteral("nice"));
    }
}

TEST_F(TagReaderTest, ReadsUnicodeInEveryEncoding)
{
    const QString title = QStringLiteral("\u041f\u0435\u0441\u043d\u044f \u6771\u4eac \u00e9");
    for (EEncoding e : {EEncoding::Utf16, EEncoding::Utf16BE, EEncoding::Utf8}) {
        const STagFields f = Read(Full(e == EEncoding::Utf16 ? 3 : 4, e, title),
                                  CId3Writer::Id3v1("v1 title", "v1", "", "", "", 3));
        EXPECT_EQ(f.title, title) << int(e);
        EXPECT_EQ(f.artist, QStringLiteral("Artist"));
    }
}

TEST_F(TagReaderTest, Version24TakesYearFromRecordingTimeAndNumbersAsGenres)
{
    const STagFields f = Read(CId3Writer(4, EEncoding::Utf8)
                                  .Text("TIT2", QStringLiteral("T"))
                                  .Text("TDRC", QStringLiteral("2004"))
                                  .Text("TCON", QStringLiteral("17"))
                                  .Build());
    EXPECT_EQ(f.year, QStringLiteral("2004"));
    EXPECT_EQ(f.genre, QStringLiteral("(17)"));
}

TEST_F(TagReaderTest, OlderVersionsKeepTheYearFrameAsWrittenBesideADate)
{
    // The library folds a date and time frame into the year of 2.2 and 2.3 tags.
    for (int version : {2, 3}) {
        const STagFields dated = Read(CId3Writer(version, EEncoding::Latin1)
                                          .Text("TYER", QStringLiteral("1999"))
                                          .Text("TDAT", QStringLiteral("0503"))
                                          .Text("TIME", QStringLiteral("1200"))
                                          .Build());
        EXPECT_EQ(dated.year, QStringLiteral("1999")) << version;
    }
    const STagFields dateOnly = Read(CId3Writer(3, EEncoding::Latin1)
                                         .Text("TYER", QStringLiteral("2001"))
                                         .Text("TDAT", QStringLiteral("3112"))
                                         .Build());
    EXPECT_EQ(dateOnly.year, QStringLiteral("2001"));
    const STagFields freeText =
        Read(CId3Writer(3, EEncoding::Latin1).Text("TYER", QStringLiteral("1999-03-05")).Build());
    EXPECT_EQ(freeText.year, QStringLiteral("1999-03-05"));
    // A 2.4 recording time is the year frame itself and stays whole.
    const STagFields full =
        Read(CId3Writer(4, EEncoding::Utf8).Text("TDRC", QStringLiteral("2004-06-01")).Build());
    EXPECT_EQ(full.year, QStringLiteral("2004-06-01"));
}

TEST_F(TagReaderTest, GenresNamingATableGenreBecomeNumbersOtherTextsAreKept)
{
    auto genre = [this](int version, const QString& text) {
        return Read(CId3Writer(version, EEncoding::Latin1).Text("TCON", text).Build()).genre;
    };
    EXPECT_EQ(genre(3, QStringLiteral("Trip-Hop")), QStringLiteral("(27)"));
    EXPECT_EQ(genre(4, QStringLiteral("rock")), QStringLiteral("(17)"));
    EXPECT_EQ(genre(4, QStringLiteral("Nu Gaze")), QStringLiteral("Nu Gaze"));
    EXPECT_EQ(genre(3, QStringLiteral("(17)Live")), QStringLiteral("(17)Live"));
    // The library drops a number whose refinement is the genre's own name.
    EXPECT_EQ(genre(3, QStringLiteral("(17)Rock")), QStringLiteral("(17)"));
    EXPECT_EQ(genre(3, QStringLiteral("(17)")), QStringLiteral("(17)"));
    EXPECT_EQ(genre(3, QStringLiteral("1999 Hits")), QStringLiteral("1999 Hits"));
}

TEST_F(TagReaderTest, Id3v1AloneAndAsFallback)
{
    const QByteArray v1 =
        CId3Writer::Id3v1("Old Title", "Old Artist", "Old Album", "1987", "old comment", 17, 5);
    const STagFields only = Read({}, v1);
    EXPECT_EQ(only.title, QStringLiteral("Old Title"));
    EXPECT_EQ(only.artist, QStringLiteral("Old Artist"));
    EXPECT_EQ(only.album, QStringLiteral("Old Album"));
    EXPECT_EQ(only.year, QStringLiteral("1987"));
    EXPECT_EQ(only.genre, QStringLiteral("(17)"));
    EXPECT_EQ(only.comment, QStringLiteral("old comment"));
    EXPECT_TRUE(only.lyrics.isEmpty());

    // The ID3v2 frames win; what they lack comes from ID3v1.
    const STagFields both =
        Read(CId3Writer(3, EEncoding::Utf16).Text("TIT2", QStringLiteral("New")).Build(), v1);
    EXPECT_EQ(both.title, QStringLiteral("New"));
    EXPECT_EQ(both.artist, QStringLiteral("Old Artist"));

    const STagFields noGenre = Read({}, CId3Writer::Id3v1("T", "", "", "", "", 255));
    EXPECT_TRUE(noGenre.genre.isEmpty());
}

TEST_F(TagReaderTest, ApeTagAsFallbackAlsoBeforeAnId3v1Tag)
{
    auto item = [](const QByteArray& key, const QByteArray& value) {
        QByteArray out(8, '\0');
        qToLittleEndian<quint32>(quint32(value.size()), out.data());
        return out + key + '\0' + value;
    };
    const QByteArray items = item("Title", "Ape Title") + item("Artist", "Ape \xc3\xa9");
    QByteArray footer = "APETAGEX" + QByteArray(24, '\0');
    qToLittleEndian<quint32>(2000, footer.data() + 8);
    qToLittleEndian<quint32>(quint32(items.size() + 32), footer.data() + 12);
    qToLittleEndian<quint32>(2, footer.data() + 16);
    // Before an ID3v1 tag, the APE tag still wins; ID3v1 fills in what it lacks.
    const QByteArray v1 = CId3Writer::Id3v1("Old Title", "Old Artist", "Old Album", "", "", 0);
    for (const QByteArray& back : {items + footer, items + footer + v1}) {
        const STagFields f = Read({}, back);
        EXPECT_EQ(f.title, QStringLiteral("Ape Title"));
        EXPECT_EQ(f.artist, QStringLiteral("Ape \u00e9"));
        EXPECT_EQ(f.album, back.endsWith(v1) ? QStringLiteral("Old Album") : QString());
    }
}

TEST_F(TagReaderTest, LongLyricsAreCutAndCommentsPreferTheUndescribedOne)
{
    const QString lyrics = QString(6000, u'x');
    const STagFields f = Read(CId3Writer(3, EEncoding::Latin1)
                                  .Lyrics(lyrics)
                                  .Comment(QStringLiteral("0000 1111"), QStringLiteral("iTunNORM"))
                                  .Comment(QStringLiteral("real"))
                                  .Build());
    EXPECT_EQ(f.lyrics.size(), CTagReader::kMaxLyrics);
    EXPECT_EQ(f.comment, QStringLiteral("real"));
    const STagFields described = Read(
        CId3Writer(3, EEncoding::Latin1).Comment(QStringLiteral("c"), QStringLiteral("d")).Build());
    EXPECT_EQ(described.comment, QStringLiteral("c"));
    const STagFields lyricsOnly =
        Read(CId3Writer(3, EEncoding::Utf16).Lyrics(QStringLiteral("only words")).Build());
    EXPECT_EQ(lyricsOnly.lyrics, QStringLiteral("only words"));
    EXPECT_TRUE(lyricsOnly.comment.isEmpty());
}

TEST_F(TagReaderTest, BrokenInputGivesEmptyFields)
{
    STagFields f;
    f.title = QStringLiteral("stale");
    EXPECT_FALSE(CTaggedFile::Read(env.Root() + QStringLiteral("/missing.mp3"), f));
    ExpectEmpty(f);
    const QString empty = env.WriteFile(QStringLiteral("empty.mp3"), {});
    EXPECT_FALSE(CTaggedFile::Read(empty, f));
    ExpectEmpty(f);
    const QString pipe = env.Root() + QStringLiteral("/pipe.mp3");
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    EXPECT_FALSE(CTaggedFile::Read(pipe, f));
    const QString text = env.WriteFile(QStringLiteral("text.mp3"), "just some words\n");
    EXPECT_FALSE(CTaggedFile::Read(text, f));
    ExpectEmpty(f);
    // A header that promises far more than the file holds, and a frame that lies
    // about its size.
    QByteArray truncated =
        CId3Writer(3, EEncoding::Latin1).Text("TIT2", QStringLiteral("x")).Build();
    truncated.replace(6, 4, CId3Writer::Syncsafe(100000000));
    CTaggedFile::Read(env.WriteFile(QStringLiteral("t.mp3"), truncated), f);
    QByteArray lying = CId3Writer(3, EEncoding::Latin1).Text("TIT2", QStringLiteral("abc")).Build();
    lying[14] = char(0x7f);
    CTaggedFile::Read(env.WriteFile(QStringLiteral("l.mp3"), lying), f);
    EXPECT_TRUE(f.title.isEmpty() || f.title.size() < 200);
}

TEST_F(TagReaderTest, ReadsTagsWrittenByAnotherProgram)
{
    const QString mid3v2 = QStandardPaths::findExecutable(QStringLiteral("mid3v2"));
    if (mid3v2.isEmpty())
        GTEST_SKIP() << "mid3v2 is not installed";
    const QString path = env.Root() + QStringLiteral("/other.mp3");
    CMp3Factory::SStream s;
    s.seconds = 2;
    ASSERT_TRUE(CMp3Factory::WriteSong(path, s));
    const QStringList args{QStringLiteral("-t"),
                           QStringLiteral("Zw\u00f6lf \u6771\u4eac"),
                           QStringLiteral("-a"),
                           QStringLiteral("Art"),
                           QStringLiteral("-A"),
                           QStringLiteral("Alb"),
                           QStringLiteral("-g"),
                           QStringLiteral("Ambient"),
                           QStringLiteral("-y"),
                           QStringLiteral("2011"),
                           QStringLiteral("-c"),
                           QStringLiteral("hello"),
                           QStringLiteral("--USLT"),
                           QStringLiteral("words"),
                           path};
    ASSERT_EQ(QProcess::execute(mid3v2, args), 0);
    STagFields f;
    ASSERT_TRUE(CTaggedFile::Read(path, f));
    EXPECT_EQ(f.title, QStringLiteral("Zw\u00f6lf \u6771\u4eac"));
    EXPECT_EQ(f.artist, QStringLiteral("Art"));
    EXPECT_EQ(f.album, QStringLiteral("Alb"));
    EXPECT_EQ(f.genre, QStringLiteral("(26)"));
    EXPECT_EQ(f.year, QStringLiteral("2011"));
    EXPECT_EQ(f.comment, QStringLiteral("hello"));
    EXPECT_EQ(f.lyrics, QStringLiteral("words"));
}

} // namespace
