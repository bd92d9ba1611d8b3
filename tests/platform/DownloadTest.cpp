#include "net/CDownload.h"
#include "platform/CSettings.h"
#include "support/CLocalHttpServer.h"
#include "support/CTestEnvironment.h"

#include <QElapsedTimer>
#include <QFile>
#include <gtest/gtest.h>

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

TEST(Download, WritesTheBodyAndAnswersYes)
{
    CTestEnvironment env;
    CLocalHttpServer server;
    server.body = QByteArray("10cc\r\n2Pac\r\n") + QByteArray(200000, 'x');
    const QString file = env.Root() + "/names.tmp";
    EXPECT_EQ(CDownload::Fetch(server.Url("/excepted.txt"), file), "YES");
    EXPECT_EQ(ReadAll(file), server.body);
    EXPECT_EQ(server.paths, QStringList{"/excepted.txt"});
}

TEST(Download, ServerErrorPageIsAnErrorNotNames)
{
    CTestEnvironment env;
    CLocalHttpServer server;
    server.status = 404;
    server.body = "<html>gone</html>";
    const QString file = env.Root() + "/names.tmp";
    const QString result = CDownload::Fetch(server.Url("/excepted.txt"), file);
    EXPECT_NE(result, "YES");
    EXPECT_FALSE(result.isEmpty());
    EXPECT_LE(result.size(), 254);
    EXPECT_FALSE(QFile::exists(file));
}

TEST(Download, SilentServerIsGivenUpAfterTheTimeLimitSetting)
{
    CTestEnvironment env;
    CSettings::SetInt("NetTimeout", 1);
    CLocalHttpServer server;
    server.hang = true;
    QElapsedTimer clock;
    clock.start();
    const QString result = CDownload::Fetch(server.Url("/excepted.txt"), env.Root() + "/x.tmp");
    EXPECT_NE(result, "YES");
    EXPECT_GE(clock.elapsed(), 900);
    EXPECT_LT(clock.elapsed(), 5000);
}

TEST(Download, RefusedConnectionBadAddressAndUnwritableFileAreErrors)
{
    CTestEnvironment env;
    quint16 closedPort = 0;
    {
        CLocalHttpServer gone;
        closedPort = gone.Port();
    }
    const QString file = env.Root() + "/x.tmp";
    EXPECT_NE(CDownload::Fetch(QString("http://127.0.0.1:%1/e.txt").arg(closedPort), file, 3000),
              "YES");
    EXPECT_NE(CDownload::Fetch("not a url", file, 3000), "YES");
    CLocalHttpServer server;
    EXPECT_NE(CDownload::Fetch(server.Url("/e.txt"), env.Root() + "/no/such/dir/x.tmp", 3000),
              "YES");
}

TEST(Download, UpdateAddressComesFromTheSetting)
{
    CTestEnvironment env;
    EXPECT_EQ(CDownload::UpdateUrl("/excepted.txt"),
              "http://updates.cratewise.example/excepted.txt");
    CSettings::SetString("UpdateServer", "http://127.0.0.1:8080/");
    EXPECT_EQ(CDownload::UpdateUrl("/excepted.txt"), "http://127.0.0.1:8080/excepted.txt");
}

} // namespace
