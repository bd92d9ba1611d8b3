// Playlists and names made to hurt: devices and endless lines read as playlists, paths
// spelled oddly, and names that hold line breaks or terminal controls.
#include "PlaylistFixture.h"
#include "model/CFileCopier.h"
#include "platform/CSettings.h"
#include "playlist/CM3uFile.h"
#include "support/CCliRun.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool IsFifo(const QString& path)
{
    struct stat st = {};
    return lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISFIFO(st.st_mode);
}

// What `work` writes to the process's standard error (the command line's warnings go
// there directly).
QString StandardError(const std::function<void()>& work)
{
    QTemporaryFile file;
    EXPECT_TRUE(file.open());
    std::fflush(stderr);
    const int saved = dup(STDERR_FILENO);
    dup2(file.handle(), STDERR_FILENO);
    work();
    std::fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);
    file.seek(0);
    return QString::fromUtf8(file.readAll());
}

// Tabs and line feeds are the columns and rows; no other control may reach a terminal.
void ExpectNoControls(const QString& printed)
{
    for (QChar c : printed) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != u'\t' && u != u'\n') || (u >= 0x7f && u <= 0x9f))
            ADD_FAILURE() << "control " << int(u) << " in " << printed.toStdString();
    }
}

class HostilePlaylistTest : public PlaylistFixture
{
protected:
    CTestEnvironment& env = f.env;
    CScriptedPrompts& prompts = f.prompts;
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

// A playlist is read up to 100,000 songs; one naming more is refused by name, never cut.
TEST_F(HostilePlaylistTest, APlaylistOfMoreThanAHundredThousandSongsIsRefused)
{
    QByteArray text = "#EXTM3U\n";
    for (int i = 0; i < 100000; ++i)
        text += "/m/" + QByteArray::number(i) + ".mp3\n";
    const QString full = env.WriteFile("full.m3u", text + "# the end\n\n");
    QList<SM3uLine> lines;
    QString error;
    EXPECT_TRUE(CM3uFile::Read(full, lines, error)) << error.toStdString();
    EXPECT_EQ(lines.size(), 100000);
    const QString more = env.WriteFile("more.m3u", text + "/m/one-more.mp3\n");
    ExpectRefusal(Run({"load-m3u", more}), more, "more than 100,000 songs");
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

TEST_F(HostilePlaylistTest, ExportsAndCopiesNeverReplaceTheProgramsOwnFilesOrDevices)
{
    const QString music = env.MakeDir("music");
    env.WriteFile("music/songs3.mdb", "a song with an unlucky name");
    AddEntries({AddSong("S", music, "songs3.mdb")});
    AddSong("S", music, "b.mp3");
    CSettings::SetString(ESetting::Formatting, "%1 - %2");
    const QByteArray settings = ReadAll(env.SettingsFile());
    const QString fifo = env.Root() + "/fifo.m3u";
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString link = env.Root() + "/catalogue-link";
    const QString hardLink = env.Root() + "/settings-copy.ini";
    ASSERT_TRUE(QFile::link(env.DatabasePath(), link));
    ASSERT_EQ(::link(QFile::encodeName(env.SettingsFile()), QFile::encodeName(hardLink)), 0);
    const QString own = "own files";
    const struct
    {
        QString target, why;
    } targets[] = {
        {env.DatabasePath(), own},
        {env.DatabasePath() + "-wal", own},
        {env.DatabasePath() + "-shm", own},
        {env.SettingsFile(), own},
        {link, own},
        {env.DataDir() + "/../data//./songs3.mdb", own},
        {hardLink, own},
        {fifo, "not a regular file"},
        {env.Root(), "not a regular file"},
    };
    for (const auto& t : targets)
        ExpectRefusal(Run({"export-m3u", t.target, "--session", "S"}), t.target, t.why);
    EXPECT_EQ(ReadAll(env.SettingsFile()), settings);

    // The window says so through its prompts; a copy onto the catalogue is refused too.
    EXPECT_FALSE(ops.ExportM3u(env.DatabasePath()));
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(prompts.messages[0].text.contains(env.DatabasePath()));
    EXPECT_EQ(prompts.messages[0].icon, CPrompts::EIcon::Error);
    QString error;
    EXPECT_FALSE(CFileCopier::Copy(music + "/songs3.mdb", env.DatabasePath(), {}, error,
                                   ops.ProgramFiles()));
    EXPECT_TRUE(error.contains(env.DatabasePath())) << error.toStdString();

    EXPECT_EQ(set.CountAll(), 2);
    EXPECT_TRUE(IsFifo(fifo));
    EXPECT_EQ(CSettings::String(ESetting::Formatting), "%1 - %2");
}

TEST_F(HostilePlaylistTest, ExportThroughALinkWritesItsFileAndKeepsTheLink)
{
    AddSong("S", "/m", "a.mp3");
    const QString real = env.WriteFile("lists/real.m3u", "old");
    const QString link = env.Root() + "/link.m3u";
    ASSERT_TRUE(QFile::link(real, link));
    ASSERT_EQ(Run({"export-m3u", link, "--session", "S"}).status, 0);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(ReadAll(real), "/m/a.mp3\r\n");
}

TEST_F(HostilePlaylistTest, NamesWithLineBreaksAreLeftOutOfPlaylistsAndNamed)
{
    const QList<qint64> ids{AddSong("S", "/m", "a.mp3"), AddSong("S", "/m", "two\nlines.mp3"),
                            AddSong("S", "/m\r", "c.mp3")};
    const QString file = env.Root() + "/out.m3u";
    const SCliRun r = Run({"export-m3u", file, "--session", "S"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(ReadAll(file), "/m/a.mp3\r\n");
    EXPECT_EQ(r.err.count("left out"), 2) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("/m/two\\x0alines.mp3") && r.err.contains("/m\\x0d/c.mp3"));
    EXPECT_TRUE(r.err.endsWith("\n1 song written to " + file + "\n")) << r.err.toStdString();
    EXPECT_EQ(CSettings::Int(ESetting::PlaylistUsed), 1);

    AddEntries(ids);
    EXPECT_TRUE(ops.ExportM3u(env.Root() + "/window.m3u"));
    EXPECT_EQ(ReadAll(env.Root() + "/window.m3u"), "/m/a.mp3\r\n");
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(prompts.messages[0].icon, CPrompts::EIcon::Exclamation);
    EXPECT_TRUE(prompts.messages[0].text.contains("/m/two\\x0alines.mp3\n/m\\x0d/c.mp3"))
        << prompts.messages[0].text.toStdString();
    EXPECT_EQ(CSettings::Int(ESetting::PlaylistUsed), 2);
}

TEST_F(HostilePlaylistTest, ControlCharactersInNamesPrintVisibly)
{
    AddSong("Tab\there\nnew", "/m/\x7f", "\x1b[2Jred\x07\u009b.mp3");
    CSettings::SetString(ESetting::Formatting, "\x1b[31m%1");
    const QString missing = env.WriteFile("m.m3u", "/x/\x1b]0;title\x07.mp3\n");
    const QString row = "\t/m/\\x7f\t\\x1b[2Jred\\x07\\x9b.mp3\n";
    const struct
    {
        QStringList args;
        QString expected;
    } runs[] = {
        {{"sessions"}, "Tab\\x09here\\x0anew\t1\n"},
        {{"songs", "Tab\there\nnew"}, row},
        {{"search", "--file", "red"}, row},
        {{"config", "Formatting"}, "\\x1b[31m%1\n"},
        {{"songs", "No\x1bsuch"}, "No\\x1bsuch"},
        {{"load-m3u", missing}, "file \\x1b]0;title\\x07.mp3 couldn"},
    };
    for (const auto& run : runs) {
        SCliRun r;
        const QString warnings = StandardError([&] { r = Run(run.args); });
        const QString printed = r.out + r.err + warnings;
        EXPECT_TRUE(printed.contains(run.expected)) << printed.toStdString();
        ExpectNoControls(printed);
    }
}

TEST_F(HostilePlaylistTest, TheCountOfSongsWrittenStopsAtTheTop)
{
    AddEntries({AddSong("S", "/m", "a.mp3")});
    AddSong("S", "/m", "b.mp3");
    const QString file = env.Root() + "/out.m3u";
    for (const QString& before : {QString::number(INT_MAX - 1), QString("-2147483000")}) {
        // Negative: overflowed in the past, as the file may still hold it.
        CSettings::WriteString(CSettings::kSettings, CSettingsTable::Key(ESetting::PlaylistUsed),
                               before);
        ASSERT_EQ(Run({"export-m3u", file, "--session", "S"}).status, 0);
        EXPECT_EQ(CSettings::Int(ESetting::PlaylistUsed), INT_MAX) << before.toStdString();
        EXPECT_TRUE(ops.ExportM3u(file));
        EXPECT_EQ(CSettings::Int(ESetting::PlaylistUsed), INT_MAX) << before.toStdString();
    }
}

} // namespace
