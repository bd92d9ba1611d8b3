#include "cli/CCommandLine.h"
#include "db/CCdlistSet.h"
#include "platform/CSettings.h"
#include "support/CCliRun.h"
#include "support/CNoFileOverride.h"
#include "support/CTestEnvironment.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>

namespace {

using SRun = SCliRun;

SRun RunCli(const CTestEnvironment& env, QStringList args)
{
    return SCliRun::Run(env.DataDir(), std::move(args));
}

void AddSongs(const CTestEnvironment& env, const QString& session, int count)
{
    CDatabase db;
    db.Open(env.DatabasePath());
    CCdlistSet set;
    set.Open(db);
    for (int i = 0; i < count; ++i) {
        set.AddNew();
        set.m_CD = session;
        set.Update();
    }
}

TEST(CommandLineTest, SessionsListsNamesCountsAndTotal)
{
    CTestEnvironment env;
    AddSongs(env, QStringLiteral("Rock"), 2);
    AddSongs(env, QStringLiteral("rock"), 1);
    AddSongs(env, QStringLiteral("Ärger"), 3);
    const SRun r = RunCli(env, {QStringLiteral("sessions")});
    EXPECT_EQ(r.status, 0);
    const QStringList lines = r.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines.contains(QStringLiteral("Rock\t2")));
    EXPECT_TRUE(lines.contains(QStringLiteral("rock\t1")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Ärger\t3")));
    EXPECT_EQ(lines.last(), QStringLiteral("Total: 3 sessions, 6 songs"));
}

TEST(CommandLineTest, ConfigListsReadsAndWrites)
{
    CTestEnvironment env;
    EXPECT_EQ(RunCli(env, {QStringLiteral("config"), QStringLiteral("Formatting"),
                           QStringLiteral("%2 - %1")})
                  .status,
              0);
    EXPECT_EQ(CSettings::String(QStringLiteral("Formatting")), QStringLiteral("%2 - %1"));
    const SRun one = RunCli(env, {QStringLiteral("config"), QStringLiteral("Formatting")});
    EXPECT_EQ(one.out, QStringLiteral("%2 - %1\n"));
    CSettings::SetInt(QStringLiteral("Case"), 1);
    const SRun all = RunCli(env, {QStringLiteral("config")});
    EXPECT_TRUE(all.out.contains(QStringLiteral("Case=1\n")));
    EXPECT_TRUE(all.out.contains(QStringLiteral("Formatting=%2 - %1\n")));
    const SRun missing = RunCli(env, {QStringLiteral("config"), QStringLiteral("Nothing")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, QStringLiteral("cratewise: \"Nothing\" is not set\n"));
}

TEST(CommandLineTest, FailuresAreOneLineAndStatusOne)
{
    CTestEnvironment env;
    SRun r = RunCli(env, {QStringLiteral("no-such-command")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.count(u'\n'), 1);
    r = RunCli(env, {QStringLiteral("sessions"), QStringLiteral("extra")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, QStringLiteral("cratewise: usage: cratewise sessions\n"));
    env.WriteFile(QStringLiteral("data/songs3.mdb"), QByteArray(4096, 'x'));
    r = RunCli(env, {QStringLiteral("sessions")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("is not a Cratewise song database")));
}

TEST(CommandLineTest, SettingsNotSavedOrUnreadableFailWithOneLine)
{
    CTestEnvironment env;
    CSettings::SetInt(QStringLiteral("Case"), 1);
    const QString denied = QString::fromLocal8Bit(std::strerror(EACCES));
    SRun set;
    {
        const CNoFileOverride asAUser;
        ASSERT_TRUE(QFile::setPermissions(env.Root(), QFile::ReadOwner | QFile::ExeOwner));
        set = RunCli(env, {QStringLiteral("config"), QStringLiteral("Case"), QStringLiteral("0")});
    }
    ASSERT_TRUE(
        QFile::setPermissions(env.Root(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    EXPECT_EQ(set.status, 1);
    EXPECT_EQ(set.err.count(u'\n'), 1);
    EXPECT_TRUE(set.err.contains(env.SettingsFile()) && set.err.contains(denied))
        << set.err.toStdString();

    ASSERT_TRUE(QFile::setPermissions(env.SettingsFile(), {}));
    SRun list;
    {
        const CNoFileOverride asAUser;
        CSettings::SetFilePath(env.SettingsFile());
        list = RunCli(env, {QStringLiteral("sessions")});
    }
    ASSERT_TRUE(QFile::setPermissions(env.SettingsFile(), QFile::ReadOwner | QFile::WriteOwner));
    EXPECT_EQ(list.status, 1);
    EXPECT_EQ(list.out, QString());
    EXPECT_EQ(list.err, QStringLiteral("cratewise: The settings file \"%1\" cannot be read: %2.\n")
                            .arg(env.SettingsFile(), denied));
    CSettings::SetFilePath(env.SettingsFile());
    EXPECT_EQ(CSettings::Int(QStringLiteral("Case"), -1), 1);
}

TEST(CommandLineTest, ReadOnlyDataFolderIsNamedAsSuch)
{
    CTestEnvironment env;
    ASSERT_TRUE(QDir().mkpath(env.DataDir()));
    const auto readable = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
                          QFile::ReadOther | QFile::ExeOther;
    ASSERT_TRUE(QFile::setPermissions(env.DataDir(), readable));
    SRun r;
    {
        const CNoFileOverride asAUser;
        r = RunCli(env, {QStringLiteral("sessions")});
    }
    QFile::setPermissions(env.DataDir(), readable | QFile::WriteOwner);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "cratewise: Cannot create the song database " + env.DatabasePath() +
                         ": Permission denied.\n");
}

TEST(CommandLineTest, VersionAndHelp)
{
    CTestEnvironment env;
    EXPECT_EQ(RunCli(env, {QStringLiteral("--version")}).out, QStringLiteral("Cratewise 2.93\n"));
    const SRun help = RunCli(env, {QStringLiteral("--help")});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.contains(QStringLiteral("config [NAME [VALUE]]")));
    EXPECT_EQ(CCommandLine::DataDirOption({QStringLiteral("--data-dir"), QStringLiteral("/x y")}),
              QStringLiteral("/x y"));
}

TEST(CommandLineTest, ManualPageAndCompletionListEveryCommandAndOption)
{
    CTestEnvironment env;
    const SRun manual = RunCli(env, {QStringLiteral("--man")});
    EXPECT_EQ(manual.status, 0);
    EXPECT_TRUE(manual.out.startsWith(QStringLiteral(".TH CRATEWISE 1")));
    const SRun completion = RunCli(env, {QStringLiteral("--bash-completion")});
    EXPECT_EQ(completion.status, 0);
    // Neither opens the catalogue: the build runs them with no data folder at hand.
    EXPECT_FALSE(QFile::exists(env.DatabasePath()));

    const CCommandLine cli;
    ASSERT_FALSE(cli.Commands().empty());
    for (const SCliCommand& c : cli.Commands()) {
        // In roff a hyphen is written \- so that it stays a minus sign.
        QString usage = c.usage;
        EXPECT_TRUE(
            manual.out.contains(QStringLiteral("\\fB") + usage.replace(u'-', QLatin1String("\\-"))))
            << c.usage.toStdString();
        EXPECT_TRUE(completion.out.contains(c.name)) << c.name.toStdString();
        for (const QString& option : CCommandLine::OptionsOf(c))
            EXPECT_TRUE(completion.out.contains(QStringLiteral("%1) options=\"").arg(c.name)) &&
                        completion.out.contains(option))
                << option.toStdString();
    }
    const auto search = std::find_if(cli.Commands().begin(), cli.Commands().end(),
                                     [](const SCliCommand& c) { return c.name == "search"; });
    ASSERT_NE(search, cli.Commands().end());
    EXPECT_TRUE(CCommandLine::OptionsOf(*search).contains(QStringLiteral("--title")));
    EXPECT_TRUE(CCommandLine::OptionsOf(*search).contains(QStringLiteral("--fast")));
}

} // namespace
