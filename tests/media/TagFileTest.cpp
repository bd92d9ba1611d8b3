#include "editing/TagProbe.h"
#include "media/CTagFile.h"
#include "media/CTagReader.h"
#include "media/CTaggedFile.h"
#include "support/CId3Writer.h"
#include "support/CMp3Factory.h"

#include <QCryptographicHash>
#include <QDir>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using CMp3Factory::EKind;

CTagFile::SChanges AllFields()
{
    CTagFile::SChanges c;
    c.title = QStringLiteral("Ærø");
    c.artist = QStringLiteral("Привет");
    c.album = QStringLiteral("Straße");
    c.year = QStringLiteral("2001");
    c.genre = QStringLiteral("(125)"); // the last genre ID3v1 knows
    c.genreNumber = 125;
    c.comment = QStringLiteral("née");
    c.lyrics = QStringLiteral("Zeile 1\r\nСтрока 2");
    return c;
}

// A minimal APEv2 tag (footer only) with one item.
QByteArray ApeTag()
{
    const QByteArray item = QByteArray("\x05\0\0\0\0\0\0\0Title\0Hello", 19);
    QByteArray footer("APETAGEX");
    const auto le = [](quint32 v) {
        QByteArray b(4, '\0');
        for (int i = 0; i < 4; ++i)
            b[i] = char((v >> (8 * i)) & 0xff);
        return b;
    };
    footer += le(2000) + le(quint32(item.size() + 32)) + le(1) + le(0) + QByteArray(8, '\0');
    return item + footer;
}

CId3Writer V23()
{
    return CId3Writer(3, CId3Writer::EEncoding::Latin1);
}

QStringList Entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

class TagFileTest : public ::testing::Test
{
protected:
    QString Song(const QString& name, const QByteArray& front, const QByteArray& back,
                 double seconds = 2)
    {
        CMp3Factory::SStream s;
        s.seconds = seconds;
        const QString path = dir.path() + u'/' + name;
        EXPECT_TRUE(CMp3Factory::WriteSong(path, s, front, back));
        return path;
    }
    QTemporaryDir dir;
};

TEST_F(TagFileTest, EveryKindOfTagTakesTheFramesInItsOwnVersionAndEncoding)
{
    const QByteArray v1 = CId3Writer::Id3v1("old", "old", "old", "1999", "", 0, 1);
    struct SCase
    {
        const char* name;
        QByteArray front, back;
        int version;
        int latin1, other; // encodings of Latin-1 text and of other text
        const char* year;
    };
    const QList<SCase> cases = {
        {"v23.mp3", V23().Text("TIT2", "old").Text("TDRC", "1999").Padding(64).Build(), v1, 3, 0, 1,
         "TYER"},
        {"v24.mp3",
         CId3Writer(4, CId3Writer::EEncoding::Utf16)
             .Text("TPE1", "old")
             .Comment("keep", "player")
             .Build(),
         QByteArray(), 4, 3, 3, "TDRC"},
        {"v1only.mp3", QByteArray(), v1, 4, 3, 3, "TDRC"},
        {"ape.mp3", V23().Text("TIT2", "old").Build(), ApeTag() + v1, 3, 0, 1, "TYER"},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = Song(QString::fromLatin1(c.name), c.front, c.back);
        const QByteArray audio = AudioOf(FileBytes(path));
        // A mode the copy would not get by itself: a media server may read the song.
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0604), 0);
        ASSERT_EQ(CTagFile::Write(path, AllFields()), QString());
        struct stat st = {};
        ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0604u);

        EXPECT_EQ(AudioOf(FileBytes(path)), audio) << "audio (and APE tag) byte for byte";
        const QJsonObject tags = ProbeTags(path);
        EXPECT_EQ(tags.value("version").toInt(), c.version);
        const QStringList written = {
            "Ærø", "Привет", "Straße", "2001", "(125)", "née", "Zeile 1\r\nСтрока 2"};
        EXPECT_EQ(FrameTexts(tags, {"TIT2", "TPE1", "TALB", c.year, "TCON"}), written.mid(0, 5));
        EXPECT_TRUE(Comments(tags).contains(QStringLiteral("=née")));
        EXPECT_EQ(FrameText(tags, "USLT"), written[6]);
        EXPECT_EQ((QList<int>{FrameEncoding(tags, "TIT2"), FrameEncoding(tags, "TPE1"),
                              FrameEncoding(tags, "USLT")}),
                  (QList<int>{c.latin1, c.other, c.other}));
        // What the next Update Session reads.
        STagFields read;
        ASSERT_TRUE(CTaggedFile::Read(path, read));
        EXPECT_EQ((QStringList{read.title, read.artist, read.album, read.year, read.genre,
                               read.comment, read.lyrics}),
                  written);
        if (c.back.isEmpty()) {
            EXPECT_FALSE(tags.contains("v1")) << "no ID3v1 tag is added";
        } else {
            EXPECT_EQ(tags.value("v1").toString(), QStringLiteral("Ærø")) << "ID3v1 refreshed";
            EXPECT_EQ(tags.value("v1genre").toInt(), 125);
            EXPECT_EQ(tags.value("v1track").toInt(), 1) << "the comment leaves the track";
            EXPECT_EQ(tags.value("v1year").toString(), QStringLiteral("2001"));
        }
    }
    // A year frame of the other version is kept in step.
    EXPECT_EQ(FrameText(ProbeTags(dir.path() + "/v23.mp3"), "TDRC"), QStringLiteral("2001"));
    // A described comment (a player's data) is left alone; the plain one is added.
    EXPECT_EQ(Comments(ProbeTags(dir.path() + "/v24.mp3")),
              (QStringList{"player=keep", QStringLiteral("=née")}));
}

// The tag library reads no frame behind one without a body: a title written there would be
// reported as written and never read.
TEST_F(TagFileTest, ATitleIsNeverWrittenBehindAFrameWithoutABody)
{
    const QString path = Song("empty.mp3", V23().Raw("TSSE", {}).Text("TALB", "Album").Build(), {});
    CTagFile::SChanges changes;
    changes.title = QStringLiteral("New");
    ASSERT_EQ(CTagFile::Write(path, changes), QString());
    STagFields fields;
    ASSERT_TRUE(CTaggedFile::Read(path, fields));
    EXPECT_EQ(fields.title, QStringLiteral("New"));
}

TEST_F(TagFileTest, ReadOnlyAndMissingFilesAreLeftAsTheyAre)
{
    const QString path = Song("ro.mp3", V23().Build(), {});
    const QByteArray before = FileBytes(path);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
    EXPECT_FALSE(CTagFile::Write(path, AllFields()).isEmpty());
    EXPECT_EQ(FileBytes(path), before);
    EXPECT_EQ(Entries(dir.path()), QStringList{"ro.mp3"});
    EXPECT_FALSE(CTagFile::Write(dir.path() + "/gone.mp3", AllFields()).isEmpty());
}

TEST_F(TagFileTest, AFullDiskLeavesTheSongWholeAndATagThatFitsIsStillWritten)
{
    const QString mount = dir.path() + "/small";
    QDir().mkpath(mount);
    if (::mount("tmpfs", QFile::encodeName(mount).constData(), "tmpfs", 0, "size=256k") != 0)
        GTEST_SKIP() << "a small file system cannot be mounted here: " << std::strerror(errno);
    const auto unmount =
        qScopeGuard([&] { ::umount2(QFile::encodeName(mount).constData(), MNT_DETACH); });
    CMp3Factory::SStream s;
    s.seconds = 6; // about 96 KB
    const QString path = mount + "/song.mp3";
    ASSERT_TRUE(CMp3Factory::WriteSong(path, s, V23().Text("TPE1", "A").Padding(200).Build()));
    // The rest of the file system is taken.
    QFile filler(mount + "/filler");
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
    const QByteArray block(4096, 'x');
    while (filler.write(block) == block.size() && filler.flush()) {
    }
    filler.close();
    const QByteArray before = FileBytes(path);

    CTagFile::SChanges grow;
    grow.lyrics = QString(3000, u'l');
    EXPECT_FALSE(CTagFile::Write(path, grow).isEmpty());
    EXPECT_EQ(FileBytes(path), before);
    EXPECT_EQ(Entries(mount), (QStringList{"filler", "song.mp3"})) << "no half copy is left";

    CTagFile::SChanges fit;
    fit.artist = QStringLiteral("B");
    EXPECT_EQ(CTagFile::Write(path, fit), QString());
    EXPECT_EQ(FrameText(ProbeTags(path), "TPE1"), QStringLiteral("B"));
    EXPECT_EQ(AudioOf(FileBytes(path)), AudioOf(before));
}

// Where the file system makes no unnamed files the copy is a hidden one: a kill leaves it,
// and the next save in its folder removes it.
TEST_F(TagFileTest, ASaveKilledWhileCopyingLeavesTheOldFileAndNoCopyForLong)
{
    CTagFile::SChanges grow;
    grow.lyrics = QString(3000, u'l');
    for (const bool named : {false, true}) {
        SCOPED_TRACE(named ? "named copies" : "unnamed copies");
        CTagFile::SetNamedCopiesOnly(named);
        const auto unnamed = qScopeGuard([] { CTagFile::SetNamedCopiesOnly(false); });
        // Long enough that the copy is caught in the middle.
        const QString folder = QString::number(named);
        QDir(dir.path()).mkdir(folder);
        const QString path = Song(folder + "/long.mp3", V23().Text("TIT2", "old").Build(),
                                  CId3Writer::Id3v1("old", "", "", "", "", 0), 600);
        const QByteArray before = FileBytes(path);
        ASSERT_GT(before.size(), 8 * 1024 * 1024);

        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            CTagFile::SetCopyObserver([&](qint64 written) {
                if (written > 4 * 1024 * 1024) {
                    [[maybe_unused]] const ssize_t n = ::write(ready[1], "!", 1);
                    ::pause();
                }
            });
            CTagFile::Write(path, grow);
            ::_exit(0);
        }
        ::close(ready[1]);
        pollfd wait = {ready[0], POLLIN, 0};
        const bool caught = ::poll(&wait, 1, 60000) == 1;
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ::close(ready[0]);
        ASSERT_TRUE(caught) << "the child never reached the middle of its copy";
        ASSERT_TRUE(WIFSIGNALED(status));

        EXPECT_EQ(QCryptographicHash::hash(FileBytes(path), QCryptographicHash::Sha1),
                  QCryptographicHash::hash(before, QCryptographicHash::Sha1));
        EXPECT_EQ(Entries(dir.path() + u'/' + folder).size(), named ? 2 : 1);
        EXPECT_EQ(CTagFile::Write(path, grow), QString());
        EXPECT_EQ(Entries(dir.path() + u'/' + folder), QStringList{"long.mp3"})
            << "no half copy is left";
        EXPECT_EQ(AudioOf(FileBytes(path)), AudioOf(before));
        EXPECT_EQ(FrameText(ProbeTags(path), "USLT"), QString(3000, u'l'));
    }
}

} // namespace
