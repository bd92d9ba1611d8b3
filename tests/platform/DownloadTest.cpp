#include "platform/CDownload.h"
#include "platform/CSettings.h"
#include "support/CLocalHttpServer.h"
#include "support/CTestEnvironment.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace {

// The body comes whole up to the bound; a server that sends more is cut off.
TEST(Download, ReturnsTheBodyUpToItsBoundAndAnswersYes)
{
    CTestEnvironment env;
    CLocalHttpServer server;
    for (const qint64 size : {qint64(200000), CDownload::kMaxBytes, CDownload::kMaxBytes + 1}) {
        server.body = QByteArray("10cc\r\n2Pac\r\n") + QByteArray(size - 12, 'x');
        QByteArray body;
        const QString result = CDownload::Get(server.Url("/excepted.txt"), body);
        if (size <= CDownload::kMaxBytes) {
            EXPECT_EQ(result, "YES") << size;
            EXPECT_EQ(body, server.body);
        } else {
            EXPECT_EQ(result, "The server sent more than 1024 KB; no answer it owes is that long.");
            EXPECT_TRUE(body.isEmpty());
        }
    }
    EXPECT_EQ(server.paths.value(0), "/excepted.txt");
}

TEST(Download, ServerErrorPageIsAnErrorNotNames)
{
    CTestEnvironment env;
    CLocalHttpServer server;
    server.status = 404;
    server.body = "<html>gone</html>";
    QByteArray body;
    const QString result = CDownload::Get(server.Url("/excepted.txt"), body);
    EXPECT_NE(result, "YES");
    EXPECT_FALSE(result.isEmpty());
    EXPECT_LE(result.size(), 254);
    EXPECT_TRUE(body.isEmpty());
}

TEST(Download, SilentServerIsGivenUpAfterTheTimeLimitSetting)
{
    CTestEnvironment env;
    CSettings::SetInt(ESetting::NetTimeout, 1);
    CLocalHttpServer server;
    server.hang = true;
    QElapsedTimer clock;
    clock.start();
    QByteArray body;
    const QString result = CDownload::Get(server.Url("/excepted.txt"), body);
    EXPECT_NE(result, "YES");
    EXPECT_GE(clock.elapsed(), 900);
    EXPECT_LT(clock.elapsed(), 5000);
}

TEST(Download, RefusedConnectionAndBadAddressAreErrors)
{
    CTestEnvironment env;
    quint16 closedPort = 0;
    {
        CLocalHttpServer gone;
        closedPort = gone.Port();
    }
    QByteArray body;
    EXPECT_NE(CDownload::Get(QString("http://127.0.0.1:%1/e.txt").arg(closedPort), body, 3000),
              "YES");
    EXPECT_NE(CDownload::Get("not a url", body, 3000), "YES");
}

TEST(Download, UpdateAddressComesFromTheSetting)
{
    CTestEnvironment env;
    EXPECT_EQ(CDownload::UpdateUrl("/excepted.txt"),
              "https://updates.cratewise.example/excepted.txt");
    CSettings::SetString(ESetting::UpdateServer, "http://127.0.0.1:8080/");
    EXPECT_EQ(CDownload::UpdateUrl("/excepted.txt"), "http://127.0.0.1:8080/excepted.txt");
}

} // namespace
