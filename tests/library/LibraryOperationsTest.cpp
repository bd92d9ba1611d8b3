#include "library/LibraryFixture.h"

#include <QFile>
#include <functional>

namespace {

class LibraryOperationsTest : public LibraryFixture
{
protected:
    void Columns(int artist, int length, int comment)
    {
        CSettings::SetInt(ESetting::LibArtist, artist);
        CSettings::SetInt(ESetting::LibLength, length);
        CSettings::SetInt(ESetting::LibComment, comment);
        songs.RebuildColumns();
    }
    QList<qint64> Listed() const
    {
        QList<qint64> ids;
        for (int r = 0; r < songs.RowCount(); ++r)
            ids << songs.Id(r);
        return ids;
    }
    QStringList Row(int row) const
    {
        QStringList cells;
        for (int c = 0; c < songs.ColumnCount(); ++c)
            cells << songs.Cell(row, c);
        return cells;
    }
    QString Stored(qint64 id, ESongColumn column)
    {
        const std::optional<SSong> song = set.FindSongById(id);
        EXPECT_TRUE(song);
        return song ? song->Text(column) : QString();
    }

    CSongListModel& songs = doc.Songs();
};

TEST_F(LibraryOperationsTest, SessionListsItsExactNameInIdOrderWithTheChosenColumns)
{
    Columns(0, 1, 1);
    const qint64 a =
        Add({.cd = "Rock", .title = "z", .album = "A1", .duration = "245", .comment = "c1"});
    Add({.cd = "rock", .title = "y"});
    const qint64 c = Add({.cd = "Rock", .title = "a"});
    const qint64 d = Add({.cd = "Rock", .title = "b", .duration = "5"});
    Add({.cd = "Rock ", .title = "x"});
    Add({.cd = "x' OR '1'='1", .title = "q"});
    QList<bool> busy;
    QObject::connect(&doc, &CCdlistDoc::BusyChanged, [&busy](bool b) { busy << b; });

    ops.ShowSession("Rock");
    EXPECT_EQ(Listed(), (QList<qint64>{a, c, d}));
    EXPECT_EQ(songs.Headings(), (QStringList{"Title", "Album", "Session", "Length", "Comment"}));
    EXPECT_EQ(Row(0), (QStringList{"z", "A1", "Rock", "4:05", "c1"}));
    EXPECT_EQ(Row(1), (QStringList{"a", "", "Rock", "", ""})) << "no length, no comment";
    EXPECT_EQ(Row(2)[3], QStringLiteral("0:05"));
    EXPECT_EQ(busy, (QList<bool>{true, false}));

    ops.ShowSession("x' OR '1'='1");
    EXPECT_EQ(Row(0)[0], QStringLiteral("q")) << "a quote is just a character";
    EXPECT_EQ(songs.RowCount(), 1) << "the list is replaced";
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(LibraryOperationsTest, SelectRowMakesItsSongCurrentUnlessItIsGone)
{
    const qint64 a = Add({.title = "a"});
    const qint64 gone = Add({.title = "gone"});
    ops.ShowSession("S");
    ASSERT_TRUE(set.Delete(gone));
    EXPECT_EQ(ops.SelectRow(0).value_or(SSong()).m_ID, a);
    EXPECT_EQ(doc.CurrentSong(), a);
    EXPECT_FALSE(ops.SelectRow(1));
    EXPECT_FALSE(ops.SelectRow(2));
    EXPECT_EQ(doc.CurrentSong(), a);
}

// A cell edit names the tag field it changes; storing it is the tag saver's.
TEST_F(LibraryOperationsTest, CellEditsChangeTheirColumnOnlyWhenChanged)
{
    Columns(0, 1, 1); // Title, Album, Session, Length, Comment
    const qint64 id = Add({.title = "Old", .artist = "Artist", .album = "A", .duration = "61"});
    ops.ShowSession("S");
    const auto edit = [&](int column, const QString& text) {
        const auto e = ops.CellEdit(0, column, text);
        return e ? std::optional(std::pair(e->id, e->column)) : std::nullopt;
    };
    EXPECT_FALSE(edit(0, "Old"));
    EXPECT_EQ(edit(0, "New"), std::pair(id, ESongColumn::LIST));
    EXPECT_EQ(edit(1, "Other"), std::pair(id, ESongColumn::ALBUM));
    // Session and Length change only on screen.
    EXPECT_FALSE(edit(2, "Elsewhere"));
    EXPECT_FALSE(edit(3, "9:99"));
    EXPECT_EQ(edit(4, "nice"), std::pair(id, ESongColumn::COMMENT));
    EXPECT_FALSE(ops.CellEdit(1, 0, "x"));
    EXPECT_FALSE(edit(5, "x"));
    EXPECT_EQ(Stored(id, ESongColumn::TITLE), QStringLiteral("Old")) << "nothing is stored";
}

TEST_F(LibraryOperationsTest, DeleteAsksThenRemovesFileAndRecord)
{
    const QString file = env.WriteFile("music/song.mp3", "data");
    const qint64 song = Add({.title = "song", .path = env.Root() + "/music"});
    const qint64 ghost = Add({.title = "ghost", .path = env.Root() + "/nowhere"});
    doc.SetSongCount(2);
    ops.ShowSession("S");
    ops.DeleteCurrentFile();
    EXPECT_TRUE(prompts.messages.isEmpty()) << "no current song: no question";

    doc.SetCurrentSong(song);
    ops.DeleteCurrentFile(); // answered No
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(prompts.messages[0].text, "Are you sure you want to delete song.mp3 from disk?");
    EXPECT_EQ(prompts.messages[0].caption, QStringLiteral("Confirm Removal"));
    EXPECT_EQ(prompts.messages[0].icon, CPrompts::EIcon::Exclamation);
    EXPECT_TRUE(QFile::exists(file));

    doc.SetCurrentSong(ghost);
    prompts.answers.enqueue(CPrompts::EAnswer::Yes);
    ops.DeleteCurrentFile();
    ASSERT_EQ(prompts.messages.size(), 3);
    EXPECT_EQ(prompts.messages[2].text, QStringLiteral("Unable to delete file!"));
    EXPECT_EQ(prompts.messages[2].caption, QStringLiteral("Error"));
    EXPECT_EQ(prompts.messages[2].icon, CPrompts::EIcon::Error);
    EXPECT_TRUE(set.FindSongById(ghost));
    EXPECT_EQ(songs.RowCount(), 2);
    EXPECT_EQ(doc.SongCount(), 2);

    doc.SetCurrentSong(song);
    doc.Playlist().Append({{"song", song}, {"ghost", ghost}, {"song", song}});
    prompts.answers.enqueue(CPrompts::EAnswer::Yes);
    ops.DeleteCurrentFile();
    EXPECT_EQ(doc.Playlist().Ids(), QList<qint64>{ghost}) << "gone from the playlist too";
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_FALSE(set.FindSongById(song));
    ASSERT_EQ(songs.RowCount(), 1) << "its row goes, the other stays";
    EXPECT_EQ(songs.Id(0), ghost);
    EXPECT_EQ(doc.SongCount(), 1);
}

TEST_F(LibraryOperationsTest, SearchFollowsTheSettingsAndWithAddOnSearchFillsThePlaylist)
{
    Columns(1, 1, 0);
    const qint64 a = Add({.title = "love me", .duration = "245"});
    Add({.title = "hate"});
    const qint64 c = Add({.title = "Lovely"});
    ops.Search({.title = "OVE"});
    EXPECT_EQ(Listed(), (QList<qint64>{a, c}));
    EXPECT_EQ(Row(0)[4], QStringLiteral("4:05"));
    EXPECT_EQ(doc.Playlist().Count(), 0);
    CSettings::SetInt(ESetting::FastSearch, 1);
    ops.Search({.title = "OVE"});
    EXPECT_TRUE(Listed().isEmpty()) << "the fast search compares prefixes";

    CSettings::SetInt(ESetting::AddOnSearch, 1);
    ops.Search({.title = "LOVE"});
    EXPECT_EQ(Listed(), (QList<qint64>{a, c}));
    EXPECT_EQ(doc.Playlist().Ids(), (QList<qint64>{a, c}));
    EXPECT_EQ(doc.Playlist().Entry(1).text, QStringLiteral("Lovely"));
    EXPECT_TRUE(doc.Playlist().Changed());
}

// A list knows how many songs it holds and how long they play, for a session, a search
// the index answers (its rows not read yet) and one that tests every row; a playlist
// entry carries its song's artist and length, and the playlist their sum.
TEST_F(LibraryOperationsTest, ListsAndThePlaylistKnowHowLongTheirSongsPlay)
{
    const qint64 a = Add({.cd = "A", .title = "Intro", .artist = "One", .duration = "245"});
    const qint64 b = Add({.cd = "A", .title = "Intro", .artist = "Two", .duration = "100"});
    Add({.cd = "B", .title = "Outro", .artist = "Two"});
    struct SCase
    {
        std::function<void()> list;
        int songs;
        qint64 seconds;
    };
    const SCase cases[] = {
        {[&] { ops.ShowSession("A"); }, 2, 345},
        {[&] { ops.Search({.title = "intro"}); }, 2, 345},
        {[&] { ops.Search({.artist = "Tw"}); }, 2, 100},
        {[&] { songs.Clear(); }, 0, 0},
    };
    for (const SCase& c : cases) {
        c.list();
        EXPECT_EQ(songs.RowCount(), c.songs);
        EXPECT_EQ(songs.TotalSeconds(), c.seconds);
    }

    CPlaylistModel& playlist = doc.Playlist();
    playlist.Append({{"Intro", a}, {"Intro", b}, {"Intro", a}});
    EXPECT_EQ(playlist.data(playlist.index(1), CPlaylistModel::kArtistRole).toString(), "Two");
    EXPECT_EQ(playlist.data(playlist.index(1), CPlaylistModel::kSecondsRole).toLongLong(), 100);
    EXPECT_EQ(playlist.TotalSeconds(), 590);
    playlist.Remove(0);
    EXPECT_EQ(playlist.TotalSeconds(), 345);
}

} // namespace

namespace {

// A list too long to have read its rows sorts by the texts the catalogue hands (some of
// them from indexes, folded) in the order the cells themselves sort in.
TEST_F(LibraryOperationsTest, EveryColumnSortsFromTheCatalogueAsFromItsCells)
{
    for (ESetting s : {ESetting::LibTrack, ESetting::LibYear, ESetting::LibGenre, ESetting::LibType,
                       ESetting::LibPath, ESetting::LibComment})
        CSettings::SetBool(s, true);
    songs.RebuildColumns();
    Add({.title = "b", .file = "b.OGG", .genre = "(17)", .year = "1999", .comment = "x"});
    Add({.title = "A", .file = "a.mp3", .path = "/z", .genre = "Électro", .year = "2001"});
    Add({.title = "c", .file = "c.Flac", .genre = "(0)", .year = "199", .comment = "W"});
    Add({.title = "é", .file = "noname", .path = "/a/b", .genre = "jazz"});
    Add({.title = "d", .file = "d.mp3", .genre = "", .year = "1999", .track = "10"});
    // One folder stored with and without its closing slash, and the root.
    Add({.title = "f", .file = "z.mp3", .path = "/a", .track = "2"});
    Add({.title = "g", .file = "y.mp3", .path = "/a/", .track = "9"});
    Add({.title = "h", .file = "x.mp3", .path = "/"});
    // More songs than the sort places at a time, in no order of any column.
    for (int i = 0; i < 1100; ++i) {
        const auto n = [i](int step, int count) { return QString::number(i * step % count); };
        Add({.title = n(37, 1100),
             .artist = n(7, 13),
             .album = n(11, 29),
             .file = n(53, 1100) + QStringLiteral(".mp3"),
             .path = QStringLiteral("/") + n(3, 50),
             .genre = n(5, 9),
             .year = n(17, 40),
             .duration = n(13, 400),
             .track = n(19, 30)});
    }
    for (int column = 0; column < songs.ColumnCount(); ++column) {
        ops.Search({});
        songs.SortByColumn(column, true);
        const QList<qint64> fromCatalogue = Listed();
        ops.Search({});
        for (int r = 0; r < songs.RowCount(); ++r)
            Row(r);
        songs.SortByColumn(column, true);
        EXPECT_EQ(Listed(), fromCatalogue) << songs.Headings()[column].toStdString();
    }
}

} // namespace
