#include "db/CCdlistSet.h"
#include "db/CSplitScan.h"
#include "support/CTestEnvironment.h"
#include "support/STestSong.h"

#include <gtest/gtest.h>
#include <map>

namespace {

using Rows = std::map<qint64, std::vector<std::string>>;

Rows ReadSplit(CDatabase& db, const QString& select, int columns, bool& split)
{
    Rows rows;
    split = CSplitScan::Run(
        db, select, columns,
        [&](qint64 id, const std::string_view* texts) {
            EXPECT_EQ(rows.count(id), 0u) << "song " << id << " visited twice";
            rows[id] = std::vector<std::string>(texts, texts + columns);
        },
        0);
    return rows;
}

Rows ReadAlone(CDatabase& db, const QString& select, int columns)
{
    Rows rows;
    CStatement s(db, select);
    while (s.Step()) {
        std::vector<std::string>& texts = rows[s.Int(0)];
        for (int c = 1; c <= columns; ++c)
            texts.emplace_back(s.Bytes(c));
    }
    return rows;
}

} // namespace

// Read through an index (ranges of its first column, with a row whose copy is still to be
// made) and through the table (ranges of IDs), two connections hand every song once with
// its own texts; a write not yet committed keeps the read on one connection.
TEST(SplitScanTest, TwoConnectionsHandEverySongOnce)
{
    CTestEnvironment env;
    CDatabase db;
    db.Open(env.DatabasePath());
    CCdlistSet set;
    set.Open(db);
    for (int i = 0; i < 600; ++i)
        AddTestSong(set, {.title = QStringLiteral("Song %1").arg(i),
                          .artist = QStringLiteral("Artist %1").arg(i % 37),
                          .album = QStringLiteral("Album %1").arg(i % 11),
                          .path = QStringLiteral("/music/%1").arg(i % 7)});
    db.Exec("UPDATE Songs SET ARTIST_FOLDED = NULL WHERE ID = 5");
    const std::pair<QString, int> reads[] = {
        {QStringLiteral("SELECT ID, ARTIST, ALBUM, TRACK FROM Songs"), 3},
        {QStringLiteral("SELECT ID, PATH, MELODI FROM Songs"), 2},
    };
    for (const auto& [select, columns] : reads) {
        bool split = false;
        const Rows rows = ReadSplit(db, select, columns, split);
        EXPECT_TRUE(split) << select.toStdString();
        EXPECT_EQ(rows.size(), 600u) << select.toStdString();
        EXPECT_EQ(rows, ReadAlone(db, select, columns)) << select.toStdString();
    }
    db.Exec("BEGIN");
    AddTestSong(set, {.title = QStringLiteral("Not yet committed")});
    bool split = true;
    EXPECT_EQ(ReadSplit(db, reads[0].first, reads[0].second, split).size(), 0u);
    EXPECT_FALSE(split) << "a second connection would not see the new song";
    db.Exec("ROLLBACK");
}
