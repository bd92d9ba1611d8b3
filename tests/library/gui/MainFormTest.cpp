#include "db/CCoverStore.h"
#include "library/CLibraryTexts.h"
#include "library/LibraryFixture.h"
#include "library/gui/CCoverLabel.h"
#include "library/gui/CLibraryController.h"
#include "library/gui/CLibraryListCtrl.h"
#include "library/gui/CSearchController.h"
#include "support/CCliRun.h"
#include "support/CMp3Factory.h"
#include "support/gui/CViewFixture.h"
#include "ui/CommandIds.h"

#include <QAction>
#include <QBuffer>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

// What the library and search controllers add to the operations on the real main form.
class MainFormTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        f.SkipStartQuestions();
        f.beforeStart = [](CCdlistView& view) {
            // The form owns exactly one of each: commands must run once per trigger.
            EXPECT_EQ(view.findChildren<CLibraryController*>().size(), 1);
            EXPECT_EQ(view.findChildren<CSearchController*>().size(), 1);
        };
    }
    qint64 Add(const STestSong& song) { return AddTestSong(f.doc.Set(), song); }
    // Starts the form and chooses the session in its list.
    CLibraryListCtrl* StartIn(const QString& session)
    {
        f.Start();
        CSessionListModel& sessions = f.doc.Sessions();
        f.View().SessionList()->setCurrentIndex(sessions.index(sessions.Row(session)));
        return f.View().SongList();
    }
    QString Field(int id) { return f.View().Field(id)->text(); }
    QString LyricsCaption() { return f.View().Button(ID_VIEW_LYRICS)->text(); }
    CLibraryController* Controller() { return f.View().findChild<CLibraryController*>(); }

    CViewFixture f;
};

TEST_F(MainFormTest, AClickShowsTheTagFieldsAndADoubleClickQueuesTheShownRow)
{
    const qint64 rocker = Add({.title = "rocker",
                               .artist = "A",
                               .album = "B",
                               .genre = "(17)",
                               .year = "1999",
                               .lyrics = "la"});
    const qint64 other = Add({.title = "unknown genre", .genre = "(255)"});
    Add({.title = "no genre"});
    Add({.title = "blues", .genre = "(0)"});
    CLibraryListCtrl* songs = StartIn("S");
    ASSERT_EQ(songs->RowCount(), 4);
    QComboBox* genre = f.View().TagGenre();
    EXPECT_EQ(genre->count(), 126);

    Q_EMIT songs->RowClicked(0);
    EXPECT_EQ(f.doc.CurrentSong(), rocker);
    EXPECT_EQ((QStringList{Field(IDC_TAG_TITLE), Field(IDC_TAG_ARTIST), Field(IDC_TAG_ALBUM),
                           Field(IDC_TAG_YEAR)}),
              (QStringList{"rocker", "A", "B", "1999"}));
    EXPECT_EQ(genre->currentText(), QStringLiteral("Rock")) << "not \"Rock & Roll\"";
    EXPECT_EQ(LyricsCaption(), QStringLiteral("Lyrics!"));
    Q_EMIT songs->RowClicked(1);
    EXPECT_EQ(genre->currentIndex(), -1);
    EXPECT_EQ(LyricsCaption(), QStringLiteral("Lyrics"));
    Q_EMIT songs->RowClicked(2);
    EXPECT_EQ(genre->currentIndex(), -1);
    Q_EMIT songs->RowClicked(3);
    EXPECT_EQ(genre->currentText(), QStringLiteral("Blues"));

    QSignalSpy update(f.View().Action(ID_UPDATE_WINAMP), &QAction::triggered);
    QSignalSpy told(&f.doc, &CCdlistDoc::Told);
    Q_EMIT songs->RowDoubleClicked(1);
    EXPECT_EQ(f.doc.Playlist().Ids(), QList<qint64>{other});
    ASSERT_EQ(told.size(), 1);
    EXPECT_EQ(told[0][0].toString(),
              QStringLiteral("Added \u201cunknown genre\u201d to the playlist."));
    EXPECT_EQ(f.doc.Playlist().Entry(0).text, QStringLiteral("unknown genre"));
    EXPECT_TRUE(f.View().Action(ID_UPDATE_WINAMP)->isEnabled());
    EXPECT_TRUE(update.isEmpty());
    CSettings::SetInt(ESetting::AutoUpd, 1);
    Q_EMIT songs->RowDoubleClicked(0);
    EXPECT_EQ(f.doc.Playlist().Ids(), (QList<qint64>{other, rocker}));
    EXPECT_EQ(update.size(), 1);
}

TEST_F(MainFormTest, AGenreTextTheTableDoesNotNameLeavesTheGenreBoxBlank)
{
    Add({.title = "odd", .genre = "Nu Gaze"});
    CLibraryListCtrl* songs = StartIn("S");
    Q_EMIT songs->RowClicked(0);
    EXPECT_EQ(f.View().TagGenre()->currentIndex(), -1) << "not \"Blues\"";
}

TEST_F(MainFormTest, CellEditsSaveTheTagAndTheDeleteCommandAsksAboutTheEditedSong)
{
    CSettings::SetInt(ESetting::LibComment, 1); // Title, Artist, Album, Session, Comment
    const QString music = f.env.MakeDir(QStringLiteral("music"));
    ASSERT_TRUE(CMp3Factory::WriteTaggedSong(music + "/Old.mp3", 1, 128, CMp3Factory::EKind::Cbr,
                                             "Old", "A", "Album"));
    const qint64 id = Add({.title = "Old", .artist = "A", .file = "Old.mp3", .path = music});
    StartIn("S");
    CSongListModel& songs = f.doc.Songs();
    const auto stored = [&](ESongColumn column) {
        return f.doc.Set().FindSongById(id).value_or(SSong()).Text(column);
    };

    songs.setData(songs.index(0, 0), "New", Qt::EditRole);
    EXPECT_EQ(stored(ESongColumn::TITLE), QStringLiteral("New"));
    EXPECT_EQ(Field(IDC_TAG_TITLE), QStringLiteral("New")) << "the tag fields show the song";
    EXPECT_EQ(Field(IDC_TAG_ARTIST), QStringLiteral("A"));
    songs.setData(songs.index(0, 4), "nice", Qt::EditRole);
    EXPECT_EQ(stored(ESongColumn::COMMENT), QStringLiteral("nice"));
    songs.setData(songs.index(0, 3), "Elsewhere", Qt::EditRole);
    EXPECT_EQ(stored(ESongColumn::CD), QStringLiteral("S")) << "a Session edit stores nothing";

    f.prompts.messages.clear();
    f.View().Action(ID_DELETE_SELECTED_FILE)->trigger();
    EXPECT_EQ(f.prompts.Texts(), QStringList{"Are you sure you want to delete Old.mp3 from disk?"})
        << "the current song is the edited one";
}

TEST_F(MainFormTest, TheSearchFieldsAndGenreChoiceFillTheSongList)
{
    Add({.cd = "Jazz", .title = "So What", .genre = "(8)"});
    const qint64 rock = Add({.cd = "jazz", .title = "Other", .genre = "(17)"});
    CLibraryListCtrl* songs = StartIn("Jazz");
    ASSERT_EQ(songs->RowCount(), 1);
    QComboBox* genre = f.View().SearchGenre();
    EXPECT_EQ(genre->count(), 127);

    f.View().Field(IDC_SEARCH_TITLE)->setText("o");
    f.View().Action(ID_SEARCH)->trigger();
    EXPECT_EQ(songs->RowCount(), 2);
    genre->setCurrentIndex(genre->findText("Rock"));
    f.View().Action(ID_SEARCH)->trigger();
    ASSERT_EQ(songs->RowCount(), 1) << "the genre is searched in its stored form";
    EXPECT_EQ(songs->ItemData(0), rock);
    genre->setCurrentIndex(genre->findText("(NONE)"));
    f.View().Action(ID_SEARCH)->trigger();
    EXPECT_EQ(songs->RowCount(), 2);
    EXPECT_TRUE(f.prompts.messages.isEmpty()) << f.prompts.Texts().join(u'|').toStdString();

    for (int id :
         {IDC_SEARCH_ALL, IDC_SEARCH_TITLE, IDC_SEARCH_ARTIST, IDC_SEARCH_ALBUM, IDC_SEARCH_FILE}) {
        f.doc.Songs().Clear();
        QTest::keyClick(f.View().Field(id), Qt::Key_Return);
        EXPECT_EQ(songs->RowCount(), 2) << "Enter in field " << id << " searches";
    }
}

TEST_F(MainFormTest, AClickOnTheHighlightedSessionListsItAgainAndARefillEmptiesTheTagFields)
{
    Add({.title = "Kept", .artist = "A", .year = "1999"});
    Add({.cd = "T", .title = "Elsewhere"});
    CLibraryListCtrl* songs = StartIn("S");
    Q_EMIT songs->RowClicked(0);
    ASSERT_EQ(Field(IDC_TAG_ARTIST), QStringLiteral("A"));

    // A search shows other songs while "S" stays highlighted.
    f.View().Field(IDC_SEARCH_TITLE)->setText("Elsewhere");
    f.View().Action(ID_SEARCH)->trigger();
    ASSERT_EQ(songs->RowCount(), 1);
    EXPECT_EQ(f.doc.CurrentSong(), -1) << "the clicked song is no longer listed";
    EXPECT_EQ((QStringList{Field(IDC_TAG_TITLE), Field(IDC_TAG_ARTIST), Field(IDC_TAG_YEAR)}),
              (QStringList{"", "", ""}));

    QListView* sessions = f.View().SessionList();
    const auto centre = [&](const QString& name) {
        return sessions->visualRect(f.doc.Sessions().index(f.doc.Sessions().Row(name))).center();
    };
    QSignalSpy listings(&f.doc, &CCdlistDoc::BusyChanged);
    QTest::mouseClick(sessions->viewport(), Qt::LeftButton, {}, centre("S"));
    ASSERT_EQ(songs->RowCount(), 1);
    EXPECT_EQ(songs->CellText(0, 0), QStringLiteral("Kept"));
    EXPECT_EQ(listings.size(), 2) << "listed once";

    // Enter lists the highlighted session too; a click on another lists that one once.
    f.doc.Songs().Clear();
    QTest::keyClick(sessions, Qt::Key_Return);
    EXPECT_EQ(songs->RowCount(), 1);
    listings.clear();
    QTest::mouseClick(sessions->viewport(), Qt::LeftButton, {}, centre("T"));
    EXPECT_EQ(songs->CellText(0, 0), QStringLiteral("Elsewhere"));
    EXPECT_EQ(listings.size(), 2) << "listed once";
}

// The catalogue's thumbnail shows though the song's folder is gone; a click then says
// why the whole picture cannot be shown.
TEST_F(MainFormTest, TheCurrentSongsCoverShowsBesideTheTagFieldsWithoutItsFile)
{
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    const qint64 covered = Add({.title = "covered", .path = "/gone/away"});
    Add({.title = "bare"});
    CCoverStore store(f.doc.Database());
    store.Add("key", png);
    store.SetSongCover(covered, "key");
    CLibraryListCtrl* songs = StartIn("S");
    auto* cover = f.View().findChild<CCoverLabel*>();
    ASSERT_NE(cover, nullptr);

    Q_EMIT songs->RowClicked(0);
    EXPECT_TRUE(cover->HasPicture());
    QTest::mouseClick(cover, Qt::LeftButton);
    ASSERT_EQ(f.prompts.messages.size(), 1);
    EXPECT_EQ(f.prompts.messages[0].text, CLibraryTexts::CoverNotReachable());
    Q_EMIT songs->RowClicked(1);
    EXPECT_FALSE(cover->HasPicture());
}

} // namespace

namespace {

// A session the command line adds while the window is open is listed within a second, and
// a song it deletes leaves the list.
TEST_F(MainFormTest, WhatTheCommandLineCommitsShowsInTheOpenWindow)
{
    const qint64 gone = Add({.title = "Gone"});
    Add({.title = "Stays"});
    CLibraryListCtrl* songs = StartIn("S");
    ASSERT_EQ(songs->RowCount(), 2);
    const QString music = f.env.MakeDir(QStringLiteral("later"));
    ASSERT_TRUE(CMp3Factory::WriteTaggedSong(music + "/Late.mp3", 1, 128, CMp3Factory::EKind::Cbr,
                                             "Late", "B", "Album"));
    ASSERT_EQ(SCliRun::Run(f.env.DataDir(), {"add-session", "Later", music}).status, 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.doc.Sessions().Contains("Later"); }, 3000));
    CDatabase other;
    other.Open(f.env.DatabasePath());
    CStatement(other, QStringLiteral("DELETE FROM Songs WHERE ID = %1").arg(gone)).Step();
    EXPECT_TRUE(QTest::qWaitFor([&] { return songs->RowCount() == 1; }, 3000));
    EXPECT_EQ(f.doc.Songs().Cell(0, 0), QStringLiteral("Stays"));
}

} // namespace
