#include "media/CCoverReader.h"
#include "media/CSongFromFile.h"
#include "media/CTagFile.h"
#include "media/CTaggedFile.h"
#include "support/CAudioFiles.h"
#include "support/CTestEnvironment.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

const EAudioFormat kFormats[] = {EAudioFormat::Flac, EAudioFormat::OggVorbis, EAudioFormat::Opus,
                                 EAudioFormat::Mp4};

CAudioFiles::STags Tags()
{
    CAudioFiles::STags tags{QStringLiteral("Ærø"),      QStringLiteral("Привет"),
                            QStringLiteral("Straße"),   QStringLiteral("Rock"),
                            QStringLiteral("née"),      QStringLiteral("Zeile 1\nСтрока 2"),
                            QStringLiteral("Bach-Werk")};
    tags.year = 2001;
    return tags;
}

// Every format is found by its content and taken in with its own tag and its length,
// reading a few kilobytes of a file many times that size (an MP3's probe alone reads
// 64 KB at a time).
TEST(OtherFormatsTest, TakenInWithTagsAndLengthFromBoundedReads)
{
    CTestEnvironment env;
    const std::unique_ptr<CSongFromFile> maker = CSongFromFile::Create();
    for (const EAudioFormat format : kFormats) {
        const QString name = QStringLiteral("song.") + CAudioFiles::Extension(format);
        SCOPED_TRACE(name.toStdString());
        const QString path = env.Root() + u'/' + name;
        ASSERT_TRUE(CAudioFiles::Write(path, format, 30.0, Tags()));
        EXPECT_EQ(CAudioFormat::Detect(path), format);

        const SSong song = maker->Make(QStringLiteral("S"), env.Root(), name, SSongRules());
        EXPECT_EQ(song.m_TITLE, QStringLiteral("Ærø"));
        EXPECT_EQ(song.m_ARTIST, QStringLiteral("Привет"));
        EXPECT_EQ(song.m_ALBUM, QStringLiteral("Straße"));
        EXPECT_EQ(song.m_GENRE, QStringLiteral("(17)"));
        EXPECT_EQ(song.m_YEAR.left(4), QStringLiteral("2001")); // M4A dates are whole days
        EXPECT_EQ(song.m_COMMENT, QStringLiteral("née"));
        EXPECT_EQ(song.m_LYRICS, QStringLiteral("Zeile 1\nСтрока 2"));
        EXPECT_EQ(song.m_DURATION, QStringLiteral("30"));
        EXPECT_GT(song.m_BITRATE.toInt(), 8);

        qint64 read = 0;
        STagFields fields;
        SStreamFigures stream;
        ASSERT_TRUE(CTaggedFile::ReadAs(path, format, &fields, &stream, &read));
        EXPECT_LT(read, 32 * 1024);
        EXPECT_GT(QFileInfo(path).size(), 3 * read);
    }
}

QByteArray Hash(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly)
               ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
               : QByteArray();
}

// An edit writes the changed fields into the format's own tag and keeps the rest: the
// other fields, a field the program does not know, the length, the file's mode; putting
// back what it found gives the very same file.
TEST(OtherFormatsTest, AnEditChangesOnlyItsFieldsAndCanBeUndone)
{
    CTestEnvironment env;
    for (const EAudioFormat format : kFormats) {
        const QString path = env.Root() + QStringLiteral("/edit.") + CAudioFiles::Extension(format);
        SCOPED_TRACE(path.toStdString());
        ASSERT_TRUE(CAudioFiles::Write(path, format, 3.0, Tags()));
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0640), 0);
        const QByteArray original = Hash(path);

        STagChanges changes;
        changes.title = QStringLiteral("A much longer title than before, to move the audio");
        changes.genre = QStringLiteral("(0)");
        changes.genreNumber = 0;
        changes.comment = QString(); // emptied: the entry goes
        STagBefore before;
        ASSERT_EQ(CTaggedFile::Write(path, changes, &before), QString());

        STagFields fields;
        SStreamFigures stream;
        ASSERT_TRUE(CTaggedFile::ReadAs(path, format, &fields, &stream));
        EXPECT_EQ(fields.title, *changes.title);
        EXPECT_EQ(fields.genre, QStringLiteral("(0)"));
        EXPECT_EQ(fields.comment, QString());
        EXPECT_EQ(fields.artist, QStringLiteral("Привет"));
        EXPECT_EQ(fields.lyrics, QStringLiteral("Zeile 1\nСтрока 2"));
        EXPECT_EQ(stream.duration, QStringLiteral("3"));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_TRUE(file.readAll().contains("Bach-Werk"));
        struct stat st = {};
        ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0640u);

        ASSERT_EQ(CTaggedFile::Restore(path, before), QString());
        EXPECT_EQ(Hash(path), original);
    }
}

// Puts a picture block right after the stream's own block, as tagging programs do.
bool AddFlacPicture(const QString& path, const QByteArray& picture)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    QByteArray bytes = file.readAll();
    constexpr int kAfterStreamInfo = 4 + 4 + 34;
    if (!bytes.startsWith("fLaC") || bytes.size() < kAfterStreamInfo)
        return false;
    const char last = char(bytes[4] & 0x80);
    bytes[4] = char(bytes[4] & 0x7F);
    QByteArray block;
    QDataStream out(&block, QIODevice::WriteOnly); // big-endian, as FLAC is
    out << quint32(3) << quint32(10);
    out.writeRawData("image/jpeg", 10);
    out << quint32(0) << quint32(1) << quint32(1) << quint32(24) << quint32(0)
        << quint32(picture.size());
    out.writeRawData(picture.constData(), int(picture.size()));
    const quint32 size = quint32(block.size());
    const char header[4] = {char(last | 6), char(size >> 16), char(size >> 8), char(size)};
    bytes.insert(kAfterStreamInfo, QByteArray(header, 4) + block);
    return file.seek(0) && file.write(bytes) == bytes.size();
}

// The picture of a FLAC file is its cover, and it stays through an edit of the tag.
TEST(OtherFormatsTest, AFlacPictureIsTheCoverAndOutlivesAnEdit)
{
    CTestEnvironment env;
    const QString path = env.Root() + QStringLiteral("/picture.flac");
    ASSERT_TRUE(CAudioFiles::Write(path, EAudioFormat::Flac, 2.0, Tags()));
    const QByteArray picture = QByteArray("\xFF\xD8 cover bytes ") + QByteArray(5000, 'p');
    ASSERT_TRUE(AddFlacPicture(path, picture));
    EXPECT_EQ(CCoverReader::EmbeddedCover(path), picture);

    STagChanges changes;
    changes.title = QString(300, u't'); // outgrows the padding
    ASSERT_EQ(CTaggedFile::Write(path, changes), QString());
    EXPECT_EQ(CCoverReader::EmbeddedCover(path), picture);
}

// Files a fuzzer built (a FLAC without its stream block; movie atoms sized to the end of
// the file, cut short, with a 64-bit size past their end, or nested so that the tag library
// would not see the edit): each edit is refused and the file left as it was.
TEST(OtherFormatsTest, BrokenFilesAreRefusedAndLeftAsTheyWere)
{
    CTestEnvironment env;
    const std::pair<EAudioFormat, QByteArray> files[] = {
        {EAudioFormat::Flac, QByteArray("fLaC\xbb\0\0\0\x10\xccmooov", 15)},
        {EAudioFormat::Mp4, "AAAAAG1vb3ZBJAAAAAAAWwAAAABBJAAAAAAAAAAAAAAAAABBAAAAAAAAAAAACg=="},
        {EAudioFormat::Mp4,
         "AAAAMm1vb3ZtnFsAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA"
         "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA"
         "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAER2bQ=="},
        {EAudioFormat::Mp4,
         "AAAAAQAAAAAAAAAAAAAAKgAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAgAAAAACG1vb3YyBwAAdHJha3EA"},
        {EAudioFormat::Mp4, "AAAAAQAAAAAAAAAAAAAAKgAAAAEAAAQAAAAAAAAAAAAAAAAAAAAAAAAAAAAACG1vb3YAAA"
                            "AAbW9vdgQA4eFxCg=="},
        {EAudioFormat::Mp4, "AAAAAW1vb3YAAAAAAAAACAAAAAAAAAAqeGlzZQAAAAFvb/BmmpEuAAA="},
        {EAudioFormat::Mp4,
         "AAAAAQAAAAAAAAAAAAAAKgAAAAAAAgAAAAAACv7//wBNAAAAAPMAAIwAAAAAKG1vb3YAAAAIAAAAAAAA"
         "ABhtb292AAAACADhMQcAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAbW8AAAAAAAht"
         "b4JbAAAACG0AAAAAAAAIbW8NAA=="}};
    STagChanges changes;
    changes.title = QString(300, u't');
    for (const auto& [format, given] : files) {
        const QByteArray bytes =
            format == EAudioFormat::Flac ? given : QByteArray::fromBase64(given);
        const QString path = env.WriteFile(QStringLiteral("broken"), bytes);
        EXPECT_FALSE(CTaggedFile::Of(format).Write(path, changes).isEmpty()) << given.toStdString();
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), bytes);
    }
}

} // namespace
