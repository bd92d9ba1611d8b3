#include "cli/CCommandLine.h"
#include "db/CCdlistSet.h"
#include "db/CCoverStore.h"
#include "model/CCdlistDoc.h"
#include "platform/CSettings.h"
#include "support/CCliRun.h"
#include "support/CFifo.h"
#include "support/CNoFileOverride.h"
#include "support/CTestEnvironment.h"
#include "support/STestSong.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

class CommandLineTest : public ::testing::Test
{
protected:
    SCliRun Run(QStringList args) { return SCliRun::Run(env.DataDir(), std::move(args)); }
    QByteArray SettingsBytes() const
    {
        QFile file(env.SettingsFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    void AddSongs(const QString& session, int count)
    {
        CDatabase db;
        db.Open(env.DatabasePath());
        CCdlistSet set;
        set.Open(db);
        for (int i = 0; i < count; ++i)
            AddTestSong(set, {.cd = session});
    }

    CTestEnvironment env;
};

TEST_F(CommandLineTest, SessionsListsNamesCountsAndTotal)
{
    AddSongs("Rock", 2);
    AddSongs("rock", 1);
    AddSongs("Ärger", 3);
    const SCliRun r = Run({"sessions"});
    EXPECT_EQ(r.status, 0);
    const QStringList lines = r.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4);
    for (const char* line : {"Rock\t2", "rock\t1", "Ärger\t3"})
        EXPECT_TRUE(lines.contains(QString::fromUtf8(line))) << line;
    EXPECT_EQ(lines.last(), QStringLiteral("Total: 3 sessions, 6 songs"));
}

// A mistyped data folder is no empty catalogue: a command that reads says so and makes
// nothing, and output that cannot be written fails the command with the reason.
TEST_F(CommandLineTest, NoCatalogueAndUnwrittenOutputAreFailures)
{
    const QString typo = env.Root() + "/nonexistent/x";
    const SCliRun r = SCliRun::Run(typo, {"search", "--title", "a"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.startsWith("cratewise: there is no catalogue in " + typo))
        << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(env.Root() + "/nonexistent"));

    FILE* full = std::fopen("/dev/full", "w");
    ASSERT_TRUE(full);
    QTextStream out(full);
    QString said;
    QTextStream err(&said);
    out << "1\tSong\n";
    EXPECT_EQ(CCommandLine::CheckOutput(0, out, err), 1);
    err.flush();
    EXPECT_EQ(said, "cratewise: cannot write the output: No space left on device\n");
    std::fclose(full);
}

// A fresh install lists every setting with its default, grouped as in Options; a stored
// value shows beside its default, and a hand-edited bad one reads as the default with one
// line on stderr.
TEST_F(CommandLineTest, ConfigListsEverySettingAndItsDefault)
{
    const SCliRun fresh = Run({"config"});
    EXPECT_EQ(fresh.status, 0);
    EXPECT_EQ(Run({"config", "--defaults"}).out, fresh.out);
    QStringList lines = fresh.out.split(u'\n', Qt::SkipEmptyParts);
    EXPECT_EQ(lines.first(), "# General");
    EXPECT_TRUE(lines.contains("# Internet (no Options page)"));
    lines.removeIf([](const QString& line) { return line.startsWith(u'#'); });
    ASSERT_EQ(lines.size(), qsizetype(ESetting::Count));
    for (const SSettingDef& def : CSettingsTable::All())
        EXPECT_TRUE(lines.contains(QStringLiteral("%1\t%2").arg(def.key, def.def))) << def.key;

    EXPECT_EQ(Run({"config", "recognized", "mp3 flac"}).status, 0);
    env.WriteFile("settings.ini", SettingsBytes() + "MailPort=70000\n");
    const SCliRun edited = Run({"config"});
    EXPECT_TRUE(
        edited.out.contains("\nRecognized\tmp3 flac\t(default: mp3 mp2 flac ogg oga opus m4a)\n"));
    EXPECT_TRUE(edited.out.contains("\nMailPort\t587\n"));
    EXPECT_EQ(edited.err.count(u'\n'), 1);
    EXPECT_TRUE(edited.err.contains("\"MailPort\"") && edited.err.contains("70000"))
        << edited.err.toStdString();
}

// Unset values print their default; a value of the wrong kind or out of range, or an
// unknown name, is refused with its kind and range, and nothing is stored.
TEST_F(CommandLineTest, ConfigPrintsValuesAndRefusesWhatDoesNotFit)
{
    EXPECT_EQ(Run({"config", "MailPort"}).out, "587\n");
    EXPECT_EQ(Run({"config", "MailPort", "2525"}).status, 0);
    EXPECT_EQ(Run({"config", "MailPort"}).out, "2525\n");
    const QByteArray stored = SettingsBytes();
    const struct
    {
        QStringList args;
        const char* message;
    } refused[] = {
        {{"NetTimeout", "abc"}, "NetTimeout takes a whole number from 1 to 600, not \"abc\""},
        {{"NetTimeout", "2147484"}, "NetTimeout takes a whole number from 1 to 600"},
        {{"NetTimeout", "-5"}, "NetTimeout takes a whole number from 1 to 600"},
        {{"MailPort", "0"}, "MailPort takes a whole number from 1 to 65535, not \"0\""},
        {{"MailPort", "70000"}, "MailPort takes a whole number from 1 to 65535"},
        {{"TimesUsed", "-1"}, "TimesUsed takes a whole number from 0 up"},
        {{"Case", "2"}, "Case takes 0 or 1"},
        {{"WebSite", "javascript:alert(1)"}, "WebSite takes an http or https address"},
        {{"SupportAddress", "a@b.c> SIZE=1"}, "SupportAddress takes a mail address"},
        {{"Recognized", " "}, "Recognized takes file extensions separated by blanks"},
        {{"Nothing", "1"}, "\"Nothing\" is not a setting (cratewise config lists them all)"},
        {{"Nothing"}, "\"Nothing\" is not a setting"},
    };
    for (const auto& r : refused) {
        const SCliRun run = Run(QStringList{"config"} + r.args);
        EXPECT_EQ(run.status, 1) << r.message;
        EXPECT_TRUE(run.err.startsWith("cratewise: " + QString::fromUtf8(r.message)))
            << run.err.toStdString();
        EXPECT_EQ(run.err.count(u'\n'), 1) << r.message;
    }
    EXPECT_EQ(SettingsBytes(), stored);
}

TEST_F(CommandLineTest, FailuresAreOneLineAndStatusOne)
{
    SCliRun r = Run({"no-such-command"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.count(u'\n'), 1);
    AddSongs("Rock", 0);
    r = Run({"sessions", "extra"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, QStringLiteral("cratewise: usage: cratewise sessions [--json]\n"));
    // A database that cannot be opened (the reasons are the database's own tests).
    env.WriteFile("data/songs3.mdb", QByteArray(4096, 'x'));
    r = Run({"sessions"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.startsWith("cratewise: ") && r.err.count(u'\n') == 1 &&
                r.err.contains("is not a Cratewise song database"))
        << r.err.toStdString();
}

// A pipe named as a file would wait for a writer for ever, a huge file fill the memory: both
// are refused before anything is read.
TEST_F(CommandLineTest, NamedInputsMustBeRegularFilesOfABoundedSize)
{
    AddSongs("Rock", 1);
    const CFifo fifo(env.Root() + "/pipe");
    QFile big(env.WriteFile("big.txt", {}));
    ASSERT_TRUE(big.resize(CCommandLine::kMaxTextFile + 1));
    const QString notRegular = QStringLiteral("This is not a regular file");
    const std::pair<QStringList, QString> cases[] = {
        {{"lyrics", "1", "--set", fifo.Path()}, notRegular},
        {{"lyrics", "1", "--set", big.fileName()}, QStringLiteral("larger than 1 MB")},
        {{"feedback", "--message-file", fifo.Path()}, notRegular},
        {{"upgrade", fifo.Path()}, notRegular},
    };
    QElapsedTimer clock;
    clock.start();
    for (const auto& [args, error] : cases) {
        const SCliRun r = Run(args);
        EXPECT_EQ(r.status, 1) << args.join(u' ').toStdString();
        EXPECT_TRUE(r.err.contains(error)) << r.err.toStdString();
    }
    const QString data = env.MakeDir("piped");
    const CFifo catalogue(data + "/songs3.mdb");
    const SCliRun piped = SCliRun::Run(data, {"sessions"});
    EXPECT_EQ(piped.status, 1);
    EXPECT_TRUE(piped.err.contains(notRegular)) << piped.err.toStdString();
    EXPECT_LT(clock.elapsed(), 2000) << "a command waited for the pipe's writer";
}

// A catalogue on a read-only mount can still be listed; a change is refused with the
// reason. The mount needs a namespace of its own: the test runs itself again inside one.
TEST_F(CommandLineTest, ACatalogueOnAReadOnlyMountIsListedAndChangesAreRefused)
{
    if (const QString data = qEnvironmentVariable("CRATEWISE_READ_ONLY_DATA"); !data.isEmpty()) {
        const SCliRun songs = SCliRun::Run(data, {"songs", "Rock"});
        EXPECT_EQ(songs.status, 0) << songs.err.toStdString();
        EXPECT_EQ(songs.out.count(u'\n'), 2);
        const SCliRun rename = SCliRun::Run(data, {"rename-session", "Rock", "Pop"});
        EXPECT_EQ(rename.status, 1);
        EXPECT_TRUE(rename.err.contains("Read-only file system")) << rename.err.toStdString();
        return;
    }
    if (QProcess::execute("unshare", {"-rm", "true"}) != 0)
        GTEST_SKIP() << "no namespaces of our own here";
    AddSongs("Rock", 2);
    QProcess inside;
    inside.setProcessChannelMode(QProcess::ForwardedChannels);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("CRATEWISE_READ_ONLY_DATA", env.DataDir());
    inside.setProcessEnvironment(environment);
    inside.start("unshare", {"-rm", "sh", "-c",
                             "mount --bind \"$1\" \"$1\" && mount -o remount,bind,ro \"$1\" "
                             "|| exit 77; exec \"$2\" --gtest_filter=\"$3\"",
                             "sh", env.DataDir(), QCoreApplication::applicationFilePath(),
                             "CommandLineTest.ACatalogueOnAReadOnlyMount*"});
    ASSERT_TRUE(inside.waitForFinished(60000));
    if (inside.exitCode() == 77)
        GTEST_SKIP() << "no read-only mount of our own here";
    EXPECT_EQ(inside.exitCode(), 0);
}

// A catalogue a newer Cratewise wrote is read, searched and exported with one line naming
// it and both layouts; a command that would change it is refused with that line, and
// nothing is written to the file.
TEST_F(CommandLineTest, ANewerCatalogueIsOnlyReadAndNeverWritten)
{
    AddSongs("Rock", 2);
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(env.DatabasePath()).constData(), &db), SQLITE_OK);
        const QByteArray sql =
            QByteArray("PRAGMA user_version=") + QByteArray::number(CDatabase::kSchemaVersion + 1);
        EXPECT_EQ(sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    }
    const auto bytes = [this] {
        QFile file(env.DatabasePath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray before = bytes();
    const QString notice = QStringLiteral("cratewise: %1 was written by a newer Cratewise (layout "
                                          "%2; this one knows layouts up to %3): it is opened "
                                          "for reading only, and nothing is written to it.\n")
                               .arg(env.DatabasePath())
                               .arg(CDatabase::kSchemaVersion + 1)
                               .arg(CDatabase::kSchemaVersion);
    for (const QStringList& reads :
         {QStringList{"songs", "Rock"},
          {"search", "--title", "Song"},
          {"export-m3u", env.Root() + "/rock.m3u", "--session", "Rock"}}) {
        const SCliRun r = Run(reads);
        EXPECT_EQ(r.status, 0) << reads.join(u' ').toStdString() << r.err.toStdString();
        EXPECT_TRUE(r.err.startsWith(notice)) << r.err.toStdString();
    }
    EXPECT_EQ(Run({"songs", "Rock"}).out.count(u'\n'), 2);
    for (const QStringList& writes :
         {QStringList{"rename-session", "Rock", "Pop"}, {"tag", "1", "--title", "New"}}) {
        const SCliRun r = Run(writes);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, notice) << writes.join(u' ').toStdString();
    }
    // The window's writes go through the catalogue door, which refuses them the same way;
    // a song played counts no play.
    CCdlistDoc doc;
    doc.OpenDatabase(env.DatabasePath());
    EXPECT_FALSE(doc.Catalogue().IncrementUse(1));
    try {
        doc.Catalogue().RenameSession("Rock", "Pop");
        ADD_FAILURE() << "renamed";
    } catch (const CDbException& e) {
        EXPECT_EQ("cratewise: " + e.Message() + "\n", notice);
    }
    EXPECT_TRUE(bytes() == before);
}

TEST_F(CommandLineTest, SettingsNotSavedOrUnreadableFailWithOneLine)
{
    CSettings::SetInt(ESetting::Case, 1);
    const QString denied = QString::fromLocal8Bit(std::strerror(EACCES));
    SCliRun set;
    {
        const CNoFileOverride asAUser;
        ASSERT_TRUE(QFile::setPermissions(env.Root(), QFile::ReadOwner | QFile::ExeOwner));
        set = Run({"config", "Case", "0"});
    }
    ASSERT_TRUE(
        QFile::setPermissions(env.Root(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    EXPECT_EQ(set.status, 1);
    EXPECT_EQ(set.err.count(u'\n'), 1);
    EXPECT_TRUE(set.err.contains(env.SettingsFile()) && set.err.contains(denied))
        << set.err.toStdString();

    ASSERT_TRUE(QFile::setPermissions(env.SettingsFile(), {}));
    SCliRun list;
    {
        const CNoFileOverride asAUser;
        CSettings::SetFilePath(env.SettingsFile());
        list = Run({"sessions"});
    }
    ASSERT_TRUE(QFile::setPermissions(env.SettingsFile(), QFile::ReadOwner | QFile::WriteOwner));
    EXPECT_EQ(list.status, 1);
    EXPECT_EQ(list.out, QString());
    EXPECT_EQ(list.err, QStringLiteral("cratewise: The settings file \"%1\" cannot be read: %2.\n")
                            .arg(env.SettingsFile(), denied));
}

TEST_F(CommandLineTest, VersionHelpManualAndCompletionListEveryCommandAndOption)
{
    EXPECT_EQ(Run({"--version"}).out, QStringLiteral("Cratewise 2.93\n"));
    const SCliRun help = Run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.contains("config [--defaults | NAME [VALUE]]"));
    EXPECT_EQ(CCommandLine::DataDirOption({"--data-dir", "/x y"}), QStringLiteral("/x y"));

    const SCliRun manual = Run({"--man"});
    EXPECT_EQ(manual.status, 0);
    EXPECT_TRUE(manual.out.startsWith(".TH CRATEWISE 1"));
    const SCliRun completion = Run({"--bash-completion"});
    EXPECT_EQ(completion.status, 0);
    // Neither opens the catalogue: the build runs them with no data folder at hand.
    EXPECT_FALSE(QFile::exists(env.DatabasePath()));

    const CCommandLine cli;
    int searchOptions = 0;
    for (const SCliCommand& c : cli.Commands()) {
        // In roff a hyphen is written \- so that it stays a minus sign.
        QString usage = c.usage;
        EXPECT_TRUE(manual.out.contains("\\fB" + usage.replace(u'-', QLatin1String("\\-"))))
            << c.usage.toStdString();
        EXPECT_TRUE(completion.out.contains(c.name)) << c.name.toStdString();
        for (const QString& option : CCommandLine::OptionsOf(c))
            EXPECT_TRUE(completion.out.contains(QStringLiteral("%1) options=\"").arg(c.name)) &&
                        completion.out.contains(option))
                << option.toStdString();
        if (c.name == "search")
            searchOptions = CCommandLine::OptionsOf(c).count("--title") +
                            CCommandLine::OptionsOf(c).count("--fast");
    }
    EXPECT_EQ(searchOptions, 2) << "the loop saw the options";
}

// The stored thumbnail goes to the file named; a song without one is a failure, and the
// catalogue itself is never a target.
TEST_F(CommandLineTest, CoverWritesTheStoredThumbnail)
{
    qint64 covered = 0, bare = 0;
    {
        CDatabase db;
        db.Open(env.DatabasePath());
        CCdlistSet set;
        set.Open(db);
        covered = AddTestSong(set, {.title = "covered"});
        bare = AddTestSong(set, {.title = "bare"});
        CCoverStore(db).Add("key", "\x89PNG thumbnail");
        CCoverStore(db).SetSongCover(covered, "key");
    }
    const QString out = env.Root() + "/cover.png";
    SCliRun run = Run({"cover", QString::number(covered), "--out", out});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    QFile file(out);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("\x89PNG thumbnail"));

    run = Run({"cover", QString::number(bare), "--out", out});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains(QString("Song %1 has no cover.").arg(bare)))
        << run.err.toStdString();
    run = Run({"cover", QString::number(covered), "--out", env.DatabasePath()});
    EXPECT_EQ(run.status, 1);
}

} // namespace
