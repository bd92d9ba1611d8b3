#include "model/CSongListModel.h"

#include <QItemSelectionModel>
#include <gtest/gtest.h>

namespace {

class SongListModelTest : public ::testing::Test
{
protected:
    // Rows of the given (title, artist) cells with IDs 1, 2, 3, …
    void Fill(const QList<QStringList>& rows)
    {
        model.SetHeadings({QStringLiteral("Title"), QStringLiteral("Artist")});
        for (const QStringList& cells : rows)
            model.InsertRow(model.RowCount(), {qint32(model.RowCount() + 1), cells});
    }
    QList<qint32> SortedIds(int column, bool ascending)
    {
        model.SortByColumn(column, ascending);
        QList<qint32> ids;
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
    QList<qint32> all, even, odd;
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

TEST_F(SongListModelTest, SortingComparesCodePointsCaseSensitivelyAndMovesTheSelection)
{
    // U+FF21 sorts below U+1F3B5 by code point, above it by UTF-16 unit; behind a common
    // beginning of eight bytes as well as at the start.
    const QString emoji = QString::fromUcs4(U"\U0001F3B5");
    const QString wide = QString::fromUcs4(U"\uFF21");
    const QString common = QStringLiteral("common: ");
    Fill(
        {{emoji, ""}, {wide, ""}, {common + emoji, ""}, {common + wide, ""}, {"z", ""}, {"C", ""}});
    QItemSelectionModel selection(&model);
    selection.select(model.index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    EXPECT_EQ(SortedIds(0, true), (QList<qint32>{6, 4, 3, 5, 2, 1}));
    ASSERT_EQ(selection.selectedRows().size(), 1);
    EXPECT_EQ(selection.selectedRows()[0].row(), 5) << "the selected song stays selected";
}

} // namespace
