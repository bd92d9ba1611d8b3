#include "net/CUpdateCheck.h"
#include "platform/CSettings.h"
#include "support/CCliRun.h"
#include "support/CLocalHttpServer.h"
#include "support/CPythonServer.h"
#include "support/CTestEnvironment.h"

#include <QDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

TEST(UpdateCheckTest, ReadsTheVersionFileFromAWebServerOrGivesTheErrorAsStatus)
{
    CTestEnvironment env;
    const QString www = env.MakeDir(QStringLiteral("www"));
    CPythonServer server({QStringLiteral("-m"), QStringLiteral("http.server"),
                          QStringLiteral("--bind"), QStringLiteral("127.0.0.1"),
                          QStringLiteral("--directory"), www, QStringLiteral("{port}")});
    ASSERT_TRUE(server.Ready());
    CSettings::SetString(ESetting::UpdateServer, server.Url() + u'/');

    struct SCase
    {
        QByteArray file;
        const char* status;
        QString whatsNew;
    };
    const SCase cases[] = {
        {"293\r\n", "No update was found", {}},
        {"300\nFaster search\r\nA new player\n", "Update found!",
         QStringLiteral("Faster search\r\nA new player\r\n")},
        {"  294 beta\nÉtoile", "Update found!", QStringLiteral("Étoile\r\n")},
        {"", "No update was found", {}},
        {"three hundred\n", "No update was found", {}},
        {"99999999999999999999999\n", "Update found!", {}},
    };
    for (const SCase& k : cases) {
        env.WriteFile(QStringLiteral("www/version.txt"), k.file);
        const CUpdateCheck::SResult result = CUpdateCheck::Run();
        EXPECT_TRUE(result.answered) << k.file.toStdString();
        EXPECT_EQ(result.status, k.status) << k.file.toStdString();
        EXPECT_EQ(result.whatsNew, k.whatsNew) << k.file.toStdString();
    }

    // The command line prints the status line and what is new.
    env.WriteFile(QStringLiteral("www/version.txt"), "300\nFaster search\n\nA new player\n");
    const SCliRun run = SCliRun::Run(env.DataDir(), {QStringLiteral("check-update")});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "Update found!\nFaster search\n\nA new player\n");

    QFile::remove(www + QStringLiteral("/version.txt"));
    const CUpdateCheck::SResult missing = CUpdateCheck::Run();
    EXPECT_FALSE(missing.answered);
    EXPECT_TRUE(missing.status.contains(QStringLiteral("File not found")))
        << missing.status.toStdString();

    // No server: the error is the status, and the command line fails with it.
    CSettings::SetString(ESetting::UpdateServer,
                         QStringLiteral("http://127.0.0.1:%1").arg(CPythonServer::FreePort()));
    const CUpdateCheck::SResult refused = CUpdateCheck::Run();
    EXPECT_FALSE(refused.answered);
    EXPECT_FALSE(refused.found);
    EXPECT_EQ(refused.status, "Connection refused");
    const SCliRun failed = SCliRun::Run(env.DataDir(), {QStringLiteral("check-update")});
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.out, "");
    EXPECT_EQ(failed.err, "cratewise: Connection refused\n");

    // Nothing goes to disk meanwhile, so the program killed at any moment leaves nothing.
    const QString temp = env.MakeDir(QStringLiteral("tmp"));
    qputenv("TMPDIR", temp.toLocal8Bit());
    CLocalHttpServer silent;
    silent.hang = true;
    CSettings::SetString(ESetting::UpdateServer, silent.Url(QString()));
    CSettings::SetInt(ESetting::NetTimeout, 1);
    QStringList written = {QStringLiteral("not looked")};
    QTimer::singleShot(300, [&] { written = QDir(temp).entryList(QDir::Files | QDir::Hidden); });
    EXPECT_FALSE(CUpdateCheck::Run().answered);
    qunsetenv("TMPDIR");
    EXPECT_TRUE(written.isEmpty()) << written.join(u' ').toStdString();
}

} // namespace
