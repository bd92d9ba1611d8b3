#include "app/CAboutDialog.h"
#include "platform/CSettings.h"
#include "support/CScriptedPrompts.h"
#include "support/CTestEnvironment.h"
#include "support/gui/CModalScript.h"
#include "ui/CHyperLink.h"

#include <QDialog>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(AboutDialogTest, LinksToTheSiteAndTheSupportAddress)
{
    CTestEnvironment env;
    CSettings::SetString(ESetting::SupportAddress, "help@example.org");
    CScriptedPrompts prompts;
    CAboutDialog about(nullptr, &prompts);
    EXPECT_EQ(about.WebLink()->Url(), "https://cratewise.example");
    EXPECT_EQ(about.MailLink()->text(), "help@example.org");
    EXPECT_EQ(about.MailLink()->Url(), "mailto:help@example.org");
    EXPECT_TRUE(about.MailLink()->LinkStyle() & CHyperLink::kOpenOnPress);

    QStringList opened;
    about.MailLink()->SetOpener([&](const QString& url) {
        opened << url;
        return int(CHyperLink::kOpened);
    });
    about.show();
    QTest::mousePress(about.MailLink(), Qt::LeftButton);
    EXPECT_EQ(opened, QStringList({"mailto:help@example.org"}));

    CModalScript script({[](QWidget* modal) {
        EXPECT_EQ(modal->windowTitle(), "Credits");
        qobject_cast<QDialog*>(modal)->accept();
    }});
    QTest::mouseClick(about.CreditsButton(), Qt::LeftButton);
    EXPECT_TRUE(script.Finished());
}

} // namespace
