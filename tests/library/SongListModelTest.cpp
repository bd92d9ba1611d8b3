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
    Fill({{"same", "0"}, {"same", "1"}, {"same", "0"}, {"same", "1"}, {"same", "0"}});
    EXPECT_EQ(SortedIds(0, true), (QList<qint32>{1, 2, 3, 4, 5}));
    EXPECT_EQ(SortedIds(0, false), (QList<qint32>{1, 2, 3, 4, 5}));
    EXPECT_EQ(SortedIds(1, true), (QList<qint32>{1, 3, 5, 2, 4}));
    EXPECT_EQ(SortedIds(1, false), (QList<qint32>{2, 4, 1, 3, 5}));
}

TEST_F(SongListModelTest, SortingComparesCodePointsCaseSensitivelyAndMovesTheSelection)
{
    // U+FF21 sorts below U+1F3B5 by code point, above it by UTF-16 unit; the long common
    // beginnings need more than the first eight bytes.
    const QString emoji = QString::fromUcs4(U"\U0001F3B5");
    const QString wide = QString::fromUcs4(U"\uFF21");
    Fill({{emoji, ""}, {wide, ""}, {"z", ""}, {"C", ""}, {"prefix-long-b", ""},
          {"prefix-long-a", ""}});
    QItemSelectionModel selection(&model);
    selection.select(model.index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    EXPECT_EQ(SortedIds(0, true), (QList<qint32>{4, 6, 5, 3, 2, 1}));
    ASSERT_EQ(selection.selectedRows().size(), 1);
    EXPECT_EQ(selection.selectedRows()[0].row(), 5) << "the selected song stays selected";
}

} // namespace
