#include "support/CTestEnvironment.h"
#include "support/gui/CModalScript.h"
#include "ui/CFolderDialog.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QPushButton* SelectButton(QWidget* dialog)
{
    for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
        if (button->text() == "Select")
            return button;
    }
    return nullptr;
}

QString ChooseWith(const QString& start, const std::function<void(CFolderDialog*)>& act)
{
    CModalScript script({[&](QWidget* modal) {
        auto* dialog = qobject_cast<CFolderDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        act(dialog);
        // A dialog the action left open would wait for ever: close it and fail instead.
        if (dialog->isVisible()) {
            ADD_FAILURE() << "the dialog stayed open";
            dialog->reject();
        }
    }});
    return CFolderDialog::Choose(nullptr, start);
}

TEST(FolderDialogTest, SelectReturnsTheFolderBeingShown)
{
    CTestEnvironment env;
    const QString start = QDir::cleanPath(env.MakeDir("music"));
    const QString sub = QDir::cleanPath(env.MakeDir("music/rock"));
    env.WriteFile("music/song.mp3", "x");

    EXPECT_EQ(ChooseWith(start,
                         [](CFolderDialog* dialog) {
                             EXPECT_EQ(dialog->windowTitle(), "Choose folder");
                             auto* name = dialog->findChild<QWidget*>("fileNameEdit");
                             ASSERT_NE(name, nullptr);
                             EXPECT_FALSE(name->isHidden()); // a path can be typed
                             QPushButton* select = SelectButton(dialog);
                             ASSERT_NE(select, nullptr);
                             EXPECT_TRUE(select->isEnabled());
                             QTest::mouseClick(select, Qt::LeftButton);
                         }),
              start);

    EXPECT_EQ(ChooseWith(start,
                         [&](CFolderDialog* dialog) {
                             dialog->setDirectory(sub);
                             QTest::mouseClick(SelectButton(dialog), Qt::LeftButton);
                         }),
              sub);

    EXPECT_EQ(
        ChooseWith(start, [](CFolderDialog* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); }),
        QString());

    // A highlighted folder (the dialog writes its name into the field) or a typed path is
    // what Select returns, not the folder above it; a name that is no folder keeps the
    // dialog open.
    const auto typing = [](const QString& text) {
        return [text](CFolderDialog* dialog) {
            auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
            name->setText("no such folder");
            dialog->accept();
            EXPECT_TRUE(dialog->isVisible());
            name->setText(text);
            dialog->accept();
        };
    };
    EXPECT_EQ(ChooseWith(start, typing("rock")), sub);
    EXPECT_EQ(ChooseWith(start, typing(env.Root())), QDir::cleanPath(env.Root()));
}

TEST(FolderDialogTest, StartsInTheCurrentDirectoryWhenGivenNone)
{
    EXPECT_EQ(ChooseWith(QString(),
                         [](CFolderDialog* dialog) {
                             QTest::mouseClick(SelectButton(dialog), Qt::LeftButton);
                         }),
              QDir::cleanPath(QDir::currentPath()));
}

// The dialog keeps its state in Qt's own settings file; a test run must not leave one in
// the user's home.
TEST(FolderDialogTest, KeepsItsStateOutOfTheUsersHome)
{
    const QString temp = QDir::tempPath() + u'/';
    EXPECT_TRUE(QDir::homePath().startsWith(temp)) << QDir::homePath().toStdString();
    const QString state = QSettings(QSettings::UserScope, QStringLiteral("QtProject")).fileName();
    EXPECT_TRUE(state.startsWith(temp)) << state.toStdString();
}

} // namespace
