#include "model/CSongListModel.h"
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
    const QList<QPair<QString, QString>> songs = {
        {"320", "0:08"}, {"35", "11:00"}, {"38", "2:05"}, {"", "1:05"}, {"128", ""}};
    for (const auto& [rate, time] : songs) {
        QStringList cells(model.ColumnCount());
        cells[bitrate] = rate;
        cells[length] = time;
        model.InsertRow(model.RowCount(), {qint64(model.RowCount() + 1), cells});
    }
    EXPECT_EQ(SortedIds(bitrate, true), (QList<qint64>{4, 2, 3, 5, 1}));
    EXPECT_EQ(SortedIds(length, true), (QList<qint64>{5, 1, 4, 3, 2}));
    EXPECT_EQ(SortedIds(length, false), (QList<qint64>{2, 3, 4, 1, 5}));
}

// The optional Path column shows where the file is, whole, and is not a text to edit.
TEST_F(SongListModelTest, ThePathColumnShowsTheFileAndIsNotEdited)
{
    CTestEnvironment env;
    CSettings::SetBool(ESetting::LibPath, true);
    model.RebuildColumns();
    ASSERT_EQ(model.Headings().last(), QStringLiteral("Path"));
    SSong song;
    song.m_ID = 1;
    song.m_PATH = QStringLiteral("/music/Disc 1");
    song.m_MELODI = QStringLiteral("01 Intro.mp3");
    model.InsertSongRow(0, song);
    const QModelIndex path = model.index(0, model.ColumnCount() - 1);
    EXPECT_EQ(path.data().toString(), QStringLiteral("/music/Disc 1/01 Intro.mp3"));
    EXPECT_FALSE(model.flags(path) & Qt::ItemIsEditable);
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

// Sorted by artist, an artist's songs come by album and, inside one, in the order they
// were taken in (their files', usually the tracks').
TEST_F(SongListModelTest, AnArtistsSongsComeByAlbumThenInTheOrderTakenIn)
{
    CTestEnvironment env;
    model.RebuildColumns();
    const int artist = int(model.Headings().indexOf(QStringLiteral("Artist")));
    const int album = int(model.Headings().indexOf(QStringLiteral("Album")));
    ASSERT_GE(artist, 0);
    ASSERT_GE(album, 0);
    const QList<std::pair<qint64, QStringList>> songs = {
        {4, {"b", "Two"}}, {1, {"b", "Two"}}, {3, {"a", "One"}}, {2, {"b", "One"}}};
    for (const auto& [id, cells] : songs) {
        QStringList row(model.ColumnCount());
        row[artist] = cells[0];
        row[album] = cells[1];
        model.InsertRow(model.RowCount(), {id, row});
    }
    EXPECT_EQ(SortedIds(artist, true), (QList<qint64>{3, 2, 1, 4}));
    EXPECT_EQ(SortedIds(artist, false), (QList<qint64>{2, 1, 4, 3}));
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
        {1, 2, 3, 4, 5},
        [&](const std::vector<qint64>& ids, CSongListModel::CBatch& rows) {
            ++rowReads;
            for (qint64 id : ids) {
                rows.AddRow(id);
                rows.AddCell(QStringLiteral("T%1").arg(id));
                rows.AddCell(CSongListModel::FormatLength(QString::fromLatin1(seconds.at(id))));
            }
        },
        [&](ESongColumn column, const CSongListModel::ColumnVisit& visit) {
            ++columnReads;
            EXPECT_EQ(column, ESongColumn::DURATION);
            for (auto i = seconds.rbegin(); i != seconds.rend(); ++i) // any order will do
                visit(i->first, std::string_view(i->second));
            visit(99, "1"); // a song not listed
        });
    EXPECT_EQ(SortedIds(1, true), (QList<qint64>{3, 2, 5, 4, 1}));
    EXPECT_EQ(SortedIds(1, false), (QList<qint64>{1, 4, 2, 5, 3}));
    EXPECT_EQ(SortedIds(1, true), (QList<qint64>{3, 2, 5, 4, 1}));
    EXPECT_EQ(columnReads, 1);
    EXPECT_EQ(rowReads, 0);
    EXPECT_EQ(model.Cell(4, 1), "4:05");
    EXPECT_EQ(rowReads, 1);
}

} // namespace
