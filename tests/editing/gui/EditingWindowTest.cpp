#include "editing/TagProbe.h"
#include "editing/gui/CLyricsDialog.h"
#include "library/gui/CLibraryListCtrl.h"
#include "platform/CSettings.h"
#include "support/CMp3Factory.h"
#include "support/gui/CModalScript.h"
#include "support/gui/CViewFixture.h"
#include "ui/CommandIds.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

class EditingWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // No first-run or monthly offers; a Comment column.
        CSettings::SetInt(QStringLiteral("Firsttime"), 1);
        CSettings::SetInt(QStringLiteral("UpdateDate"), f.month);
        CSettings::SetInt(QStringLiteral("LibComment"), 1);
        folder = f.env.MakeDir(QStringLiteral("music"));
        for (const char* title : {"One", "Two"}) {
            const QString file = QString::fromLatin1(title) + QStringLiteral(".mp3");
            EXPECT_TRUE(CMp3Factory::WriteTaggedSong(
                folder + u'/' + file, 1, 128, CMp3Factory::EKind::Cbr, title, "Band", "Album"));
            f.AddSong(QStringLiteral("S"), QString::fromLatin1(title), folder, file);
        }
        f.Start();
        CSessionListModel& sessions = f.doc.Sessions();
        f.View().SessionList()->setCurrentIndex(sessions.index(sessions.Row("S")));
    }
    QJsonObject Tags(const char* file) { return ProbeTags(folder + u'/' + QLatin1String(file)); }
    void Save() { f.View().Action(ID_SAVE_TAGS)->trigger(); }

    CViewFixture f;
    QString folder;
};

TEST_F(EditingWindowTest, SaveMultisaveCellEditsAndTheLyricsDialogReachTheFiles)
{
    CLibraryListCtrl* songs = f.View().SongList();
    ASSERT_EQ(songs->RowCount(), 2);
    Q_EMIT songs->RowClicked(0);
    f.View().Field(IDC_TAG_ARTIST)->setText("Solo");
    f.View().TagGenre()->setCurrentText("Jazz");
    Save();
    EXPECT_EQ(FrameText(Tags("One.mp3"), "TPE1"), QStringLiteral("Solo"));
    EXPECT_EQ(FrameText(Tags("One.mp3"), "TCON"), QStringLiteral("(8)"));

    f.View().Multisave()->setChecked(true);
    EXPECT_TRUE(f.View().Field(IDC_TAG_TITLE)->isReadOnly());
    songs->selectAll();
    f.View().Field(IDC_TAG_ARTIST)->clear();
    f.View().Field(IDC_TAG_ALBUM)->setText("Both");
    Save();
    for (const char* file : {"One.mp3", "Two.mp3"})
        EXPECT_EQ(FrameText(Tags(file), "TALB"), QStringLiteral("Both"));

    // Cell edits: Title saves that song alone (Multisave is still on), Comment writes COMM.
    CSongListModel& model = f.doc.Songs();
    model.setData(model.index(1, 0), "Zwei", Qt::EditRole);
    EXPECT_EQ(FrameText(Tags("Two.mp3"), "TIT2"), QStringLiteral("Zwei"));
    EXPECT_EQ(FrameText(Tags("One.mp3"), "TIT2"), QStringLiteral("One"));
    model.setData(model.index(0, 4), "nice", Qt::EditRole);
    EXPECT_TRUE(Tags("One.mp3").value("comments").toVariant().toStringList().contains("=nice"));
    EXPECT_TRUE(f.View().Multisave()->isChecked());

    Q_EMIT songs->RowClicked(0);
    EXPECT_EQ(f.View().Button(ID_VIEW_LYRICS)->text(), QStringLiteral("Lyrics"));
    CModalScript script({[](QWidget* modal) {
        auto* dialog = qobject_cast<CLyricsDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Lyrics"));
        EXPECT_EQ(dialog->Languages()->count(), 10);
        dialog->Editor()->setPlainText(QString(2600, u'x') + u'\n' + QString(2600, u'y'));
        EXPECT_EQ(dialog->Lyrics().size(), 5000) << "line ends count as two";
        dialog->Editor()->setPlainText("la la\nlü");
        dialog->Languages()->setCurrentIndex(8);
        dialog->findChild<QPushButton*>("c1122")->click();
        dialog->findChild<QPushButton*>("c1")->click();
    }});
    f.View().Action(ID_VIEW_LYRICS)->trigger();
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(FrameText(Tags("One.mp3"), "USLT"), QStringLiteral("la la\r\nlü"));
    EXPECT_EQ(f.View().Button(ID_VIEW_LYRICS)->text(), QStringLiteral("Lyrics!"));
    ASSERT_EQ(f.openedUrls.size(), 1);
    EXPECT_TRUE(f.openedUrls[0].toEncoded().contains("urltext=la+la%0D%0Al%C3%BC&lp=es_en"));
    EXPECT_TRUE(f.prompts.messages.isEmpty());
    EXPECT_TRUE(f.prompts.warnings.isEmpty());
}

} // namespace
