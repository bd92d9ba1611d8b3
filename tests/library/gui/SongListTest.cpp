#include "library/gui/CLibraryListCtrl.h"
#include "support/CTestEnvironment.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// The song list widget over a model filled directly: what only the widget does.
class SongListTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        model.SetHeadings({QStringLiteral("Title"), QStringLiteral("Artist")});
        for (const char* t : {"b", "a", "C", "c"})
            model.InsertRow(model.RowCount(), {model.RowCount() + 1, {t, t}});
        list.resize(600, 400);
        list.show();
    }
    QStringList Column(int column) const
    {
        QStringList texts;
        for (int r = 0; r < list.RowCount(); ++r)
            texts << list.CellText(r, column);
        return texts;
    }
    void ClickHeading(int column, Qt::MouseButton button = Qt::LeftButton)
    {
        QHeaderView* header = list.horizontalHeader();
        QTest::mouseClick(header->viewport(), button, {},
                          QPoint(header->sectionViewportPosition(column) + 5, 5));
    }
    QLineEdit* Editor(const QModelIndex& cell) const
    {
        return qobject_cast<QLineEdit*>(list.indexWidget(cell));
    }

    CSongListModel model;
    CLibraryListCtrl list{&model};
};

TEST_F(SongListTest, HeadingClicksSortUpThenDownAndAnotherColumnUpAgain)
{
    // Letters as a reader orders them: "C" and "c" are one letter and keep their order.
    ClickHeading(0);
    EXPECT_EQ(Column(0), (QStringList{"a", "b", "C", "c"}));
    ClickHeading(0);
    EXPECT_EQ(Column(0), (QStringList{"C", "c", "b", "a"}));
    ClickHeading(1);
    EXPECT_TRUE(list.SortAscending());
    EXPECT_EQ(Column(1), (QStringList{"a", "b", "C", "c"}));
    ClickHeading(1, Qt::RightButton);
    EXPECT_EQ(Column(1), (QStringList{"a", "b", "C", "c"})) << "only the left button sorts";
}

TEST_F(SongListTest, TheChosenSortShowsItsArrowAndSortsEveryNewListUntilAnotherIsChosen)
{
    CTestEnvironment env;
    model.RebuildColumns(); // Title, Artist, Album, Session
    const auto fill = [this] {
        model.Clear();
        for (const char* t : {"b", "a", "c"})
            model.InsertRow(model.RowCount(), {model.RowCount() + 1, {t, t, t, t}});
    };
    fill();
    QHeaderView* header = list.horizontalHeader();
    EXPECT_EQ(header->sortIndicatorSection(), -1);
    ClickHeading(1);
    ClickHeading(1);
    EXPECT_EQ(header->sortIndicatorSection(), 1);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
    // A new list (a search, the next start) comes sorted the same way once its rows are in.
    fill();
    EXPECT_EQ(header->sortIndicatorSection(), -1);
    QApplication::processEvents();
    EXPECT_EQ(header->sortIndicatorSection(), 1);
    EXPECT_EQ(Column(1), (QStringList{"c", "b", "a"}));
    CLibraryListCtrl next(&model);
    fill();
    QApplication::processEvents();
    EXPECT_EQ(next.horizontalHeader()->sortIndicatorSection(), 1) << "kept across starts";
}

TEST_F(SongListTest, AClickOnTheSelectedRowEditsEnterStoresEscapeLeavesAlone)
{
    QApplication::setActiveWindow(&list);
    QSignalSpy edited(&list, &CLibraryListCtrl::CellEdited);
    const QModelIndex cell = model.index(0, 1);
    const QPoint centre = list.visualRect(cell).center();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, centre);
    EXPECT_EQ(list.indexWidget(cell), nullptr) << "the first click selects";
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, centre);
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    QLineEdit* editor = Editor(cell);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->selectedText(), QStringLiteral("b")) << "the text starts selected";
    QTest::keyClicks(editor, QStringLiteral("gone"));
    QTest::keyClick(editor, Qt::Key_Escape);
    EXPECT_EQ(list.CellText(0, 1), QStringLiteral("b"));
    EXPECT_TRUE(edited.isEmpty());
    QApplication::processEvents(); // the closed editor goes away

    list.edit(cell);
    editor = Editor(cell);
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, QStringLiteral("new"));
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents(); // the edit is committed after the key
    EXPECT_EQ(list.CellText(0, 1), QStringLiteral("new"));
    ASSERT_EQ(edited.size(), 1);
    EXPECT_EQ(edited[0], (QVariantList{0, 1, QStringLiteral("new")}));
}

// The row shown (tags, cover) follows the selection however it moves, each row once; Enter
// acts as a double-click does.
TEST_F(SongListTest, ArrowKeysShowTheRowTheyReachAndEnterActsAsADoubleClick)
{
    QApplication::setActiveWindow(&list);
    list.setFocus();
    QSignalSpy shown(&list, &CLibraryListCtrl::RowClicked);
    QSignalSpy chosen(&list, &CLibraryListCtrl::RowDoubleClicked);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                      list.visualRect(model.index(1, 0)).center());
    QTest::keyClick(&list, Qt::Key_Down);
    QTest::keyClick(&list, Qt::Key_Down);
    QTest::keyClick(&list, Qt::Key_Up);
    QList<int> rows;
    for (const QVariantList& signal : shown)
        rows << signal[0].toInt();
    EXPECT_EQ(rows, (QList<int>{1, 2, 3, 2}));
    QTest::keyClick(&list, Qt::Key_Return);
    ASSERT_EQ(chosen.size(), 1);
    EXPECT_EQ(chosen[0][0].toInt(), 2);
}

} // namespace
