#include "net/CNetTexts.h"
#include "net/CSmtpConnection.h"
#include "platform/CSettings.h"
#include "support/CCliRun.h"
#include "support/CScriptedSmtpServer.h"
#include "support/CTestCa.h"
#include "support/CTestEnvironment.h"
#include "support/CTestMailServer.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

struct SecureMailTest : ::testing::Test
{
    CTestEnvironment env;
    CTestCa ca{env.Root() + QStringLiteral("/ca")};
    QString message = env.WriteFile(QStringLiteral("message.txt"), "It crashed.\n");
    QString password =
        env.WriteFile(QStringLiteral("password"), QByteArray(CTestMailServer::kPassword) + "\n");

    void UseServer(quint16 port, CSmtpConnection::ESecurity security)
    {
        CSettings::SetString(ESetting::MailServer, QStringLiteral("127.0.0.1"));
        CSettings::SetInt(ESetting::MailPort, port);
        CSettings::SetInt(ESetting::MailSecurity, int(security));
        CSettings::SetString(ESetting::MailUser, QString::fromLatin1(CTestMailServer::kUser));
        CSettings::SetString(ESetting::SupportAddress, QStringLiteral("help@example.org"));
    }
    SCliRun Feedback(const QString& passwordFile)
    {
        QStringList args{QStringLiteral("feedback"),
                         QStringLiteral("--name"),
                         QStringLiteral("Ann"),
                         QStringLiteral("--email"),
                         QStringLiteral("ann@example.org"),
                         QStringLiteral("--message-file"),
                         message};
        if (!passwordFile.isEmpty())
            args << QStringLiteral("--password-file") << passwordFile;
        return SCliRun::Run(env.DataDir(), args);
    }
};

TEST_F(SecureMailTest, SignsInInsideTlsFromTheCommandLineWithThePasswordFromAFile)
{
    const QString cert = ca.Issue(QStringLiteral("mail"), QStringLiteral("IP:127.0.0.1"));
    ASSERT_TRUE(ca.Ok()) << "openssl is missing (scripts/install-deps.sh)";
    for (const bool fromStart : {false, true}) {
        CTestMailServer server(env, cert, ca.Key(QStringLiteral("mail")), fromStart);
        ASSERT_TRUE(server.Ready()) << "python3-aiosmtpd is missing (scripts/install-deps.sh)";
        // STARTTLS because the server offers it; TLS from the start because the setting says.
        UseServer(server.Port(),
                  fromStart ? CSmtpConnection::ESecurity::Tls : CSmtpConnection::ESecurity::ByPort);
        const SCliRun sent = Feedback(password);
        EXPECT_EQ(sent.status, 0) << sent.err.toStdString();
        EXPECT_EQ(sent.out, "Message Sent!\n");
        EXPECT_TRUE(server.Mailbox().startsWith("USER ann\nFROM ann@example.org\n"))
            << server.Mailbox().toStdString();

        const SCliRun wrong = Feedback(env.WriteFile(QStringLiteral("wrong"), "guess\n"));
        EXPECT_EQ(wrong.status, 1);
        EXPECT_EQ(wrong.err, "cratewise: 535:SMTP server refused the sign-in\n");
        QFile::remove(env.Root() + QStringLiteral("/mailbox"));
    }

    // A machine without a keyring says so, and how to give the password instead.
    const bool hadBus = qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS");
    const QByteArray bus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus");
    const SCliRun noKeyring = Feedback(QString());
    hadBus ? qputenv("DBUS_SESSION_BUS_ADDRESS", bus) : qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    EXPECT_EQ(noKeyring.status, 1);
    EXPECT_TRUE(noKeyring.err.startsWith("cratewise: The desktop keyring is not available: "))
        << noKeyring.err.toStdString();
    EXPECT_TRUE(noKeyring.err.endsWith("Give the password with --password-file FILE.\n"));
}

// A certificate for another name, or a server without encryption where it is needed: the
// mail and the password never leave in plain text.
TEST_F(SecureMailTest, AWrongCertificateOrMissingEncryptionIsRefusedWithTheReason)
{
    const QString cert = ca.Issue(QStringLiteral("other"), QStringLiteral("DNS:other.example"));
    ASSERT_TRUE(ca.Ok());
    CTestMailServer server(env, cert, ca.Key(QStringLiteral("other")));
    ASSERT_TRUE(server.Ready());
    UseServer(server.Port(), CSmtpConnection::ESecurity::ByPort);
    const SCliRun refused = Feedback(password);
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err,
              QStringLiteral("cratewise: The mail server 127.0.0.1, port %1, was refused: The "
                             "host name did not match any of the valid hosts for this "
                             "certificate. Nothing was sent.\n")
                  .arg(server.Port()));
    EXPECT_TRUE(server.Mailbox().isEmpty());

    using S = CSmtpConnection::ESecurity;
    for (const auto& [security, user] :
         {std::pair{S::ByPort, QStringLiteral("ann")}, std::pair{S::StartTls, QString()}}) {
        CScriptedSmtpServer plain; // offers no STARTTLS
        CSmtpConnection c(QStringLiteral("127.0.0.1"), plain.Port());
        c.SetSecurity(security);
        c.SetSignIn(user, QStringLiteral("secret"));
        EXPECT_FALSE(c.Connect());
        EXPECT_EQ(c.LastErrorText(), CNetTexts::NotEncrypted("127.0.0.1", plain.Port()));
        EXPECT_FALSE(plain.received.contains("AUTH") || plain.received.contains("MAIL"));
    }
}

} // namespace
