#include "net/CMailMessage.h"
#include "net/CSmtpConnection.h"
#include "support/CPythonServer.h"
#include "support/CScriptedSmtpServer.h"
#include "support/CTestEnvironment.h"

#include <QElapsedTimer>
#include <QHostInfo>
#include <QRegularExpression>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

CMailMessage Mail(const QString& body, const QString& subject = QStringLiteral("Hi"))
{
    CMailMessage mail;
    mail.m_from = QStringLiteral("ann@example.org");
    mail.AddRecipients(QStringLiteral("Support <support@example.org>;bob@example.org"));
    mail.m_subject = subject;
    mail.m_body = body;
    return mail;
}

std::unique_ptr<CSmtpConnection> Connection(quint16 port)
{
    auto c = std::make_unique<CSmtpConnection>(QStringLiteral("127.0.0.1"), port);
    c->SetTimeout(400);
    return c;
}

struct SmtpConnectionTest : ::testing::Test
{
    CTestEnvironment env;
    CScriptedSmtpServer server;

    std::unique_ptr<CSmtpConnection> Connection() { return ::Connection(server.Port()); }
};

TEST_F(SmtpConnectionTest, SendsTheDialogueAndTheStuffedBodyByteForByte)
{
    // Replies in pieces, and an EHLO reply of several lines, are read whole.
    server.inPieces = true;
    server.replies["EHLO"] = "250-first\r\n250-8BITMIME\r\n250 SIZE 1000\r\n";
    auto c = Connection();
    c->SetTimeout(5000); // eight replies in two pieces each
    ASSERT_TRUE(c->Connect()) << c->LastErrorText().toStdString();
    CMailMessage mail = Mail(QStringLiteral(".\n.hidden\r\nmiddle\r\n.\r\nno final break"));
    ASSERT_TRUE(c->SendMail(mail)) << c->LastErrorText().toStdString();
    ASSERT_TRUE(c->Disconnect());
    EXPECT_EQ(c->LastErrorText(), "OK");

    const QByteArray expectedStart = "EHLO " + QHostInfo::localHostName().toUtf8() +
                                     "\r\nMAIL From: <ann@example.org>\r\n"
                                     "RCPT TO: <support@example.org>\r\n"
                                     "RCPT TO: <bob@example.org>\r\nDATA\r\n";
    ASSERT_TRUE(server.received.startsWith(expectedStart)) << server.received.toStdString();
    const QByteArray data = server.received.mid(expectedStart.size());
    static const QRegularExpression header(
        "^Date: \\w{3}, \\d\\d \\w{3} \\d\\d \\d\\d:\\d\\d:\\d\\d \\S+\r\n"
        "From: ann@example.org\r\n"
        "To: Support <support@example.org>,<bob@example.org>\r\n"
        "Subject: Hi\r\nX-Mailer: <Vexo Mail>\r\n\r\n");
    EXPECT_TRUE(header.match(QString::fromUtf8(data)).hasMatch()) << data.toStdString();
    EXPECT_TRUE(data.endsWith("\r\n\r\n..\r\n..hidden\r\nmiddle\r\n..\r\nno final break\r\n"
                              "\r\n.\r\nQUIT\r\n"))
        << data.toStdString();
}

TEST_F(SmtpConnectionTest, ErrorsNameTheFailedStepButARefusedRecipientIsNone)
{
    struct SCase
    {
        const char* verb;
        QByteArray reply;
        const char* error;
    };
    const SCase cases[] = {
        {"EHLO", "501 who are you\r\n", "501:SMTP server error"},
        {"MAIL", "451 later\r\n", "451:SMTP server error"},
        {"DATA", "554 no\r\n", "554:SMTP server not ready for data"},
        {".", "552 too big\r\n", "552:SMTP server error"},
        {"QUIT", "250 what\r\n", "250:SMTP server didn't terminate session"},
    };
    for (const SCase& k : cases) {
        CScriptedSmtpServer s;
        s.replies[k.verb] = k.reply;
        const auto c = ::Connection(s.Port());
        CMailMessage mail = Mail(QStringLiteral("x"));
        const bool ok = c->Connect() && c->SendMail(mail) && c->Disconnect();
        EXPECT_FALSE(ok) << k.verb;
        EXPECT_EQ(c->LastErrorText(), k.error) << k.verb;
    }

    auto c = Connection();
    CMailMessage mail = Mail(QStringLiteral("x"));
    EXPECT_FALSE(c->SendMail(mail));
    EXPECT_EQ(c->LastErrorText(), "Must be connected");
    ASSERT_TRUE(c->Connect());
    CMailMessage nobody;
    EXPECT_FALSE(c->SendMail(nobody));
    EXPECT_EQ(c->LastErrorText(), "No Recipients");

    // A refused recipient is no failure: the others still get the data.
    server.replies["RCPT"] = "550 no such user\r\n";
    EXPECT_TRUE(c->SendMail(mail));
    EXPECT_TRUE(server.received.contains("DATA\r\n"));
}

TEST_F(SmtpConnectionTest, ServersThatRefuseOrFallSilentFailWithinTheLimit)
{
    CScriptedSmtpServer busy, mute, stalls, drips;
    busy.greeting = "421 busy\r\n";
    mute.greeting.clear();
    stalls.silentAfterGreeting = true;
    // Each reply in time, the whole exchange not: cut off once its 400 ms are gone.
    drips.dripMs = 250;
    QElapsedTimer clock;
    clock.start();
    int ticks = 0; // the window's timers and painting go on while the client waits
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(50);
    const quint16 free = CPythonServer::FreePort();
    for (const auto& [port, error] :
         {std::pair<quint16, QString>{busy.Port(), "Server didn't respond."},
          {mute.Port(), "Server didn't respond."},
          {stalls.Port(), "Socket Error"},
          {drips.Port(), "Socket Error"},
          {free, QString("Unable to connect to server 127.0.0.1, port %1: Connection refused")
                     .arg(free)}}) {
        const auto c = ::Connection(port);
        EXPECT_FALSE(c->Connect()) << error.toStdString();
        EXPECT_EQ(c->LastErrorText(), error);
    }
    EXPECT_GE(ticks, 8); // two waits of 400 ms
    EXPECT_LT(clock.elapsed(), 3000);
}

// A line break (CR alone too) would add commands or header lines, a ">" or a space
// parameters of MAIL FROM or RCPT TO: nothing is sent.
TEST_F(SmtpConnectionTest, UnsafeFieldsAreRefusedBeforeAnythingIsSent)
{
    const QString lineBreak = QStringLiteral("An address or the subject contains a line break.");
    const QString badAddress = QStringLiteral("The mail address \"%1\" contains \"<\", \">\", a "
                                              "space or a control character.");
    using Edit = std::function<void(CMailMessage&)>;
    const std::pair<Edit, QString> cases[] = {
        {[](CMailMessage& m) { m.m_subject = "Hi\r\nBcc: eve@example.org"; }, lineBreak},
        {[](CMailMessage& m) { m.m_subject = "Hi\rBcc: eve@example.org"; }, lineBreak},
        {[](CMailMessage& m) { m.m_from = "a@b.c>\nRCPT TO: <eve@example.org"; }, lineBreak},
        {[](CMailMessage& m) { m.m_from = "a@b.c\r"; }, lineBreak},
        {[](CMailMessage& m) { m.AddRecipient("x@y.z", "X\rY"); }, lineBreak},
        {[](CMailMessage& m) { m.AddRecipient("x@y.z\r"); }, lineBreak},
        {[](CMailMessage& m) { m.m_from = "a@b.c> SIZE=1 BODY=8BITMIME"; },
         badAddress.arg("a@b.c> SIZE=1 BODY=8BITMIME")},
        {[](CMailMessage& m) { m.m_from = "a@b.c\x01"; }, badAddress.arg("a@b.c\\x01")},
        {[](CMailMessage& m) { m.m_from = "a@b.c>"; }, badAddress.arg("a@b.c>")},
        {[](CMailMessage& m) { m.AddRecipient("x@y.z\tNOTIFY=NEVER"); },
         badAddress.arg("x@y.z\\x09NOTIFY=NEVER")},
        {[](CMailMessage& m) { m.AddRecipient("<x@y.z> NOTIFY=NEVER"); },
         badAddress.arg("<x@y.z> NOTIFY=NEVER")},
    };
    auto c = Connection();
    ASSERT_TRUE(c->Connect());
    for (const auto& [edit, error] : cases) {
        CMailMessage mail = Mail(QStringLiteral("x"));
        edit(mail);
        EXPECT_FALSE(c->SendMail(mail)) << error.toStdString();
        EXPECT_EQ(c->LastErrorText(), error);
    }
    EXPECT_FALSE(server.received.contains("MAIL")) << server.received.toStdString();
}

} // namespace
