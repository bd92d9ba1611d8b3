#include "intake/gui/CSessionController.h"
#include "model/CCdlistDoc.h"
#include "support/gui/CModalScript.h"
#include "support/gui/CViewFixture.h"
#include "ui/CommandIds.h"
#include "ui/ControlIds.h"

#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

// The window's face of the session commands: its dialogs and its selection reach the
// operations (tested thoroughly without a window).
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
    QStringList Sessions() { return fixture.doc.Sessions().Names(); }
    QString Total() { return fixture.View().Field(IDC_TOTAL)->text(); }
    void Select(const QString& name)
    {
        CSessionListModel& model = fixture.doc.Sessions();
        fixture.View().SessionList()->setCurrentIndex(model.index(model.Row(name)));
    }
    void Trigger(int id) { fixture.View().Action(id)->trigger(); }
    QString Disc(const QString& name, int songs)
    {
        const QString folder = fixture.env.MakeDir(name);
        for (int i = 0; i < songs; ++i)
            QFile(folder + QString("/%1.mp3").arg(i)).open(QIODevice::WriteOnly);
        return folder;
    }
    // A step that types a session name into the dialog, browses and presses a button.
    static CModalScript::Step Fill(const QString& name, QDialogButtonBox::StandardButton button)
    {
        return [=](QWidget* dialog) {
            dialog->findChild<QLineEdit*>("sessionName")->setText(name);
            if (auto* browse = dialog->findChild<QPushButton*>("browse"))
                browse->click();
            dialog->findChild<QDialogButtonBox*>()->button(button)->click();
        };
    }
};

TEST_F(SessionControllerTest, NewSessionScansWhatItsDialogNamesAndCancelAbandonsIt)
{
    const QString folder = Disc("disc", 2);
    fixture.prompts.folders << folder << folder;
    {
        CModalScript script({Fill("Disc", QDialogButtonBox::Cancel)});
        Trigger(ID_NEW_SESSION);
    }
    EXPECT_EQ(Sessions(), (QStringList{"Rock", "rock"}));
    EXPECT_EQ(Total(), "3");
    {
        CModalScript script({Fill("Disc", QDialogButtonBox::Ok)});
        Trigger(ID_NEW_SESSION);
    }
    EXPECT_EQ(Sessions(), (QStringList{"Disc", "Rock", "rock"}));
    EXPECT_EQ(Total(), "5");
    // The new session is highlighted and listed.
    const QModelIndexList selected = fixture.View().SessionList()->selectionModel()->selectedRows();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected[0].data().toString(), "Disc");
    EXPECT_EQ(fixture.doc.Songs().RowCount(), 2);
}

TEST_F(SessionControllerTest, DeleteRenameAndUpdateActOnTheSelectedSession)
{
    // Without a selection Rename opens no dialog and Delete says why it did nothing.
    {
        CModalScript noDialog({});
        Trigger(ID_RENAME_SESSION);
    }
    Trigger(ID_DELETE_SESSION);
    EXPECT_EQ(fixture.prompts.messages.last().text, "No session selected!");

    Select("rock");
    fixture.prompts.answers << CPrompts::EAnswer::Ok;
    fixture.prompts.folders << Disc("live", 1);
    Trigger(ID_UPDATE_SESSION);
    EXPECT_EQ(Total(), "4") << "the songs outside the folder scanned stay";

    QString offered;
    {
        // The field starts with the current name.
        CModalScript script({[&](QWidget* dialog) {
            offered = dialog->findChild<QLineEdit*>("sessionName")->text();
            Fill("Roll", QDialogButtonBox::Ok)(dialog);
        }});
        Trigger(ID_RENAME_SESSION);
    }
    EXPECT_EQ(offered, "rock");
    EXPECT_EQ(Sessions(), (QStringList{"Rock", "Roll"}));

    Select("Roll");
    fixture.prompts.answers << CPrompts::EAnswer::Ok;
    Trigger(ID_DELETE_SESSION);
    EXPECT_EQ(Sessions(), QStringList{"Rock"});
    EXPECT_EQ(Total(), "1");
}

// The list reports the user's choice to the document, which has it listed; a session the
// document shows (from any face) is highlighted and listed once.
TEST_F(SessionControllerTest, TheDocumentShowsTheChosenSessionAndTheListFollowsIt)
{
    QSignalSpy shown(&fixture.doc, &CCdlistDoc::SessionShown);
    QListView* list = fixture.View().SessionList();
    CSessionListModel& model = fixture.doc.Sessions();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(model.index(model.Row("rock"))).center());
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0][0].toString(), "rock");
    EXPECT_EQ(fixture.doc.SelectedSession(), "rock");
    EXPECT_EQ(fixture.doc.Songs().RowCount(), 2);

    fixture.doc.ShowSession("Rock");
    EXPECT_EQ(list->selectionModel()->selectedRows().value(0).data().toString(), "Rock");
    EXPECT_EQ(fixture.doc.Songs().RowCount(), 1);
    EXPECT_EQ(shown.size(), 2);
}

TEST_F(SessionControllerTest, ExcludedNamesOpensItsDialog)
{
    QString title;
    {
        CModalScript script({[&](QWidget* dialog) {
            title = dialog->windowTitle();
            qobject_cast<QDialog*>(dialog)->reject();
        }});
        Trigger(ID_EXCLUDED_NAMES);
    }
    EXPECT_EQ(title, "Names With Leading Digits");
}

} // namespace
