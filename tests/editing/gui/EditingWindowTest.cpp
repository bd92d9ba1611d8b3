#include "editing/CLyrics.h"
#include "editing/RichSong.h"
#include "editing/TagProbe.h"
#include "editing/gui/CLyricsDialog.h"
#include "library/gui/CLibraryListCtrl.h"
#include "platform/CSettings.h"
#include "support/CMp3Factory.h"
#include "support/CRealFiles.h"
#include "support/gui/CModalScript.h"
#include "support/gui/CViewFixture.h"
#include "ui/CommandIds.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class EditingWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        f.SkipStartQuestions();
        // A Comment column.
        CSettings::SetInt(ESetting::LibComment, 1);
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
    // What the user types into a tag field, over what it held.
    void Type(int id, const QString& text)
    {
        QLineEdit* box = f.View().Field(id);
        box->selectAll();
        if (text.isEmpty())
            QTest::keyClick(box, Qt::Key_Delete);
        else
            QTest::keyClicks(box, text);
    }
    void ChooseGenre(const QString& name)
    {
        QComboBox* genre = f.View().TagGenre();
        genre->setCurrentIndex(genre->findText(name));
        Q_EMIT genre->activated(genre->currentIndex());
    }
    bool Marked(int label) { return f.View().Control(label)->font().bold(); }
    QString StatusLine() { return f.Frame().statusBar()->currentMessage(); }
    // Text dropped from another program at the end of a field; whether it was taken.
    bool Drop(int id, const QString& text)
    {
        QLineEdit* box = f.View().Field(id);
        QMimeData data;
        data.setText(text);
        const QPoint at(box->width() - 2, box->height() / 2);
        const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
        QDragEnterEvent enter(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(box, &enter);
        QDragMoveEvent move(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(box, &move);
        QDropEvent drop(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(box, &drop);
        return drop.isAccepted();
    }

    CViewFixture f;
    QString folder;
};

TEST_F(EditingWindowTest, SaveMultisaveCellEditsAndTheLyricsDialogReachTheFiles)
{
    CLibraryListCtrl* songs = f.View().SongList();
    ASSERT_EQ(songs->RowCount(), 2);
    Q_EMIT songs->RowClicked(0);
    Type(IDC_TAG_ARTIST, "Solo");
    ChooseGenre("Jazz");
    Save();
    EXPECT_EQ(FrameText(Tags("One.mp3"), "TPE1"), QStringLiteral("Solo"));
    EXPECT_EQ(FrameText(Tags("One.mp3"), "TCON"), QStringLiteral("(8)"));
    EXPECT_EQ(StatusLine(), QStringLiteral("Saved the tags of \u201cOne.mp3\u201d."));
    // The tag group and the row's tooltip show the file; the track number is edited too.
    const QString one = folder + QStringLiteral("/One.mp3");
    EXPECT_EQ(f.View().Field(IDC_TAG_PATH)->text(), one);
    EXPECT_EQ(f.doc.Songs().index(0, 1).data(Qt::ToolTipRole).toString(), one);
    Type(IDC_TAG_TRACK, "7/12");
    Save();
    EXPECT_EQ(FrameText(Tags("One.mp3"), "TRCK"), QStringLiteral("7/12"));
    EXPECT_EQ(f.View().Field(IDC_TAG_TRACK)->text(), QStringLiteral("7/12")) << "read back";

    f.View().Multisave()->setChecked(true);
    EXPECT_TRUE(f.View().Field(IDC_TAG_TITLE)->isReadOnly());
    songs->selectAll();
    Type(IDC_TAG_ARTIST, "");
    Type(IDC_TAG_ALBUM, "Both");
    // The keyboard stays on Save, though the button is disabled while the files are written.
    f.Frame().show();
    f.Frame().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f.Frame()));
    f.View().Button(ID_SAVE_TAGS)->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), f.View().Button(ID_SAVE_TAGS));
    Save();
    EXPECT_EQ(f.Frame().focusWidget(), f.View().Button(ID_SAVE_TAGS));
    for (const char* file : {"One.mp3", "Two.mp3"})
        EXPECT_EQ(FrameText(Tags(file), "TALB"), QStringLiteral("Both"));
    EXPECT_EQ(StatusLine(), QStringLiteral("Saved the tags of 2 songs."));

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
        // Pasted: new lyrics end their lines with CR LF, counted as two.
        dialog->Editor()->insertPlainText(QString(2600, u'x') + u'\n' + QString(2600, u'y'));
        EXPECT_EQ(dialog->Lyrics().size(), 5000) << "line ends count as two";
        dialog->Editor()->selectAll();
        dialog->Editor()->insertPlainText("la la\nlü");
        dialog->Languages()->setCurrentIndex(8);
        dialog->findChild<QPushButton*>("c1122")->click();
        dialog->findChild<QPushButton*>("c1")->click();
    }});
    f.View().Action(ID_VIEW_LYRICS)->trigger();
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(FrameText(Tags("One.mp3"), "USLT"), QStringLiteral("la la\r\nlü"));
    EXPECT_EQ(StatusLine(), QStringLiteral("Saved the lyrics."));
    EXPECT_EQ(f.View().Button(ID_VIEW_LYRICS)->text(), QStringLiteral("Lyrics!"));
    ASSERT_EQ(f.openedUrls.size(), 1);
    EXPECT_TRUE(f.openedUrls[0].toEncoded().contains("urltext=la+la%0D%0Al%C3%BC&lp=es_en"));
    EXPECT_TRUE(f.prompts.messages.isEmpty());
    EXPECT_TRUE(f.prompts.warnings.isEmpty());
}

// The form shows which fields Save writes; a drop is typing too. Everything else of the
// file and the record stays.
TEST_F(EditingWindowTest, SaveWritesTheMarkedFieldsAndADrop)
{
    const qint64 id = SRichSong::Add(f.doc.Set(), folder, QStringLiteral("rich.mp3"));
    f.doc.Songs().InsertSongRow(0, f.doc.Set().FindSongById(id).value());
    Q_EMIT f.View().SongList()->RowClicked(0);
    EXPECT_EQ(f.View().Field(IDC_TAG_YEAR)->text(), QStringLiteral("1975"));
    const SSongSnapshot before = SSongSnapshot::Of(f.doc.Set(), id);
    // The room a label asks of the form: the same marked or not, so the fields stay put.
    const auto room = [this] {
        const QWidget* label = f.View().Control(IDC_TAG_TITLE_LABEL);
        return std::max(label->sizeHint().width(), label->minimumWidth());
    };
    const int unmarked = room();

    EXPECT_TRUE(Drop(IDC_TAG_TITLE, "more")) << "the title box holds a whole title";
    EXPECT_TRUE(Marked(IDC_TAG_TITLE_LABEL));
    EXPECT_EQ(room(), unmarked);
    Type(IDC_TAG_TITLE, "Fifth");
    EXPECT_TRUE(Marked(IDC_TAG_TITLE_LABEL));
    EXPECT_TRUE(Drop(IDC_TAG_TITLE, " Symphony"));
    EXPECT_EQ(f.View().Field(IDC_TAG_TITLE)->text(), QStringLiteral("Fifth Symphony"));
    for (int label :
         {IDC_TAG_ARTIST_LABEL, IDC_TAG_ALBUM_LABEL, IDC_TAG_YEAR_LABEL, IDC_TAG_GENRE_LABEL})
        EXPECT_FALSE(Marked(label));
    Save();
    EXPECT_FALSE(Marked(IDC_TAG_TITLE_LABEL)) << "saved";

    const SSongSnapshot after = SSongSnapshot::Of(f.doc.Set(), id);
    ExpectOnly(before, after, {"TIT2"}, 3, 33, {ESongColumn::TITLE, ESongColumn::LIST});
    EXPECT_EQ(CId3Writer::TextOf(CId3Writer::FrameOf(FileBytes(after.record.FilePath()), "TIT2")),
              QStringLiteral("Fifth Symphony"));
    EXPECT_EQ(after.record.m_TITLE, QStringLiteral("Fifth Symphony"));
}

// Lyrics keep their line ends; lyrics longer than the dialog's limit are shown whole and
// kept when nothing is changed, and typing never takes away what was there.
TEST_F(EditingWindowTest, TheLyricsDialogKeepsTheLyricsAsTheyAre)
{
    const QString lyrics = SRichSong::Lyrics() + QString(1000, u'z'); // another program's
    for (const QString& text : {SRichSong::Lyrics(), lyrics}) {
        SCOPED_TRACE(text.size());
        CLyricsDialog dialog(text, {});
        QPlainTextEdit* editor = dialog.Editor();
        EXPECT_EQ(editor->toPlainText(), text) << "shown whole";
        EXPECT_EQ(dialog.Lyrics(), text) << "unchanged";
        editor->moveCursor(QTextCursor::Start);
        QTest::keyClicks(editor, "ab");
        EXPECT_EQ(editor->toPlainText(), text) << "no room: nothing taken, nothing lost";
        editor->moveCursor(QTextCursor::End);
        QTest::keyClick(editor, Qt::Key_Backspace);
        QTest::keyClicks(editor, "!");
        // Deleting is always allowed; over the limit nothing new is taken.
        const QString typed = text.size() <= CLyrics::kMaxLength ? QStringLiteral("!") : QString();
        EXPECT_EQ(dialog.Lyrics(), text.chopped(1) + typed) << "LF kept";
    }
}

} // namespace

namespace {

// The window's Save on files the real encoders made: the form shows the track of each
// format, and what it saves reaches the file (read back by mutagen).
TEST_F(EditingWindowTest, SaveReachesFlacAndM4aFilesAndTheFormShowsTheirTrack)
{
    const QList<std::pair<EAudioFormat, QString>> kinds = {{EAudioFormat::Flac, "Song.flac"},
                                                           {EAudioFormat::Mp4, "Song.m4a"}};
    for (const auto& [format, file] : kinds) {
        SCOPED_TRACE(file.toStdString());
        ASSERT_TRUE(
            CRealFiles::Make(folder + u'/' + file, {.format = format, .track = "4", .seconds = 1}));
        const qint64 id = f.AddSong(QStringLiteral("S"), QStringLiteral("Title"), folder, file);
        f.doc.Songs().InsertSongRow(0, f.doc.Set().FindSongById(id).value());
        Q_EMIT f.View().SongList()->RowClicked(0);
        EXPECT_EQ(f.View().Field(IDC_TAG_TRACK)->text(), QStringLiteral("4"));
        Type(IDC_TAG_ALBUM, "Live");
        Type(IDC_TAG_TRACK, "5");
        Save();
        const QMap<QString, QString> tags = CRealFiles::Tags(folder + u'/' + file);
        EXPECT_EQ(tags.value("album"), QStringLiteral("Live"));
        EXPECT_EQ(tags.value("tracknumber").section(u'/', 0, 0), QStringLiteral("5"));
        EXPECT_EQ(f.doc.Set().FindSongById(id)->m_ALBUM, QStringLiteral("Live"));
    }
    EXPECT_TRUE(f.prompts.messages.isEmpty()) << f.prompts.Texts().join(u'\n').toStdString();
}

} // namespace
