#include "intake/gui/CSessionController.h"
#include "support/gui/CViewFixture.h"
#include "ui/CommandIds.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

struct SessionControllerTest : ::testing::Test
{
    CViewFixture fixture;

    void SetUp() override
    {
        fixture.AddSong("Rock", "One");
        fixture.AddSong("rock", "Two");
        fixture.AddSong("rock", "Three");
        fixture.Start();
        // The form owns exactly one: commands must run once per trigger.
        ASSERT_EQ(fixture.View().findChildren<CSessionController*>().size(), 1);
    }
    QListWidget& Sessions() { return *fixture.View().SessionList(); }
    QStringList Entries()
    {
        QStringList names;
        for (int i = 0; i < Sessions().count(); ++i)
            names << Sessions().item(i)->text();
        return names;
    }
    void Trigger(int id) { fixture.View().Action(id)->trigger(); }
};

TEST_F(SessionControllerTest, DeleteRemovesTheSelectedSessionFromListAndCount)
{
    ASSERT_EQ(fixture.View().SongCount(), 3);
    Sessions()
        .findItems("rock", Qt::MatchFixedString | Qt::MatchCaseSensitive)
        .first()
        ->setSelected(true);
    fixture.View().AddPlaylistEntry("Two", 2);
    fixture.prompts.answers << CPrompts::EAnswer::Ok;
    Trigger(ID_DELETE_SESSION);
    EXPECT_EQ(Entries(), QStringList{"Rock"});
    EXPECT_EQ(fixture.View().SongCount(), 1);
    EXPECT_EQ(fixture.View().PlaylistBox()->count(), 0);
}

TEST_F(SessionControllerTest, NewSessionScansWithTheProgressWindowAndListsTheSession)
{
    const QString folder = fixture.env.MakeDir("disc");
    for (const char* name : {"a.mp3", "b.mp3"})
        QFile(folder + "/" + name).open(QIODevice::WriteOnly);
    fixture.prompts.folders << folder;
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->findChild<QLineEdit*>("sessionName")->setText("Disc");
        dialog->findChild<QPushButton*>("browse")->click();
        dialog->accept();
    });
    Trigger(ID_NEW_SESSION);
    EXPECT_TRUE(Entries().contains("Disc"));
    EXPECT_EQ(fixture.View().SongCount(), 5);
}

TEST_F(SessionControllerTest, ExcludedNamesOpensItsDialog)
{
    QString title;
    QTimer::singleShot(0, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        title = dialog->windowTitle();
        qobject_cast<QDialog*>(dialog)->reject();
    });
    Trigger(ID_EXCLUDED_NAMES);
    EXPECT_EQ(title, "Names With Leading Digits");
}

} // namespace
