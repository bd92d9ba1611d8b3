#include "intake/gui/CNewSessionDialog.h"
#include "support/CScriptedPrompts.h"
#include "ui/CSessionNameDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QPushButton* Ok(QDialog& dialog)
{
    return dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
}

TEST(NewSessionDialog, OkStaysOpenUntilPathAndNameAreGiven)
{
    CScriptedPrompts prompts;
    CNewSessionDialog dialog(prompts);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Add a CD or Directory With Mp3 Files");
    QTest::mouseClick(Ok(dialog), Qt::LeftButton);
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_EQ(prompts.messages.size(), 2);
    EXPECT_EQ(prompts.messages[0].text, "Please choose a folder.");
    EXPECT_EQ(prompts.messages[1].text, "Please choose a name.");
    for (const auto& m : prompts.messages) {
        EXPECT_EQ(m.caption, "Error");
        EXPECT_EQ(m.icon, CPrompts::EIcon::Error);
    }

    // A cancelled folder picker keeps the path empty.
    auto* browse = dialog.findChild<QPushButton*>("browse");
    QTest::mouseClick(browse, Qt::LeftButton);
    QTest::keyClicks(dialog.findChild<QLineEdit*>("sessionName"), "Rock 'n' Roll");
    QTest::mouseClick(Ok(dialog), Qt::LeftButton);
    EXPECT_EQ(prompts.messages.last().text, "Please choose a folder.");
    EXPECT_TRUE(dialog.isVisible());

    prompts.folders << "/media/cd/<b>Disc</b>";
    QTest::mouseClick(browse, Qt::LeftButton);
    EXPECT_EQ(dialog.findChild<QLabel*>("path")->text(), "/media/cd/<b>Disc</b>");
    QTest::mouseClick(Ok(dialog), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.SessionName(), "Rock 'n' Roll");
    EXPECT_EQ(dialog.Path(), "/media/cd/<b>Disc</b>");
}

TEST(SessionNameDialog, RefusesAnEmptyName)
{
    CScriptedPrompts prompts;
    CSessionNameDialog dialog(prompts);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Enter a Session Name");
    QTest::mouseClick(Ok(dialog), Qt::LeftButton);
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(prompts.messages[0].text, "Please enter a session name.");
    EXPECT_EQ(prompts.messages[0].caption, "Enter a Session Name");
    EXPECT_TRUE(dialog.isVisible());
    dialog.findChild<QLineEdit*>("sessionName")->setText("Ünïcode");
    QTest::mouseClick(Ok(dialog), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.SessionName(), "Ünïcode");
}

} // namespace
