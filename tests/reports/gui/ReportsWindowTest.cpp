#include "library/gui/CLibraryListCtrl.h"
#include "model/CCdlistDoc.h"
#include "platform/CSettings.h"
#include "reports/gui/CDuplicateDialog.h"
#include "reports/gui/CHtmlDialog.h"
#include "reports/gui/CStatisticsDialog.h"
#include "support/STestSong.h"
#include "support/gui/CModalScript.h"
#include "support/gui/CViewFixture.h"
#include "ui/CommandIds.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class ReportsWindowTest : public ::testing::Test
{
protected:
    ReportsWindowTest()
    {
        // No first-run or monthly offers at start-up.
        f.SkipStartQuestions();
    }
    void Trigger(int id) { f.View().Action(id)->trigger(); }
    QStringList Texts() const { return f.prompts.Texts(); }

    CViewFixture f;
};

TEST_F(ReportsWindowTest, HtmlDialogEnablesChecksAndWritesThePage)
{
    f.AddSong("CD1", "Alpha", "/m", "a.mp3");
    f.AddSong("CD1", "Beta", "/m", "b.mp3");
    f.Start();
    const QString page = f.env.Root() + "/list.htm";
    f.prompts.files << "/pictures/sky.png" << page;
    CModalScript script({[this](QWidget* modal) {
        auto* d = qobject_cast<CHtmlDialog*>(modal);
        ASSERT_NE(d, nullptr);
        EXPECT_TRUE(d->DatabaseSource()->isChecked()); // no session is selected
        EXPECT_FALSE(d->Detailed()->isEnabled());
        d->Id3()->click();
        EXPECT_TRUE(d->Detailed()->isEnabled());
        EXPECT_FALSE(d->FullPath()->isEnabled());
        d->Links()->click();
        EXPECT_TRUE(d->FullPath()->isEnabled());
        d->SortBox(2)->click();
        EXPECT_FALSE(d->SortBox(0)->isChecked());
        d->PlaylistSource()->click();
        EXPECT_FALSE(d->SortBox(2)->isEnabled());
        d->SessionSource()->click();
        EXPECT_TRUE(d->SortBox(2)->isEnabled());
        EXPECT_EQ(d->BackgroundColour()->currentText(), "White");
        EXPECT_EQ(d->TextColour()->currentText(), "Black");
        EXPECT_TRUE(d->Border()->isChecked());
        EXPECT_TRUE(d->ColourBackground()->isChecked());

        d->CreateButton()->click();
        EXPECT_EQ(Texts(), QStringList({"There is no session selected!"}));
        d->DatabaseSource()->click();
        d->FileBackground()->click();
        d->CreateButton()->click();
        EXPECT_EQ(Texts().mid(1), QStringList({"Please type a headline in the Headline field.",
                                               "Please type your name in the Name field.",
                                               "Please choose a background picture with Browse."}));
        EXPECT_EQ(f.prompts.messages.last().caption, "Incomplete information");
        EXPECT_TRUE(d->isVisible());
        d->Browse()->click();
        EXPECT_EQ(d->BackgroundFile()->text(), "sky.png");
        d->Headline()->setText("Songs");
        for (const QChar c : QStringLiteral("Émilie Ünïcödé")) // typed, as a keyboard does
            for (const QTest::KeyAction action : {QTest::Press, QTest::Release})
                QTest::sendKeyEvent(action, d->Name(), Qt::Key_unknown, QString(c), Qt::NoModifier);
        d->CreateButton()->click();
    }});
    Trigger(ID_EXPORT_HTML);
    EXPECT_TRUE(script.Finished());
    ASSERT_EQ(f.prompts.fileDialogs.size(), 2);
    EXPECT_EQ(f.prompts.fileDialogs[0].title, "Choose a background image");
    EXPECT_EQ(f.prompts.fileDialogs[1].title, "Save as Web Page");
    EXPECT_EQ(f.prompts.fileDialogs[1].defaultExtension, "htm");
    EXPECT_EQ(f.prompts.messages.size(), 4);
    QFile written(page);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray html = written.readAll();
    EXPECT_TRUE(html.contains("body { color: Black; background-image: url(\"sky.png\"); }"));
    EXPECT_TRUE(html.contains("<a href=\"a.mp3\">a.mp3</a></td>\r\n<td>Alpha</td>"));
    EXPECT_TRUE(html.contains(" by Émilie Ünïcödé</td>")); // as typed
}

TEST_F(ReportsWindowTest, StatisticsAndDuplicatesFollowTheCatalogue)
{
    f.Start();
    Trigger(ID_INFORMATION);
    Trigger(ID_CHECK_DUPLICATES);
    EXPECT_EQ(Texts(), QStringList({"Cannot display statistics for an empty database.",
                                    "Cannot check for duplicates because the database is empty."}));
    EXPECT_EQ(f.prompts.messages[1].caption, "Empty");

    const QString a = f.env.WriteFile("m/a.mp3", "aaa");
    const QString b = f.env.WriteFile("m/b.mp3", "bb");
    const QString folder = f.env.Root() + "/m";
    AddTestSong(f.View().Doc().Set(),
                {.cd = "CD1", .title = "Same", .file = "a.mp3", .path = folder, .bitrate = "192"});
    f.AddSong("CD2", "Same", folder, "b.mp3");
    f.View().Doc().ReloadSessions();
    f.prompts.messages.clear();
    f.prompts.answers << CPrompts::EAnswer::Yes;
    CModalScript script({[](QWidget* modal) {
                             auto* d = qobject_cast<CStatisticsDialog*>(modal);
                             ASSERT_NE(d, nullptr);
                             EXPECT_EQ(d->Field(1027), "2");
                             EXPECT_EQ(d->Field(1185), "2");
                             EXPECT_EQ(d->Field(1188), "0:00");
                             EXPECT_EQ(d->Field(1195), ""); // nothing played: no rows
                             EXPECT_EQ(d->Field(1189), "192 kbps");
                             ASSERT_EQ(d->Chart()->Bars().size(), 1);
                             EXPECT_EQ(d->Chart()->Bars()[0].label, "192 kbps");
                             d->accept();
                         },
                         [&](QWidget* modal) {
                             auto* d = qobject_cast<CDuplicateDialog*>(modal);
                             ASSERT_NE(d, nullptr);
                             // The name only shows: no Tab stop, a name for screen readers;
                             // the bar says what it counts before it starts.
                             EXPECT_FALSE(d->CurrentName()->focusPolicy() & Qt::TabFocus);
                             EXPECT_FALSE(d->CurrentName()->hasFrame());
                             EXPECT_EQ(d->CurrentName()->accessibleName(), "Duplicates of");
                             EXPECT_EQ(d->Progress()->text(), "0 of 2 songs checked");
                             d->SearchButton()->click();
                             EXPECT_EQ(d->SearchButton()->text(), "Next");
                             EXPECT_EQ(d->CurrentName()->text(), "a.mp3");
                             ASSERT_EQ(d->List()->count(), 2);
                             EXPECT_EQ(d->List()->item(0)->text(), a + " (3 bytes)");
                             d->List()->setCurrentRow(1);
                             d->DeleteButton()->click();
                             // One left: the search went on to the end at once.
                             EXPECT_EQ(f.prompts.messages.last().text, "No duplicates found.");
                             EXPECT_EQ(d->SearchButton()->text(), "Search");
                             EXPECT_EQ(d->List()->count(), 0);
                             d->accept();
                         }});
    Trigger(ID_INFORMATION);
    f.View().SessionList()->setCurrentIndex(f.View().Doc().Sessions().index(1));
    Trigger(ID_CHECK_DUPLICATES);
    EXPECT_TRUE(script.Finished());
    EXPECT_FALSE(QFile::exists(b));
    EXPECT_EQ(f.View().SongList()->model()->rowCount(), 0);
}

} // namespace
