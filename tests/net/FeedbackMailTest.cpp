#include "platform/CSettings.h"
#include "support/CCliRun.h"
#include "support/CPythonServer.h"
#include "support/CTestEnvironment.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

// Debian's aiosmtpd, keeping each mail's envelope and content in a file.
const char* const kSink = R"(import asyncio, sys
from aiosmtpd.controller import Controller
class Keep:
    async def handle_DATA(self, server, session, envelope):
        with open(sys.argv[2], 'ab') as f:
            f.write(('FROM ' + envelope.mail_from + '\nTO ' + ','.join(envelope.rcpt_tos) + '\n').encode())
            f.write(envelope.original_content)
        return '250 OK'
c = Controller(Keep(), hostname='127.0.0.1', port=int(sys.argv[1]))
c.start()
asyncio.get_event_loop().run_forever()
)";

TEST(FeedbackMailTest, ARealMailServerReceivesTheFeedbackFromTheCommandLine)
{
    CTestEnvironment env;
    const QString script = env.WriteFile(QStringLiteral("sink.py"), kSink);
    const QString mailbox = env.Root() + QStringLiteral("/mailbox");
    CPythonServer server({script, QStringLiteral("{port}"), mailbox});
    ASSERT_TRUE(server.Ready()) << "python3-aiosmtpd is missing (scripts/install-deps.sh)";
    CSettings::SetString(ESetting::MailServer, QStringLiteral("127.0.0.1"));
    CSettings::SetInt(ESetting::MailPort, server.Port());
    CSettings::SetString(ESetting::SupportAddress, QStringLiteral("help@example.org"));
    const QString message =
        env.WriteFile(QStringLiteral("message.txt"), "It crashed.\n.\n.profile was read\nBye");

    // No e-mail given: the support address sends it.
    const SCliRun run =
        SCliRun::Run(env.DataDir(), {QStringLiteral("feedback"), QStringLiteral("--name"),
                                     QStringLiteral("Ann Ö"), QStringLiteral("--email"), QString(),
                                     QStringLiteral("--message-file"), message});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "Message Sent!\n");

    QFile kept(mailbox);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    const QByteArray mail = kept.readAll();
    EXPECT_TRUE(mail.startsWith("FROM help@example.org\nTO help@example.org\nDate: "))
        << mail.toStdString();
    EXPECT_TRUE(mail.contains("\r\nFrom: help@example.org\r\nTo: <help@example.org>\r\n"
                              "Subject: Cratewise - Feedback\r\nX-Mailer: <Vexo Mail>\r\n\r\n"));
    // What the user wrote arrives as written: the server undid the stuffing.
    EXPECT_TRUE(mail.endsWith("\r\n\r\nCratewise version 2.93\r\nName: Ann Ö\r\n"
                              "Message: It crashed.\r\n.\r\n.profile was read\r\nBye\r\n\r\n"))
        << mail.toStdString();

    const SCliRun missing =
        SCliRun::Run(env.DataDir(),
                     {QStringLiteral("feedback"), QStringLiteral("--name"), QStringLiteral("Ann")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "cratewise: usage: cratewise feedback --name N --email E "
                           "--message-file F [--password-file P]\n");
}

} // namespace
