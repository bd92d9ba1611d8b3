#include "net/CUpdateCheck.h"
#include "platform/CSettings.h"
#include "support/CCliRun.h"
#include "support/CLocalHttpServer.h"
#include "support/CPythonServer.h"
#include "support/CScriptedPrompts.h"
#include "support/CTestCa.h"
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

    // The command line prints the status line and what is new, and names the unencrypted
    // address once.
    env.WriteFile(QStringLiteral("www/version.txt"), "300\nFaster search\n\nA new player\n");
    const QString plainNotice =
        QStringLiteral("Cratewise: The address %1 is not encrypted (http://): what it answers "
                       "can be changed on the way. An https:// address avoids that. This is "
                       "said once.\n");
    for (const QString& notice : {plainNotice.arg(server.Url()), QString()}) {
        const SCliRun run = SCliRun::Run(env.DataDir(), {QStringLiteral("check-update")});
        EXPECT_EQ(run.status, 0) << run.err.toStdString();
        EXPECT_EQ(run.out, "Update found!\nFaster search\n\nA new player\n");
        EXPECT_EQ(run.err, notice);
    }

    QFile::remove(www + QStringLiteral("/version.txt"));
    const CUpdateCheck::SResult missing = CUpdateCheck::Run();
    EXPECT_FALSE(missing.answered);
    EXPECT_TRUE(missing.status.contains(QStringLiteral("File not found")))
        << missing.status.toStdString();

    // No server: the error is the status, and the command line fails with it.
    const QString nobody = QStringLiteral("http://127.0.0.1:%1").arg(CPythonServer::FreePort());
    CSettings::SetString(ESetting::UpdateServer, nobody);
    const CUpdateCheck::SResult refused = CUpdateCheck::Run();
    EXPECT_FALSE(refused.answered);
    EXPECT_FALSE(refused.found);
    EXPECT_EQ(refused.status, "Connection refused");
    const SCliRun failed = SCliRun::Run(env.DataDir(), {QStringLiteral("check-update")});
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.out, "");
    EXPECT_EQ(failed.err, plainNotice.arg(nobody) + "cratewise: Connection refused\n");

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

// A new install asks over https; the certificate is checked, and a redirect to http is
// refused.
TEST(UpdateCheckTest, AsksOverHttpsByDefaultAndRefusesARedirectToHttp)
{
    CTestEnvironment env;
    EXPECT_EQ(
        SCliRun::Run(env.DataDir(), {QStringLiteral("config"), QStringLiteral("UpdateServer")}).out,
        "https://updates.cratewise.example\n");
    CTestCa ca(env.Root() + QStringLiteral("/ca"));
    const QString cert = ca.Issue(QStringLiteral("web"), QStringLiteral("IP:127.0.0.1"));
    ASSERT_TRUE(ca.Ok());
    const QString www = env.MakeDir(QStringLiteral("www"));
    env.WriteFile(QStringLiteral("www/version.txt"), "300\nSigned in mail\n");
    const QString script =
        env.WriteFile(QStringLiteral("https.py"), R"(import functools, http.server, ssl, sys
port, www, cert, key = sys.argv[1:5]
class Files(http.server.SimpleHTTPRequestHandler):
    def do_GET(self):
        if not self.path.startswith('/moved/'):
            return super().do_GET()
        self.send_response(302)
        self.send_header('Location', 'http://127.0.0.1:9/version.txt')
        self.send_header('Content-Length', '0')
        self.end_headers()
httpd = http.server.ThreadingHTTPServer(('127.0.0.1', int(port)), functools.partial(Files, directory=www))
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(cert, key)
httpd.socket = context.wrap_socket(httpd.socket, server_side=True)
httpd.serve_forever()
)");
    CPythonServer server({script, QStringLiteral("{port}"), www, cert, ca.Key("web")});
    ASSERT_TRUE(server.Ready());
    const QString base = QStringLiteral("https://127.0.0.1:%1").arg(server.Port());
    CScriptedPrompts prompts;
    CSettings::SetString(ESetting::UpdateServer, base);
    EXPECT_EQ(CUpdateCheck::Run(nullptr, &prompts).status, "Update found!");
    CSettings::SetString(ESetting::UpdateServer, base + QStringLiteral("/moved"));
    EXPECT_EQ(CUpdateCheck::Run(nullptr, &prompts).status,
              "127.0.0.1 sent the request on to an unencrypted (http://) address; refused.");
    EXPECT_TRUE(prompts.messages.isEmpty()); // https is nothing to warn of
}

} // namespace
