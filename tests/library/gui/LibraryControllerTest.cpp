#include "LibraryFixture.h"
#include "library/gui/CLibraryController.h"
#include "library/gui/CLibraryListCtrl.h"
#include "support/CScriptedPrompts.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>

namespace {

class LibraryControllerTest : public LibraryFixture
{
protected:
    void SetUp() override
    {
        LibraryFixture::SetUp();
        for (QLineEdit* f : {&title, &artist, &album, &year})
            f->setMaxLength(30);
        SLibraryParts p;
        p.set = &set;
        p.prompts = &prompts;
        p.sessions = &sessions;
        p.songs = &songs;
        p.title = &title;
        p.artist = &artist;
        p.album = &album;
        p.year = &year;
        p.genre = &genre;
        p.lyrics = &lyrics;
        p.deleteFile = &deleteFile;
        p.songCount = [this] { return songCount; };
        p.setSongCount = [this](int n) { songCount = n; };
        p.currentSong = [this] { return current; };
        p.setCurrentSong = [this](qint32 id) { current = id; };
        p.addPlaylistEntry = [this](const QString& t, qint32 id) { playlist.append({t, id}); };
        p.setPlaylistChanged = [this](bool c) { playlistChanged = c; };
        controller = std::make_unique<CLibraryController>(std::move(p), nullptr);
        songs.RebuildColumns();
    }
    void Select(const QString& session)
    {
        sessions.addItem(session);
        sessions.setCurrentRow(sessions.count() - 1);
    }
    QString Stored(qint32 id, ESongColumn column)
    {
        EXPECT_TRUE(set.FindSongById(id));
        return set.Text(column);
    }
    int RowOf(qint32 id) const
    {
        for (int r = 0; r < songs.RowCount(); ++r)
            if (songs.ItemData(r) == id)
                return r;
        return -1;
    }

    CScriptedPrompts prompts;
    QListWidget sessions;
    CLibraryListCtrl songs;
    QLineEdit title, artist, album, year;
    QComboBox genre;
    QPushButton lyrics{QStringLiteral("&Lyrics")};
    QAction deleteFile{nullptr};
    int songCount = 0;
    qint32 current = -1;
    QList<QPair<QString, qint32>> playlist;
    bool playlistChanged = false;
    std::unique_ptr<CLibraryController> controller;
};

TEST_F(LibraryControllerTest, SessionListsOnlyItsExactNameInIdOrder)
{
    const qint32 a = Add({.cd = QStringLiteral("Rock"), .title = QStringLiteral("z")});
    Add({.cd = QStringLiteral("rock"), .title = QStringLiteral("y")});
    const qint32 c = Add({.cd = QStringLiteral("Rock"), .title = QStringLiteral("a")});
    Add({.cd = QStringLiteral("Rock "), .title = QStringLiteral("x")});
    Select(QStringLiteral("Rock"));
    ASSERT_EQ(songs.RowCount(), 2);
    EXPECT_EQ(songs.ItemData(0), a);
    EXPECT_EQ(songs.ItemData(1), c);
    EXPECT_TRUE(set.Filter().IsEmpty()) << "the set is left unfiltered";
}

TEST_F(LibraryControllerTest, SessionNamesWithQuotesAreJustNames)
{
    Add({.cd = QStringLiteral("Rock 'n' Roll"), .title = QStringLiteral("one")});
    Add({.cd = QStringLiteral("x' OR '1'='1"), .title = QStringLiteral("two")});
    Select(QStringLiteral("Rock 'n' Roll"));
    ASSERT_EQ(songs.RowCount(), 1);
    EXPECT_EQ(songs.CellText(0, 0), QStringLiteral("one"));
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(LibraryControllerTest, ClickShowsTheTagFieldsGenreAndLyricsCaption)
{
    Add({.title = QStringLiteral("rocker"),
         .artist = QStringLiteral("A"),
         .album = QStringLiteral("B"),
         .genre = QStringLiteral("(17)"),
         .lyrics = QStringLiteral("la"),
         .year = QStringLiteral("1999")});
    Add({.title = QStringLiteral("unknown genre"), .genre = QStringLiteral("(255)")});
    Add({.title = QStringLiteral("no genre")});
    Add({.title = QStringLiteral("blues"), .genre = QStringLiteral("(0)")});
    Select(QStringLiteral("S"));
    ASSERT_EQ(songs.RowCount(), 4);

    controller->OnSongClicked(0);
    EXPECT_EQ(current, songs.ItemData(0));
    EXPECT_EQ(title.text(), QStringLiteral("rocker"));
    EXPECT_EQ(artist.text(), QStringLiteral("A"));
    EXPECT_EQ(album.text(), QStringLiteral("B"));
    EXPECT_EQ(year.text(), QStringLiteral("1999"));
    EXPECT_EQ(genre.currentText(), QStringLiteral("Rock")) << "not \"Rock & Roll\"";
    EXPECT_EQ(lyrics.text(), QStringLiteral("Lyrics!"));

    controller->OnSongClicked(1);
    EXPECT_EQ(genre.currentIndex(), -1);
    EXPECT_EQ(lyrics.text(), QStringLiteral("Lyrics"));
    controller->OnSongClicked(2);
    EXPECT_EQ(genre.currentIndex(), -1);
    controller->OnSongClicked(3);
    EXPECT_EQ(genre.currentText(), QStringLiteral("Blues"));
}

TEST_F(LibraryControllerTest, ClickOnAVanishedSongChangesNothing)
{
    const qint32 id = Add({.title = QStringLiteral("gone")});
    Select(QStringLiteral("S"));
    ASSERT_TRUE(set.FindSongById(id));
    set.Delete();
    set.Requery();
    controller->OnSongClicked(0);
    EXPECT_EQ(current, -1);
    EXPECT_TRUE(title.text().isEmpty());
}

TEST_F(LibraryControllerTest, DoubleClickAddsTheRowToThePlaylist)
{
    const qint32 a = Add({.title = QStringLiteral("first")});
    const qint32 b = Add({.title = QStringLiteral("second")});
    Select(QStringLiteral("S"));
    songs.SortByHeading(0);
    songs.SortByHeading(0); // "second" on top
    controller->OnSongDoubleClicked(0);
    controller->OnSongDoubleClicked(1);
    EXPECT_EQ(playlist, (QList<QPair<QString, qint32>>{{"second", b}, {"first", a}}));
    EXPECT_TRUE(playlistChanged);
}

TEST_F(LibraryControllerTest, TitleEditStoresListAndTitleOnlyWhenChanged)
{
    const qint32 id = Add({.title = QStringLiteral("Old"), .artist = QStringLiteral("A")});
    Select(QStringLiteral("S"));
    QSignalSpy save(controller.get(), &CLibraryController::TagSaveRequested);

    songs.Model()->setData(songs.Model()->index(0, 0), QStringLiteral("Old"), Qt::EditRole);
    EXPECT_TRUE(save.isEmpty()) << "the same text stores and saves nothing";
    EXPECT_EQ(current, -1);

    songs.Model()->setData(songs.Model()->index(0, 0), QStringLiteral("New"), Qt::EditRole);
    EXPECT_EQ(Stored(id, ESongColumn::TITLE), QStringLiteral("New"));
    EXPECT_EQ(Stored(id, ESongColumn::LIST), QStringLiteral("New"));
    EXPECT_EQ(Stored(id, ESongColumn::ARTIST), QStringLiteral("A"));
    ASSERT_EQ(save.size(), 1);
    EXPECT_EQ(save[0][0].toInt(), id);
    EXPECT_EQ(current, id);
    EXPECT_EQ(title.text(), QStringLiteral("New")) << "the tag fields show the edited song";
}

TEST_F(LibraryControllerTest, WithoutArtistColumnAnAlbumEditChangesTheAlbum)
{
    CSettings::SetInt(QStringLiteral("LibArtist"), 0);
    CSettings::SetInt(QStringLiteral("LibComment"), 1);
    CSettings::SetInt(QStringLiteral("LibLength"), 1);
    songs.RebuildColumns();
    const qint32 id = Add({.title = QStringLiteral("t"),
                           .artist = QStringLiteral("Artist"),
                           .album = QStringLiteral("Album"),
                           .duration = QStringLiteral("61")});
    Select(QStringLiteral("S"));
    QSignalSpy comment(controller.get(), &CLibraryController::CommentTagRequested);
    auto* model = songs.Model();
    model->setData(model->index(0, 1), QStringLiteral("Other"), Qt::EditRole);
    EXPECT_EQ(Stored(id, ESongColumn::ALBUM), QStringLiteral("Other"));
    EXPECT_EQ(Stored(id, ESongColumn::ARTIST), QStringLiteral("Artist"));

    // Session and Length cells change only on screen.
    model->setData(model->index(0, 2), QStringLiteral("Elsewhere"), Qt::EditRole);
    model->setData(model->index(0, 3), QStringLiteral("9:99"), Qt::EditRole);
    EXPECT_EQ(songs.CellText(0, 2), QStringLiteral("Elsewhere"));
    EXPECT_EQ(Stored(id, ESongColumn::CD), QStringLiteral("S"));
    EXPECT_EQ(Stored(id, ESongColumn::DURATION), QStringLiteral("61"));

    model->setData(model->index(0, 4), QStringLiteral("nice"), Qt::EditRole);
    EXPECT_EQ(Stored(id, ESongColumn::COMMENT), QStringLiteral("nice"));
    ASSERT_EQ(comment.size(), 1);
    EXPECT_EQ(comment[0], (QVariantList{id, QStringLiteral("nice")}));
}

TEST_F(LibraryControllerTest, DeleteSelectedFileAsksThenRemovesFileAndRecord)
{
    const QString file = env.WriteFile(QStringLiteral("music/song.mp3"), "data");
    const qint32 id = Add({.title = QStringLiteral("song"),
                           .file = QStringLiteral("song.mp3"),
                           .path = env.Root() + QStringLiteral("/music")});
    songCount = 1;
    Select(QStringLiteral("S"));
    current = id;

    deleteFile.trigger(); // answered No
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(prompts.messages[0].text,
              QStringLiteral("Are you sure you want to delete song.mp3 from disk?"));
    EXPECT_EQ(prompts.messages[0].caption, QStringLiteral("Confirm Removal"));
    EXPECT_EQ(prompts.messages[0].icon, CPrompts::EIcon::Exclamation);
    EXPECT_TRUE(QFile::exists(file));
    EXPECT_EQ(songs.RowCount(), 1);

    prompts.answers.enqueue(CPrompts::EAnswer::Yes);
    deleteFile.trigger();
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_FALSE(set.FindSongById(id));
    EXPECT_EQ(songs.RowCount(), 0);
    EXPECT_EQ(songCount, 0);
}

TEST_F(LibraryControllerTest, AFileThatCannotBeDeletedKeepsItsRecord)
{
    const qint32 id = Add({.title = QStringLiteral("ghost"),
                           .file = QStringLiteral("ghost.mp3"),
                           .path = env.Root() + QStringLiteral("/nowhere")});
    songCount = 1;
    Select(QStringLiteral("S"));
    current = id;
    prompts.answers.enqueue(CPrompts::EAnswer::Yes);
    deleteFile.trigger();
    ASSERT_EQ(prompts.messages.size(), 2);
    EXPECT_EQ(prompts.messages[1].text, QStringLiteral("Unable to delete file!"));
    EXPECT_EQ(prompts.messages[1].caption, QStringLiteral("Error"));
    EXPECT_EQ(prompts.messages[1].icon, CPrompts::EIcon::Error);
    EXPECT_TRUE(set.FindSongById(id));
    EXPECT_EQ(songs.RowCount(), 1);
    EXPECT_EQ(songCount, 1);

    current = -1;
    deleteFile.trigger();
    EXPECT_EQ(prompts.messages.size(), 2) << "no current song: no question";
}

} // namespace
