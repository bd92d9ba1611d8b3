// Playlists and names made to hurt: devices and endless lines read as playlists, paths
// spelled oddly, and names that hold line breaks or terminal controls.
#include "PlaylistFixture.h"
#include "playlist/CM3uFile.h"
#include "support/CCliRun.h"

#include <QDir>
#include <QFile>
#include <sys/stat.h>

namespace {

class HostilePlaylistTest : public PlaylistFixture
{
protected:
    SCliRun Run(const QStringList& args) { return SCliRun::Run(env.DataDir(), args); }
    // A one-line failure that names the file and says why.
    static void ExpectRefusal(const SCliRun& r, const QString& file, const QString& why)
    {
        EXPECT_EQ(r.status, 1) << file.toStdString();
        EXPECT_EQ(r.err.count(u'\n'), 1) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(file)) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(why)) << r.err.toStdString();
    }
};

TEST_F(HostilePlaylistTest, DevicesPipesFoldersAndHugeFilesAreRefusedByName)
{
    const QString fifo = env.Root() + "/pipe.m3u";
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString huge = env.Root() + "/huge.m3u";
    QFile file(huge);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.resize(65LL << 20));
    const QString notRegular = "not a regular file";
    for (const QString& device : {QString("/dev/zero"), fifo, env.Root()})
        ExpectRefusal(Run({"load-m3u", device}), device, notRegular);
    ExpectRefusal(Run({"import-m3u", "/dev/urandom", "Noise"}), "/dev/urandom", notRegular);
    ExpectRefusal(Run({"load-m3u", huge}), huge, "larger than 64 MB");
    EXPECT_EQ(set.CountAll(), 0);
}

TEST_F(HostilePlaylistTest, LinesTooLongToNameAFileAreSkipped)
{
    const QString file = env.WriteFile("long.m3u", QByteArray(100000, 'a') + "\n/m/a.mp3\r\n" +
                                                       QByteArray(65537, 'b'));
    QList<SM3uLine> lines;
    QString error;
    ASSERT_TRUE(CM3uFile::Read(file, lines, error)) << error.toStdString();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines[0].path, "/m/a.mp3");
}

TEST_F(HostilePlaylistTest, AbsoluteLinesAreFoundHoweverTheyAreSpelled)
{
    AddSong("CD", "/music/Rock", "a.mp3");
    const QString file = env.WriteFile("odd.m3u", "/music/./Rock/a.mp3\n"
                                                  "/music//Rock/a.mp3\n"
                                                  "/music/Pop/../Rock/a.mp3\n"
                                                  "//music/Rock//./a.mp3\n");
    const SCliRun r = Run({"load-m3u", file});
    EXPECT_EQ(r.out.count("\t/music/Rock\ta.mp3\n"), 4) << r.out.toStdString();
}

} // namespace
