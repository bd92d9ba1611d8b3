#include "db/CExceptSet.h"
#include "model/CAppServices.h"
#include "net/gui/CFeedbackDialog.h"
#include "platform/CSettings.h"
#include "support/CLocalHttpServer.h"
#include "support/CMemoryPasswords.h"
#include "support/CScriptedPrompts.h"
#include "support/CScriptedSmtpServer.h"
#include "support/CTestCa.h"
#include "support/CTestEnvironment.h"
#include "support/CTestMailServer.h"
#include "support/gui/CModalScript.h"
#include "support/gui/CViewFixture.h"
#include "ui/CommandIds.h"

#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

using EIcon = CPrompts::EIcon;

void Click(QWidget* dialog, const char* button)
{
    QTest::mouseClick(dialog->findChild<QPushButton*>(button), Qt::LeftButton);
}

void UseMailServer(const CScriptedSmtpServer& server)
{
    CSettings::SetString(ESetting::MailServer, QStringLiteral("127.0.0.1"));
    CSettings::SetInt(ESetting::MailPort, server.Port());
    CSettings::SetString(ESetting::SupportAddress, QStringLiteral("help@example.org"));
    CSettings::SetInt(ESetting::NetTimeout, 2);
}

TEST(NetDialogsTest, FeedbackFormStaysOpenOnFailureAndClosesWhenSent)
{
    CTestEnvironment env;
    CScriptedPrompts prompts;
    CScriptedSmtpServer server;
    server.greeting = "421 not now\r\n";
    UseMailServer(server);
    SAppServices services;
    services.prompts = &prompts;
    CFeedbackDialog form(services);
    form.show();
    EXPECT_EQ(form.windowTitle(), "Send Feedback/Bug Report");
    form.findChild<QLineEdit*>("name")->setText("Ann");
    form.findChild<QLineEdit*>("email")->setText("ann@example.org");
    form.findChild<QPlainTextEdit*>("message")->setPlainText("Line one\nLine two");
    Click(&form, "send");
    ASSERT_EQ(prompts.messages.size(), 2);
    EXPECT_EQ(prompts.messages[0].text,
              QString("Please make sure that you\nare connected to the Internet.\n\nThe mail goes "
                      "to 127.0.0.1, port %1 (the settings MailServer and MailPort).")
                  .arg(server.Port()));
    EXPECT_EQ(prompts.messages[0].caption, "Connected...");
    EXPECT_EQ(prompts.messages[0].icon, EIcon::Information);
    EXPECT_EQ(prompts.messages[1].text, "Server didn't respond.");
    EXPECT_EQ(prompts.messages[1].caption, "Cratewise");
    EXPECT_TRUE(form.isVisible());

    // A server that says nothing: Cancel stops the wait at once, and says nothing either.
    server.greeting.clear();
    QTimer::singleShot(100, &form, [&form] {
        EXPECT_FALSE(form.findChild<QPushButton*>("send")->isEnabled());
        Click(&form, "cancel");
    });
    QElapsedTimer clock;
    clock.start();
    Click(&form, "send");
    EXPECT_LT(clock.elapsed(), 1500);
    EXPECT_EQ(prompts.messages.size(), 3);
    EXPECT_TRUE(form.isVisible());

    server.greeting = "220 welcome\r\n";
    server.received.clear();
    Click(&form, "send");
    ASSERT_EQ(prompts.messages.size(), 5);
    EXPECT_EQ(prompts.messages[4].text, "Message Sent!");
    EXPECT_EQ(prompts.messages[4].caption, "Cratewise");
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_TRUE(server.received.contains("MAIL From: <ann@example.org>\r\n"));
}

// Signed in: the typed password goes to the keyring once the server took the mail, and the
// next mail signs in with the keyring's; the settings file never holds it. "Send with my
// mail program" hands the same text to the desktop as a mailto: address.
TEST(NetDialogsTest, FeedbackSignsInWithTheKeyringsPasswordOrHandsTheMailToAMailProgram)
{
    CTestEnvironment env;
    CTestCa ca(env.Root() + QStringLiteral("/ca"));
    const QString cert = ca.Issue(QStringLiteral("mail"), QStringLiteral("IP:127.0.0.1"));
    ASSERT_TRUE(ca.Ok());
    CTestMailServer server(env, cert, ca.Key(QStringLiteral("mail")));
    ASSERT_TRUE(server.Ready());
    CSettings::SetString(ESetting::MailServer, QStringLiteral("127.0.0.1"));
    CSettings::SetInt(ESetting::MailPort, server.Port());
    CSettings::SetString(ESetting::MailUser, QStringLiteral("ann"));
    CSettings::SetString(ESetting::SupportAddress, QStringLiteral("help@example.org"));
    CScriptedPrompts prompts;
    CMemoryPasswords keyring;
    QList<QUrl> opened;
    SAppServices services;
    services.prompts = &prompts;
    services.passwords = &keyring;
    services.openUrl = [&opened](const QUrl& url) {
        opened << url;
        return true;
    };

    for (const QString& typed :
         {QString(), QString::fromUtf8(CTestMailServer::kPassword), QString()}) {
        CFeedbackDialog form(services);
        form.show();
        form.findChild<QLineEdit*>("password")->setText(typed);
        form.findChild<QPlainTextEdit*>("message")->setPlainText("Hello");
        Click(&form, "send");
    }
    ASSERT_EQ(prompts.messages.size(), 5) << prompts.Texts().join(u'|').toStdString();
    EXPECT_EQ(prompts.messages[0].text, "The desktop keyring keeps no password for ann at "
                                        "127.0.0.1.\n\nType the password in the Password "
                                        "field; it is used for this mail only when the keyring "
                                        "cannot keep it.");
    EXPECT_EQ(prompts.messages[2].text, "Message Sent!");
    EXPECT_EQ(prompts.messages[4].text, "Message Sent!");
    EXPECT_EQ(keyring.kept.value("ann@127.0.0.1"), QString::fromUtf8(CTestMailServer::kPassword));
    EXPECT_EQ(server.Mailbox().count("USER ann\n"), 2);
    QFile settings(env.SettingsFile());
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    EXPECT_FALSE(settings.readAll().contains(CTestMailServer::kPassword));

    CFeedbackDialog form(services);
    form.show();
    form.SetSubject("Cratewise - Excluded");
    form.findChild<QLineEdit*>("name")->setText("Ann");
    form.findChild<QPlainTextEdit*>("message")->setPlainText("A & B?\n#1");
    Click(&form, "mailProgram");
    EXPECT_EQ(form.result(), QDialog::Accepted);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0].toEncoded(),
              "mailto:help@example.org?subject=Cratewise%20-%20Excluded&body=Cratewise%20version"
              "%202.93%0D%0AName%3A%20Ann%0D%0AMessage%3A%20A%20%26%20B%3F%0D%0A%231");
}

// Through the window: Submit New Names in the names dialog opens the mail form over it.
TEST(NetDialogsTest, SubmitNewNamesMailsTheListedNames)
{
    CViewFixture f;
    CScriptedSmtpServer server;
    UseMailServer(server);
    f.Start();
    CExceptSet& names = f.doc.ExceptSet();
    for (const char* name : {"10cc", "2Pac"})
        names.Add(QString::fromUtf8(name));

    QString caption, label, message;
    CModalScript script({[&](QWidget* list) {
                             // Outside this step, which cannot run while another is open.
                             QTimer::singleShot(0, list, [list] {
                                 Click(list, "submit");
                                 static_cast<QDialog*>(list)->reject();
                             });
                         },
                         [&](QWidget* form) {
                             caption = form->windowTitle();
                             label = form->findChild<QLabel*>("messageLabel")->text();
                             message = form->findChild<QPlainTextEdit*>("message")->toPlainText();
                             EXPECT_TRUE(form->findChild<QLineEdit*>("name")->text().isEmpty());
                             Click(form, "send");
                         }});
    f.View().Action(ID_EXCLUDED_NAMES)->trigger();
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(caption, "Submit Name(s) With Leading Digits");
    EXPECT_EQ(label, "Name(s):");
    EXPECT_EQ(message, "10cc\n2Pac\n");
    EXPECT_TRUE(server.received.contains("Subject: Cratewise - Excluded\r\n"));
    EXPECT_TRUE(server.received.contains("Name: \r\nMessage: 10cc\r\n2Pac\r\n\r\n.\r\n"))
        << server.received.toStdString();
}

TEST(NetDialogsTest, HelpChecksForUpdatesShowsWhatsNewAndOpensTheSite)
{
    CViewFixture f;
    f.SkipStartQuestions();
    CSettings::SetString(ESetting::WebSite, QStringLiteral("https://site.example.org/"));
    CLocalHttpServer http;
    CSettings::SetString(ESetting::UpdateServer, http.Url(QString()));
    f.Start();

    QStringList statuses;
    QList<bool> enabled;
    QString features;
    const auto status = [](QWidget* d) { return d->findChild<QLabel*>("status")->text(); };
    CModalScript script({[&](QWidget* d) {
                             EXPECT_EQ(d->windowTitle(), "Check for Updates");
                             statuses << status(d);
                             http.body = "293\n";
                             Click(d, "check");
                             statuses << status(d);
                             enabled << d->findChild<QPushButton*>("whatsNew")->isEnabled();
                             http.body = "300\nFaster search\nA new player\n";
                             Click(d, "check");
                             statuses << status(d);
                             enabled << d->findChild<QPushButton*>("whatsNew")->isEnabled()
                                     << d->findChild<QPushButton*>("download")->isEnabled();
                             // Outside this step, which cannot run while another is open.
                             QTimer::singleShot(0, d, [d] {
                                 Click(d, "whatsNew");
                                 Click(d, "download");
                                 static_cast<QDialog*>(d)->reject();
                             });
                         },
                         [&](QWidget* d) {
                             EXPECT_EQ(d->windowTitle(), "What's new?");
                             features = d->findChild<QPlainTextEdit*>("features")->toPlainText();
                             static_cast<QDialog*>(d)->reject();
                         }});
    f.View().Action(ID_CHECK_UPDATES)->trigger();
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(statuses, (QStringList{"Check for updates", "No update was found", "Update found!"}));
    EXPECT_EQ(enabled, (QList<bool>{false, true, true}));
    EXPECT_EQ(features, "Faster search\nA new player\n");
    EXPECT_EQ(f.openedUrls, QList<QUrl>{QUrl("https://site.example.org/")});
}

} // namespace
