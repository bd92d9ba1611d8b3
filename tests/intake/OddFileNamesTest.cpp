#include "platform/CFileNames.h"
#include "platform/CText.h"
#include "support/CCliRun.h"
#include "support/CId3Writer.h"
#include "support/CMp3Factory.h"
#include "support/CTestEnvironment.h"

#include <QFile>
#include <climits>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Files named in Latin-1 and paths deeper than PATH_MAX, scanned, exported and loaded
// through the command line as a user would.
struct OddFileNamesTest : ::testing::Test
{
    CTestEnvironment env;
    QString music;
    QByteArray musicBytes;
    // The folders of the path deeper than PATH_MAX, from the top.
    std::vector<QByteArray> deepChain;

    void SetUp() override
    {
        music = env.MakeDir("music");
        musicBytes = QFile::encodeName(music);
    }

    // QDir can remove neither names that are not UTF-8 nor paths that deep.
    void TearDown() override
    {
        ::unlink((musicBytes + "/caf\xe9.mp3").constData());
        ::unlink((musicBytes + "/Bj\xf6rk/j\xf3ga.mp3").constData());
        ::rmdir((musicBytes + "/Bj\xf6rk").constData());
        std::vector<int> fds{::open(musicBytes.constData(), O_RDONLY | O_DIRECTORY)};
        for (const QByteArray& name : deepChain)
            fds.push_back(::openat(fds.back(), name.constData(), O_RDONLY | O_DIRECTORY));
        ::unlinkat(fds.back(), "deep.mp3", 0);
        for (size_t i = deepChain.size(); i > 0; --i) {
            ::close(fds[i]);
            ::unlinkat(fds[i - 1], deepChain[i - 1].constData(), AT_REMOVEDIR);
        }
        ::close(fds[0]);
    }

    SCliRun Run(QStringList args) { return SCliRun::Run(env.DataDir(), std::move(args)); }

    // A real tagged MP3 at the exact bytes of `path`.
    static bool WriteSong(int folderFd, const QByteArray& name, const QString& title)
    {
        CMp3Factory::SStream stream;
        stream.seconds = 2.0;
        const QByteArray data = CId3Writer(3, CId3Writer::EEncoding::Latin1)
                                    .Text("TIT2", title)
                                    .Text("TPE1", QStringLiteral("Ärtist"))
                                    .Build() +
                                CMp3Factory::Audio(stream);
        const int fd = ::openat(folderFd, name.constData(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
        const bool ok = fd >= 0 && ::write(fd, data.constData(), data.size()) == data.size();
        return ::close(fd) == 0 && ok;
    }
    static bool WriteSong(const QByteArray& path, const QString& title)
    {
        return WriteSong(AT_FDCWD, path, title);
    }
};

TEST_F(OddFileNamesTest, NameBytesSurviveTextAndPrintReadably)
{
    const QByteArray samples[] = {
        "caf\xe9.mp3",      // Latin-1
        "\xc3",             // a sequence cut short
        "\xc0\xaf",         // an overlong '/'
        "\xed\xa0\x80",     // a UTF-16 surrogate
        "\xf4\x90\x80\x80", // past U+10FFFF
        "\xef\x9f\xa9",     // valid UTF-8 of a character that stands for a byte
        "\xff\xfe\x80",
    };
    for (const QByteArray& bytes : samples)
        EXPECT_EQ(CFileNames::Encode(CFileNames::Decode(bytes)), bytes) << bytes.toHex().data();
    // Valid names read exactly as Qt reads them.
    for (const QByteArray& bytes :
         {QByteArray("caf\xc3\xa9 \xf0\x9f\x8e\xb5.mp3"), QByteArray("plain.mp3"), QByteArray()})
        EXPECT_EQ(CFileNames::Decode(bytes), QString::fromUtf8(bytes));
    EXPECT_EQ(CText::Printable(CFileNames::Decode("caf\xe9\t.mp3")), "caf\\xe9\\x09.mp3");
}

TEST_F(OddFileNamesTest, Latin1NamesAreStoredTaggedExportedAndFoundAgain)
{
    ASSERT_TRUE(WriteSong(musicBytes + "/caf\xe9.mp3", QStringLiteral("Café Song")));
    ASSERT_EQ(::mkdir((musicBytes + "/Bj\xf6rk").constData(), 0755), 0);
    ASSERT_TRUE(WriteSong(musicBytes + "/Bj\xf6rk/j\xf3ga.mp3", QStringLiteral("Jóga")));

    const SCliRun add = Run({"add-session", "Latin", music});
    ASSERT_EQ(add.status, 0) << add.err.toStdString();
    EXPECT_EQ(add.out, "Latin\t2 songs stored\n");

    const SCliRun songs = Run({"songs", "Latin"});
    QStringList titles, names;
    for (const QString& line : songs.out.split('\n', Qt::SkipEmptyParts)) {
        titles << line.section('\t', 2, 2);
        names << line.section('\t', 9, 10);
    }
    titles.sort();
    names.sort();
    EXPECT_EQ(titles, (QStringList{"Café Song", "Jóga"})); // the tags were read
    EXPECT_EQ(names, (QStringList{music + "\tcaf\\xe9.mp3", music + "/Bj\\xf6rk\tj\\xf3ga.mp3"}));

    // The playlist carries each file's own bytes, so any player opens it.
    const QString list = env.Root() + "/latin.m3u";
    ASSERT_EQ(Run({"export-m3u", list, "--session", "Latin"}).status, 0);
    QFile written(list);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray bytes = written.readAll();
    EXPECT_TRUE(bytes.contains(musicBytes + "/caf\xe9.mp3\r\n")) << bytes.data();
    EXPECT_TRUE(bytes.contains(musicBytes + "/Bj\xf6rk/j\xf3ga.mp3\r\n")) << bytes.data();

    const SCliRun load = Run({"load-m3u", list});
    EXPECT_EQ(load.status, 0) << load.err.toStdString();
    EXPECT_EQ(load.out.count('\n'), 2) << load.out.toStdString();
    EXPECT_TRUE(load.err.isEmpty()) << load.err.toStdString();
}

TEST_F(OddFileNamesTest, PathTooDeepToOpenIsNamedAsSkippedAndTheCountsAddUp)
{
    ASSERT_TRUE(WriteSong(musicBytes + "/near.mp3", QStringLiteral("Near")));
    int fd = ::open(musicBytes.constData(), O_RDONLY | O_DIRECTORY);
    QByteArray path = musicBytes;
    while (path.size() <= PATH_MAX) {
        const QByteArray name(200, char('a' + deepChain.size() % 26));
        ASSERT_EQ(::mkdirat(fd, name.constData(), 0755), 0);
        const int next = ::openat(fd, name.constData(), O_RDONLY | O_DIRECTORY);
        ::close(fd);
        ASSERT_GE(next, 0);
        fd = next;
        deepChain.push_back(name);
        path += '/' + name;
    }
    ASSERT_TRUE(WriteSong(fd, "deep.mp3", QStringLiteral("Deep")));
    ::close(fd);

    const SCliRun add = Run({"add-session", "Deep", music});
    EXPECT_EQ(add.status, 0) << add.err.toStdString();
    EXPECT_EQ(add.out.toStdString(), "Deep\t1 song stored, 1 skipped of 2 found\n");
    EXPECT_TRUE(
        add.err.contains("skipped: " + QFile::decodeName(path) + "/deep.mp3: File name too long\n"))
        << add.err.right(300).toStdString();
}

} // namespace
