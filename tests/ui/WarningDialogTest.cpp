#include "ui/WarningDialog.h"

#include "platform/CSettings.h"
#include "platform/CWarnings.h"
#include "support/CScriptedPrompts.h"
#include "support/CTestEnvironment.h"
#include "support/gui/CModalScript.h"
#include "ui/CQtPrompts.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QString kReadOnly =
    QStringLiteral("Since the file is on a read-only media,\nchanges will just be made in the "
                   "database.");

// A long warning wraps into a window of sensible width, every line of it in sight.
TEST(WarningDialogTest, ALongWarningWrapsWhole)
{
    WarningDialog dialog;
    dialog.SetMessage(QStringLiteral("An error occured while trying to rename the file. The file "
                                     "may be on a read-only media, contain illegal characters or "
                                     "beeing used by another application."));
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    const QLabel* label = dialog.MessageLabel();
    EXPECT_LT(dialog.width(), label->fontMetrics().averageCharWidth() * 80);
    const QRect needed = label->fontMetrics().boundingRect(QRect(0, 0, label->width(), 10000),
                                                           Qt::TextWordWrap, label->text());
    EXPECT_LE(needed.height(), label->height());
}

TEST(WarningDialogTest, ShownOnlyWhileNotSilencedAndStoresTheBox)
{
    CTestEnvironment env;
    CScriptedPrompts prompts;
    CSettings::SetInt(ESetting::WarningID3, 1);
    EXPECT_FALSE(ShowWarning(prompts, ESetting::WarningID3, kReadOnly));
    EXPECT_TRUE(prompts.warnings.isEmpty());

    prompts.warningBoxes << 0 << 1;
    EXPECT_TRUE(ShowWarning(prompts, ESetting::WarningRename, "rename failed"));
    EXPECT_EQ(CSettings::Int(ESetting::WarningRename), 0);
    EXPECT_TRUE(ShowWarning(prompts, ESetting::WarningRename, "rename failed"));
    EXPECT_EQ(CSettings::Int(ESetting::WarningRename), 1);
    EXPECT_FALSE(ShowWarning(prompts, ESetting::WarningRename, "rename failed"));
    EXPECT_EQ(prompts.warnings, QStringList({"rename failed", "rename failed"}));

    ResetWarnings();
    using enum ESetting;
    for (const ESetting warning :
         {WarningID3, WarningLyrics, WarningFound, WarningRename, WarningTranslation})
        EXPECT_EQ(CSettings::Int(warning), 0) << CSettingsTable::Key(warning).toStdString();
}

// The real dialog: the box's state counts only when the dialog ends with OK.
int RunRealWarning(const std::function<void(WarningDialog*)>& finish)
{
    CQtPrompts prompts;
    CModalScript script({[&](QWidget* modal) {
        auto* dialog = qobject_cast<WarningDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), "Warning");
        EXPECT_EQ(dialog->MessageLabel()->text(), kReadOnly);
        EXPECT_EQ(dialog->CheckBox()->text(), "Don't show me this again");
        EXPECT_FALSE(dialog->CheckBox()->isChecked());
        QTest::mouseClick(dialog->CheckBox(), Qt::LeftButton);
        finish(dialog);
    }});
    return prompts.Warning(kReadOnly);
}

TEST(WarningDialogTest, OkTakesTheTickedBoxEscapeDoesNot)
{
    EXPECT_EQ(RunRealWarning([](WarningDialog* dialog) {
                  auto* ok = dialog->findChild<QPushButton*>();
                  ASSERT_NE(ok, nullptr);
                  QTest::mouseClick(ok, Qt::LeftButton);
              }),
              1);
    EXPECT_EQ(
        RunRealWarning([](WarningDialog* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); }), 0);
    EXPECT_EQ(RunRealWarning([](WarningDialog* dialog) { dialog->close(); }), 0);
}

} // namespace
