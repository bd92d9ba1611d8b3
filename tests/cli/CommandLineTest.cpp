#include "cli/CCommandLine.h"
#include "db/CCdlistSet.h"
#include "platform/CSettings.h"
#include "support/CCliRun.h"
#include "support/CNoFileOverride.h"
#include "support/CTestEnvironment.h"
#include "support/STestSong.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>

namespace {

class CommandLineTest : public ::testing::Test
{
protected:
    SCliRun Run(QStringList args) { return SCliRun::Run(env.DataDir(), std::move(args)); }
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

TEST_F(CommandLineTest, ConfigListsReadsAndWrites)
{
    EXPECT_EQ(Run({"config", "Formatting", "%2 - %1"}).status, 0);
    EXPECT_EQ(CSettings::String("Formatting"), QStringLiteral("%2 - %1"));
    EXPECT_EQ(Run({"config", "Formatting"}).out, QStringLiteral("%2 - %1\n"));
    CSettings::SetInt("Case", 1);
    const SCliRun all = Run({"config"});
    EXPECT_TRUE(all.out.contains("Case=1\n") && all.out.contains("Formatting=%2 - %1\n"))
        << all.out.toStdString();
    const SCliRun missing = Run({"config", "Nothing"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, QStringLiteral("cratewise: \"Nothing\" is not set\n"));
}

TEST_F(CommandLineTest, FailuresAreOneLineAndStatusOne)
{
    SCliRun r = Run({"no-such-command"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.count(u'\n'), 1);
    r = Run({"sessions", "extra"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, QStringLiteral("cratewise: usage: cratewise sessions\n"));
    // A database that cannot be opened (the reasons are the database's own tests).
    env.WriteFile("data/songs3.mdb", QByteArray(4096, 'x'));
    r = Run({"sessions"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.startsWith("cratewise: ") && r.err.count(u'\n') == 1 &&
                r.err.contains("is not a Cratewise song database"))
        << r.err.toStdString();
}

TEST_F(CommandLineTest, SettingsNotSavedOrUnreadableFailWithOneLine)
{
    CSettings::SetInt("Case", 1);
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
    EXPECT_TRUE(help.out.contains("config [NAME [VALUE]]"));
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

} // namespace
