#include "model/CSongListModel.h"
#include "platform/CCollation.h"
#include "platform/CSettings.h"
#include "support/CTestEnvironment.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QItemSelectionModel>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <map>

namespace {

// A row of a song file with the next ID.
void AddFile(CSongListModel& list, std::string_view folder, std::string_view name)
{
    SSong song;
    song.m_ID = list.RowCount() + 1;
    song.m_PATH = QString::fromUtf8(folder.data(), qsizetype(folder.size()));
    song.m_MELODI = QString::fromUtf8(name.data(), qsizetype(name.size()));
    list.InsertSongRow(list.RowCount(), song);
}

class SongListModelTest : public ::testing::Test
{
protected:
    // Rows of the given (title, artist) cells with IDs 1, 2, 3, …
    void Fill(const QList<QStringList>& rows)
    {
        model.SetHeadings({QStringLiteral("Title"), QStringLiteral("Artist")});
        for (const QStringList& cells : rows)
            model.InsertRow(model.RowCount(), {qint64(model.RowCount() + 1), cells});
    }
    QList<qint64> SortedIds(int column, bool ascending)
    {
        model.SortByColumn(column, ascending);
        QList<qint64> ids;
        for (int r = 0; r < model.RowCount(); ++r)
            ids << model.Id(r);
        return ids;
    }

    CSongListModel model;
};

TEST_F(SongListModelTest, EqualCellsKeepTheirOrderBothWays)
{
    // Enough rows that an unstable sort would show it.
    QList<QStringList> rows;
    QList<qint64> all, even, odd;
    for (int i = 0; i < 40; ++i) {
        rows << QStringList{QStringLiteral("same"), QString::number(i % 2)};
        all << i + 1;
        (i % 2 ? odd : even) << i + 1;
    }
    Fill(rows);
    EXPECT_EQ(SortedIds(0, true), all);
    EXPECT_EQ(SortedIds(0, false), all);
    EXPECT_EQ(SortedIds(1, true), even + odd);
    EXPECT_EQ(SortedIds(1, false), odd + even);
}

TEST_F(SongListModelTest, BitRateAndLengthSortAsNumbersAndTheOtherWayReverses)
{
    CTestEnvironment env;
    CSettings::SetBool(ESetting::LibBitrate, true);
    CSettings::SetBool(ESetting::LibLength, true);
    model.RebuildColumns();
    const int bitrate = int(model.Headings().indexOf(QStringLiteral("Bitrate")));
    const int length = int(model.Headings().indexOf(QStringLiteral("Length")));
    // A length in seconds sorts among lengths in minutes by its value ("126" after "2:05").
    const QList<QPair<QString, QString>> songs = {{"320", "0:08"}, {"35", "11:00"}, {"38", "2:05"},
                                                  {"", "1:05"},    {"128", ""},     {"", "126"}};
    for (const auto& [rate, time] : songs) {
        QStringList cells(model.ColumnCount());
        cells[bitrate] = rate;
        cells[length] = time;
        model.InsertRow(model.RowCount(), {qint64(model.RowCount() + 1), cells});
    }
    EXPECT_EQ(SortedIds(bitrate, true), (QList<qint64>{4, 6, 2, 3, 5, 1}));
    EXPECT_EQ(SortedIds(length, true), (QList<qint64>{5, 1, 4, 3, 6, 2}));
    EXPECT_EQ(SortedIds(length, false), (QList<qint64>{2, 6, 3, 4, 1, 5}));
}

// The optional columns show a song's track, year, genre by name, file type and file, whole;
// path and type are not texts to edit.
TEST_F(SongListModelTest, TheOptionalColumnsShowTheirCellsAndPathAndTypeAreNotEdited)
{
    CTestEnvironment env;
    for (const ESetting s : {ESetting::LibArtist, ESetting::LibAlbum, ESetting::LibSession})
        CSettings::SetBool(s, false);
    for (const ESetting s : {ESetting::LibTrack, ESetting::LibYear, ESetting::LibGenre,
                             ESetting::LibType, ESetting::LibPath})
        CSettings::SetBool(s, true);
    model.RebuildColumns();
    ASSERT_EQ(model.Headings(), (QStringList{"Title", "Track", "Year", "Genre", "Type", "Path"}));
    SSong song;
    song.m_ID = 1;
    song.m_PATH = QStringLiteral("/music/Disc 1");
    song.m_MELODI = QStringLiteral("01 Intro.final.flac");
    song.m_TRACK = QStringLiteral("7");
    song.m_YEAR = QStringLiteral("1974");
    song.m_GENRE = QStringLiteral("(17)");
    model.InsertSongRow(0, song);
    song.m_GENRE = QStringLiteral("Chiptune Wave"); // a genre the table does not number
    song.m_MELODI = QStringLiteral("README");
    model.InsertSongRow(1, song);
    EXPECT_EQ(model.Cell(0, 1), "7");
    EXPECT_EQ(model.Cell(0, 2), "1974");
    EXPECT_EQ(model.Cell(0, 3), "Rock");
    EXPECT_EQ(model.Cell(0, 4), "FLAC");
    EXPECT_EQ(model.Cell(0, 5), "/music/Disc 1/01 Intro.final.flac");
    EXPECT_EQ(model.Cell(1, 3), "Chiptune Wave");
    EXPECT_EQ(model.Cell(1, 4), "");
    EXPECT_FALSE(model.flags(model.index(0, 4)) & Qt::ItemIsEditable);
    EXPECT_FALSE(model.flags(model.index(0, 5)) & Qt::ItemIsEditable);
    EXPECT_TRUE(model.flags(model.index(0, 0)) & Qt::ItemIsEditable);
}

TEST_F(SongListModelTest, SortingFollowsTheReadersOrderAndMovesTheSelection)
{
    // Case and accents beside their letters, numbers by value, past the BMP too.
    Fill({{"Zoë", ""},
          {"Track 10", ""},
          {"émilie", ""},
          {"Track 2", ""},
          {"apple", ""},
          {"Ünïcödé", ""},
          {"B", ""},
          {"Emilie", ""}});
    QItemSelectionModel selection(&model);
    selection.select(model.index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    EXPECT_EQ(SortedIds(0, true), (QList<qint64>{5, 7, 8, 3, 4, 2, 6, 1}));
    ASSERT_EQ(selection.selectedRows().size(), 1);
    EXPECT_EQ(selection.selectedRows()[0].row(), 7) << "the selected song stays selected";
}

// Sorted by artist, an artist's songs come by album, inside one by track number, then in
// the order they were taken in; sorted by album, by track; tracks sort by number.
TEST_F(SongListModelTest, AnArtistsSongsComeByAlbumThenTrackThenInTheOrderTakenIn)
{
    CTestEnvironment env;
    CSettings::SetBool(ESetting::LibTrack, true);
    model.RebuildColumns();
    const int artist = int(model.Headings().indexOf(QStringLiteral("Artist")));
    const int album = int(model.Headings().indexOf(QStringLiteral("Album")));
    const int track = int(model.Headings().indexOf(QStringLiteral("Track")));
    ASSERT_GE(artist, 0);
    ASSERT_GE(album, 0);
    ASSERT_GE(track, 0);
    QList<std::pair<qint64, QStringList>> songs = {{4, {"b", "Two", "1"}}, {1, {"b", "Two", ""}},
                                                   {3, {"a", "One", "2"}}, {2, {"b", "One", "10"}},
                                                   {5, {"b", "One", "2"}}, {6, {"b", "Two", "1"}}};
    const auto fill = [&] {
        model.Clear();
        for (const auto& [id, cells] : songs) {
            QStringList row(model.ColumnCount());
            row[artist] = cells[0];
            row[album] = cells[1];
            row[track] = cells[2];
            row[0] = id == 6 ? "a" : id == 4 ? "z" : "m"; // a title that sorts 6 before 4
            model.InsertRow(model.RowCount(), {id, row});
        }
    };
    fill();
    EXPECT_EQ(SortedIds(artist, true), (QList<qint64>{3, 5, 2, 1, 4, 6}));
    EXPECT_EQ(SortedIds(artist, false), (QList<qint64>{5, 2, 1, 4, 6, 3}));
    EXPECT_EQ(SortedIds(album, true), (QList<qint64>{3, 5, 2, 1, 4, 6}));
    EXPECT_EQ(SortedIds(track, true), (QList<qint64>{1, 4, 6, 3, 5, 2}));
    // Listed by ID, as a search lists, and shown in another order first: the same.
    std::sort(songs.begin(), songs.end());
    fill();
    EXPECT_EQ(SortedIds(0, true), (QList<qint64>{6, 1, 2, 3, 5, 4}));
    EXPECT_EQ(SortedIds(artist, true), (QList<qint64>{3, 5, 2, 1, 4, 6}));
    // The first song taken off the list: the others keep that order.
    model.RemoveSongs({{1, 0}});
    EXPECT_EQ(SortedIds(0, true), (QList<qint64>{6, 3, 5, 2, 4})); // equal titles stay put
    EXPECT_EQ(SortedIds(artist, true), (QList<qint64>{3, 5, 2, 4, 6}));
}

// A folder's songs come together, by name ("9" before "10"), before a folder whose name
// goes on ("/a/b c"); the other direction turns folders and names round, the same path
// keeping its order both ways.
TEST_F(SongListModelTest, PathsSortByFolderThenName)
{
    CTestEnvironment env;
    for (const ESetting s : {ESetting::LibArtist, ESetting::LibAlbum, ESetting::LibSession})
        CSettings::SetBool(s, false);
    CSettings::SetBool(ESetting::LibPath, true);
    model.RebuildColumns();
    const int path = int(model.Headings().indexOf(QStringLiteral("Path")));
    ASSERT_GE(path, 0);
    const std::pair<const char*, const char*> files[] = {{"/a/b c", "a.mp3"},
                                                         {"/a/b", "x.mp3"},
                                                         {"/a/b/", "x.mp3"},
                                                         {"/a/b", "10.mp3"},
                                                         {"/a/b", "9.mp3"}};
    for (const auto& [folder, name] : files)
        AddFile(model, folder, name);
    EXPECT_EQ(SortedIds(path, true), (QList<qint64>{5, 4, 2, 3, 1}));
    EXPECT_EQ(SortedIds(path, false), (QList<qint64>{1, 2, 3, 4, 5}));
}

// Many songs in few folders (a folder larger than half the list, named out of order; names
// whose first letters agree, one's being the start of another's, or differ only in case or
// accents): the names sorted on two threads order each folder as one stable sort would,
// both ways.
TEST_F(SongListModelTest, ALargePathSortOrdersEveryFolderWhole)
{
    CTestEnvironment env;
    CSettings::SetBool(ESetting::LibPath, true);
    const char* const kNames[] = {"Track ",    "track",      "Tra", "Trace ", "Träck ",
                                  "",          "ab",         "Ab",  "a-b",    "abcdefghij",
                                  "abcdefghi", "ABCDEFGHIK", "Zoë"};
    std::vector<std::pair<std::string, std::string>> files;
    for (int i = 0; i < 30000; ++i)
        files.emplace_back(i % 5 ? "/music/Big" : "/music/Small " + std::to_string(i % 3),
                           kNames[(i / 7) % std::size(kNames)] +
                               std::to_string((i * 7919) % 20000 % (i % 4 ? 20000 : 3)) + ".mp3");
    CCollation collation;
    for (const bool ascending : {true, false}) {
        CSongListModel list; // sorted afresh, not turned round
        list.RebuildColumns();
        for (const auto& [folder, name] : files)
            AddFile(list, folder, name);
        QList<qint64> expected;
        for (qint64 id = 1; id <= qint64(files.size()); ++id)
            expected << id;
        std::stable_sort(expected.begin(), expected.end(), [&](qint64 x, qint64 y) {
            const auto& a = files[size_t(x - 1)];
            const auto& b = files[size_t(y - 1)];
            const int c = a.first != b.first ? collation.Compare(a.first, b.first)
                                             : collation.Compare(a.second, b.second);
            return ascending ? c < 0 : c > 0;
        });
        list.SortByColumn(int(list.Headings().indexOf(QStringLiteral("Path"))), ascending);
        QList<qint64> ids;
        for (int r = 0; r < list.RowCount(); ++r)
            ids << list.Id(r);
        EXPECT_EQ(ids, expected) << ascending;
    }
}

// The ranking made for speed (keys made on two threads, compared by their first bytes,
// repeats no longer looked for once the first 64 K texts were nearly all new) orders a
// large list exactly as one stable sort comparing the reader's keys does.
TEST_F(SongListModelTest, ALargeSortOrdersAsTheReadersComparisonDoes)
{
    const char* const kTexts[] = {"Zoë",    "zoe",    "Zoe",    "Track 10", "Track 2", "track 2",
                                  "émilie", "Emilie", "EMILIE", "",         "東京",    "東京タワー",
                                  "apple",  "Äpfel",  "a",      "ab",       "a b",     "a-b",
                                  "9",      "10",     "009",    "Ünïcödé",  "B",       "𝄞 clef"};
    QList<QStringList> rows;
    std::vector<std::string> texts;
    for (int i = 0; i < 70000; ++i) // nearly all new: repeats are no longer looked for
        texts.push_back(kTexts[i % std::size(kTexts)] + (i % 50 ? std::to_string(i) : ""));
    for (int i = 0; i < 40000; ++i) {
        // Many distinct texts, enough for both threads, mostly sharing their first bytes,
        // and repeats of the earlier ones.
        std::string text = kTexts[(i * 7) % std::size(kTexts)];
        if (i % 3)
            text += " " + std::to_string((i * 7919) % 4000);
        texts.push_back(i % 4 ? text : texts[size_t(i) * 13 % 70000]);
    }
    // The second column: the same texts, few of them ASCII.
    std::vector<std::string> others;
    for (size_t i = 0; i < texts.size(); ++i)
        others.push_back(i % 40 ? "Ä" + texts[i] : texts[i]);
    for (size_t i = 0; i < texts.size(); ++i)
        rows << QStringList{QString::fromStdString(texts[i]), QString::fromStdString(others[i])};
    Fill(rows);
    CCollation collation;
    const auto byKeys = [&](const std::vector<std::string>& column) {
        std::vector<std::string> keys(column.size());
        for (size_t i = 0; i < column.size(); ++i)
            collation.AppendKey(column[i], keys[i]);
        QList<qint64> expected;
        for (qint64 id = 1; id <= qint64(column.size()); ++id)
            expected << id;
        std::stable_sort(expected.begin(), expected.end(), [&](qint64 x, qint64 y) {
            return keys[size_t(x - 1)] < keys[size_t(y - 1)];
        });
        return expected;
    };
    EXPECT_EQ(SortedIds(0, true), byKeys(texts));
    EXPECT_EQ(SortedIds(1, true), byKeys(others));
}

// A search result of many songs is listed at once: each row's texts are read when first
// needed, a block at a time, and a song gone meanwhile shows empty.
TEST_F(SongListModelTest, RowsShownByIdAreReadWhenNeeded)
{
    model.SetHeadings({QStringLiteral("Title"), QStringLiteral("Artist")});
    std::vector<qint64> ids;
    for (qint64 id = 1; id <= 1000; ++id)
        ids.push_back(id);
    QList<int> asked; // how many IDs each read asked for
    model.ShowIds(ids, [&](const std::vector<qint64>& wanted, CSongListModel::CBatch& rows) {
        asked << int(wanted.size());
        for (auto i = wanted.rbegin(); i != wanted.rend(); ++i) { // any order will do
            if (*i == 7)
                continue; // deleted by another window
            rows.AddRow(*i);
            rows.AddCell(QStringLiteral("T%1").arg(1000 - *i, 4, 10, QLatin1Char('0')));
            rows.AddCell(QStringLiteral("A%1").arg(*i));
        }
    });
    EXPECT_EQ(model.RowCount(), 1000);
    EXPECT_TRUE(asked.isEmpty());
    EXPECT_EQ(model.data(model.index(300, 1), Qt::DisplayRole).toString(), "A301");
    EXPECT_EQ(model.Cell(301, 0), "T0698");
    EXPECT_EQ(model.Cell(6, 0), "") << "the deleted song";
    EXPECT_EQ(model.Cell(5, 1), "A6");
    EXPECT_EQ(asked, (QList<int>{256, 256})) << "two blocks read once each";

    model.SetCell(900, 0, QStringLiteral("edited"));
    EXPECT_EQ(model.Cell(900, 1), "A901") << "an edit keeps the row's other cells";
    EXPECT_EQ(SortedIds(0, true).mid(0, 3), (QList<qint64>{7, 901, 1000}));
    EXPECT_EQ(model.Cell(1, 0), "edited");
    EXPECT_EQ(asked.size(), 4) << "the rest read in one go for the sort";
}

// The total length of a list shown by IDs is summed only when asked for or, with an
// event loop, once the list is drawn; a list replaced meanwhile never reports it.
TEST_F(SongListModelTest, ListShownByIdSumsItsLengthAfterwards)
{
    model.SetHeadings({QStringLiteral("Title")});
    QList<std::pair<qint64, qint64>> reported;
    QObject::connect(&model, &CSongListModel::TotalsChanged, [&](qint64 songs, qint64 seconds) {
        reported.append({songs, seconds});
    });
    int sums = 0;
    const auto show = [&] {
        model.ShowIds({1, 2, 3}, {}, {},
                      CSongListModel::SecondsSource([&] { return ++sums * 100; }));
    };
    const auto settle = [] {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 100)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    };
    show();
    EXPECT_EQ(sums, 0);
    settle();
    EXPECT_EQ(reported, (QList<std::pair<qint64, qint64>>{{3, -1}, {3, 100}}));
    EXPECT_EQ(model.TotalSeconds(), 100) << "summed once";

    show();
    model.Clear();
    settle();
    EXPECT_EQ(reported, (QList<std::pair<qint64, qint64>>{{3, -1}, {3, 100}, {3, -1}, {0, 0}}));
    EXPECT_EQ(sums, 1);

    // Summed on another thread where the caller offers it; where that cannot sum, here; a
    // sum that comes after its list was replaced is dropped.
    reported.clear();
    std::atomic<bool> open{true}; // holds the third sum until its list is gone
    const auto showWith = [&](std::optional<qint64> result) {
        model.ShowIds({1, 2}, {}, {}, CSongListModel::SecondsSource([&] { return ++sums * 100; }),
                      [&, result] {
                          return CSongListModel::SecondsJob([&, result] {
                              while (!open)
                                  QThread::msleep(1);
                              return result;
                          });
                      });
    };
    showWith(77);
    settle();
    showWith(std::nullopt);
    settle();
    open = false;
    showWith(55);
    settle(); // the sum runs
    model.ShowIds({9}, {}, {}, CSongListModel::SecondsSource([&] { return ++sums * 100; }));
    open = true;
    settle();
    EXPECT_EQ(reported, (QList<std::pair<qint64, qint64>>{
                            {2, -1}, {2, 77}, {2, -1}, {2, 200}, {2, -1}, {1, -1}, {1, 300}}));
    EXPECT_EQ(sums, 3);
}

// A list shown by IDs sorts by one column read from the catalogue (whole rows are not
// read), Length by its number whether shown as "m:ss" or stored as seconds, and the other
// direction turns the list round without reading or sorting again.
TEST_F(SongListModelTest, ListShownByIdSortsByOneColumnAndTurnsRound)
{
    const CTestEnvironment env; // the settings: Title then Length
    CSettings::SetBool(ESetting::LibArtist, false);
    CSettings::SetBool(ESetting::LibAlbum, false);
    CSettings::SetBool(ESetting::LibSession, false);
    CSettings::SetBool(ESetting::LibBitrate, false);
    CSettings::SetBool(ESetting::LibLength, true);
    CSettings::SetBool(ESetting::LibComment, false);
    model.RebuildColumns();
    const std::map<qint64, QByteArray> seconds = {
        {1, "245"}, {2, "60"}, {3, ""}, {4, "61"}, {5, "60"}};
    int rowReads = 0, columnReads = 0;
    model.ShowIds(
        {1, 2, 3, 4, 5, 2}, // one song twice
        [&](const std::vector<qint64>& ids, CSongListModel::CBatch& rows) {
            ++rowReads;
            for (qint64 id : ids) {
                rows.AddRow(id);
                rows.AddCell(QStringLiteral("T%1").arg(id));
                rows.AddCell(CSongListModel::FormatLength(QString::fromLatin1(seconds.at(id))));
            }
        },
        [&](const std::vector<ESongColumn>& columns, const CSongListModel::ColumnVisit& visit) {
            ++columnReads;
            EXPECT_EQ(columns, std::vector<ESongColumn>{ESongColumn::DURATION});
            for (auto i = seconds.rbegin(); i != seconds.rend(); ++i) { // any order will do
                const std::string_view text(i->second);
                visit(i->first, &text);
            }
            const std::string_view one("1");
            visit(99, &one); // a song not listed
        });
    EXPECT_EQ(SortedIds(1, true), (QList<qint64>{3, 2, 5, 2, 4, 1}));
    EXPECT_EQ(SortedIds(1, false), (QList<qint64>{1, 4, 2, 5, 2, 3}));
    EXPECT_EQ(SortedIds(1, true), (QList<qint64>{3, 2, 5, 2, 4, 1}));
    EXPECT_EQ(columnReads, 1);
    EXPECT_EQ(rowReads, 0);
    EXPECT_EQ(model.Cell(5, 1), "4:05");
    EXPECT_EQ(rowReads, 1);
}

} // namespace
