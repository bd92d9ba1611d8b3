#include "db/CExceptSet.h"
#include "intake/gui/CExcludedNamesDialog.h"
#include "platform/CSettings.h"
#include "support/CLocalHttpServer.h"
#include "support/CScriptedPrompts.h"
#include "support/CTestEnvironment.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const char* kDownloadError = "An error occured while trying to get the updates.\nPlease make "
                             "sure that you are connected to the Internet.";

struct ExcludedNamesDialogTest : ::testing::Test
{
    CTestEnvironment env;
    CDatabase db;
    CExceptSet names;
    CScriptedPrompts prompts;

    void SetUp() override
    {
        db.Open(env.DatabasePath());
        names.Open(db);
        for (const char* name : {"Zz Top", "10cc", "ABBA"})
            names.Add(QString::fromUtf8(name));
    }
    QPushButton* Button(CExcludedNamesDialog& d, const char* name)
    {
        return d.findChild<QPushButton*>(name);
    }
    QListWidget* List(CExcludedNamesDialog& d) { return d.findChild<QListWidget*>("names"); }
};

TEST_F(ExcludedNamesDialogTest, ShowsTheTableSortedAndEditsTheList)
{
    CExcludedNamesDialog dialog(names, prompts);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Names With Leading Digits");
    EXPECT_EQ(dialog.Names(), (QStringList{"10cc", "ABBA", "Zz Top"}));
    EXPECT_TRUE(Button(dialog, "submit")->isEnabled());

    auto* edit = dialog.findChild<QLineEdit*>("name");
    QTest::keyClicks(edit, "2 Unlimited");
    QTest::mouseClick(Button(dialog, "add"), Qt::LeftButton);
    EXPECT_TRUE(edit->text().isEmpty());
    QTest::mouseClick(Button(dialog, "add"), Qt::LeftButton); // an empty name is listed too
    EXPECT_EQ(dialog.Names(), (QStringList{"", "10cc", "2 Unlimited", "ABBA", "Zz Top"}));

    QListWidget* list = List(dialog);
    const QRect cell = list->visualItemRect(list->item(3));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(dialog.Names(), (QStringList{"", "10cc", "2 Unlimited", "Zz Top"}));
}

TEST_F(ExcludedNamesDialogTest, SaveReplacesTheTableCancelKeepsIt)
{
    {
        CExcludedNamesDialog dialog(names, prompts);
        dialog.findChild<QLineEdit*>("name")->setText("808 State");
        dialog.Add();
        dialog.reject();
    }
    EXPECT_EQ(names.Names(), (QStringList{"Zz Top", "10cc", "ABBA"}));
    CExcludedNamesDialog dialog(names, prompts);
    dialog.findChild<QLineEdit*>("name")->setText("808 State");
    dialog.Add();
    QTest::mouseClick(Button(dialog, "save"), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    // Stored from the last entry of the list to the first; the set is requeried.
    EXPECT_EQ(names.Names(), (QStringList{"Zz Top", "ABBA", "808 State", "10cc"}));
}

TEST_F(ExcludedNamesDialogTest, SaveWithAnEmptyListEmptiesTheTable)
{
    CExcludedNamesDialog dialog(names, prompts);
    List(dialog)->clear();
    dialog.Save();
    names.Requery();
    EXPECT_TRUE(names.Names().isEmpty());
}

TEST_F(ExcludedNamesDialogTest, DownloadAddsNamesNotListedIgnoringCase)
{
    CLocalHttpServer server;
    server.body = "abba\r\n2Pac\r\n\r\n2PAC\nÉric 4\n";
    CSettings::SetString(ESetting::UpdateServer, server.Url(""));
    CSettings::SetString(ESetting::PlainNamed, server.Url("")); // named as unencrypted before
    CExcludedNamesDialog dialog(names, prompts);
    QTest::mouseClick(Button(dialog, "download"), Qt::LeftButton);
    EXPECT_EQ(server.paths, QStringList{"/excepted.txt"});
    EXPECT_EQ(dialog.Names(), (QStringList{"", "10cc", "2Pac", "ABBA", "Zz Top", "Éric 4"}));
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(prompts.messages[0].text, "3 new artist or titlename was added to the list.");
    EXPECT_EQ(prompts.messages[0].caption, "Update Info");
    EXPECT_EQ(prompts.messages[0].icon, CPrompts::EIcon::Information);

    dialog.DownloadNewNames();
    EXPECT_EQ(prompts.messages.last().text, "No updates was found.");
    // Downloaded names reach the table only with Save.
    EXPECT_EQ(names.Names().size(), 3);
}

TEST_F(ExcludedNamesDialogTest, FailedDownloadChangesNothingAndSaysSo)
{
    CLocalHttpServer server;
    server.status = 404;
    server.body = "<html>Not here</html>";
    CSettings::SetString(ESetting::UpdateServer, server.Url(""));
    CSettings::SetString(ESetting::PlainNamed, server.Url("")); // named as unencrypted before
    CExcludedNamesDialog dialog(names, prompts);
    dialog.DownloadNewNames();
    EXPECT_EQ(dialog.Names().size(), 3);
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(prompts.messages[0].text, kDownloadError);
    EXPECT_EQ(prompts.messages[0].caption, "Error");
    EXPECT_EQ(prompts.messages[0].icon, CPrompts::EIcon::Error);
}

TEST_F(ExcludedNamesDialogTest, WhatsThisShowsTheHelp)
{
    CExcludedNamesDialog dialog(names, prompts);
    QTest::mouseClick(Button(dialog, "help"), Qt::LeftButton);
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(prompts.messages[0].text.startsWith(
        "If the option 'Remove Tracknumbers' is selected, all leading digits\nwill disapear."));
    EXPECT_TRUE(prompts.messages[0].text.endsWith("for other users to download."));
    EXPECT_EQ(prompts.messages[0].caption, "Help");
}

} // namespace
