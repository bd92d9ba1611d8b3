#include "LibraryFixture.h"
#include "library/gui/CLibraryListCtrl.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

namespace {

class SongListTest : public LibraryFixture
{
protected:
    void SetUp() override
    {
        LibraryFixture::SetUp();
        list.resize(600, 400);
    }
    void Show()
    {
        list.RebuildColumns();
        for (set.Requery(); !set.IsEOF(); set.MoveNext())
            list.InsertSongRow(list.RowCount(), set);
    }
    QStringList Column(int column) const
    {
        QStringList texts;
        for (int r = 0; r < list.RowCount(); ++r)
            texts << list.CellText(r, column);
        return texts;
    }
    QList<qint32> Ids() const
    {
        QList<qint32> ids;
        for (int r = 0; r < list.RowCount(); ++r)
            ids << list.ItemData(r);
        return ids;
    }

    CLibraryListCtrl list;
};

TEST_F(SongListTest, LengthCellsAndColumnsFollowTheSettings)
{
    CSettings::SetInt(QStringLiteral("LibLength"), 1);
    CSettings::SetInt(QStringLiteral("LibComment"), 1);
    CSettings::SetInt(QStringLiteral("LibArtist"), 0);
    Add({.title = QStringLiteral("a"),
         .album = QStringLiteral("A1"),
         .duration = QStringLiteral("245"),
         .comment = QStringLiteral("c1")});
    Add({.title = QStringLiteral("b"), .duration = QStringLiteral("5")});
    Add({.title = QStringLiteral("c"), .comment = QStringLiteral("c3")});
    Add({.title = QStringLiteral("d"), .duration = QStringLiteral("60")});
    Show();
    EXPECT_EQ(list.Headings(), (QStringList{"Title", "Album", "Session", "Length", "Comment"}));
    EXPECT_EQ(list.CellText(0, 1), QStringLiteral("A1")) << "Album moves into the Artist's place";
    EXPECT_EQ(Column(3), (QStringList{"4:05", "0:05", "", "1:00"}));
    EXPECT_EQ(Column(4), (QStringList{"c1", "", "c3", ""}))
        << "an empty length keeps the comment in its own column";
}

TEST_F(SongListTest, HeadingClicksSortUpThenDownAndAnotherColumnUpAgain)
{
    for (const char* t : {"b", "a", "C", "c"})
        Add({.title = QString::fromLatin1(t), .artist = QString::fromLatin1(t)});
    Show();
    list.show();
    QHeaderView* header = list.horizontalHeader();
    const auto clickHeading = [&](int column) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 5, 5));
    };
    clickHeading(0);
    EXPECT_EQ(Column(0), (QStringList{"C", "a", "b", "c"})) << "byte order: capitals first";
    clickHeading(0);
    EXPECT_EQ(Column(0), (QStringList{"c", "b", "a", "C"}));
    clickHeading(1);
    EXPECT_TRUE(list.SortAscending());
    EXPECT_EQ(Column(1), (QStringList{"C", "a", "b", "c"}));
    QTest::mouseClick(header->viewport(), Qt::RightButton, {},
                      QPoint(header->sectionViewportPosition(1) + 5, 5));
    EXPECT_EQ(Column(1), (QStringList{"C", "a", "b", "c"})) << "only the left button sorts";
}

TEST_F(SongListTest, EqualCellsKeepTheirOrderBothWays)
{
    QList<qint32> ids;
    for (int i = 0; i < 5; ++i)
        ids << Add({.title = QStringLiteral("same"), .artist = QString::number(i % 2)});
    Show();
    list.SortByHeading(0);
    EXPECT_EQ(Ids(), ids);
    list.SortByHeading(0);
    EXPECT_EQ(Ids(), ids);
    list.SortByHeading(1);
    EXPECT_EQ(Ids(), (QList<qint32>{ids[0], ids[2], ids[4], ids[1], ids[3]}));
    list.SortByHeading(1);
    EXPECT_EQ(Ids(), (QList<qint32>{ids[1], ids[3], ids[0], ids[2], ids[4]}));
}

TEST_F(SongListTest, SortingComparesCodePointsAndMovesTheSelection)
{
    // U+FF21 sorts below U+1F3B5 by code point, above it by UTF-16 unit.
    const QString emoji = QString::fromUcs4(U"\U0001F3B5");
    const QString wide = QString::fromUcs4(U"\uFF21");
    Add({.title = emoji});
    Add({.title = wide});
    Add({.title = QStringLiteral("z")});
    Show();
    list.selectRow(0);
    list.SortByHeading(0);
    EXPECT_EQ(Column(0), (QStringList{"z", wide, emoji}));
    EXPECT_EQ(list.SelectedRows(), QList<int>{2}) << "the selected song stays selected";
}

TEST_F(SongListTest, EnterStoresACellEditAndEscapeLeavesItAlone)
{
    Add({.title = QStringLiteral("old"), .artist = QStringLiteral("artist")});
    Show();
    list.show();
    QSignalSpy edited(&list, &CLibraryListCtrl::CellEdited);
    const QModelIndex cell = list.Model()->index(0, 1);

    list.edit(cell);
    auto* editor = qobject_cast<QLineEdit*>(list.indexWidget(cell));
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->selectedText(), QStringLiteral("artist")) << "the text starts selected";
    QTest::keyClicks(editor, QStringLiteral("gone"));
    QTest::keyClick(editor, Qt::Key_Escape);
    EXPECT_EQ(list.CellText(0, 1), QStringLiteral("artist"));
    EXPECT_TRUE(edited.isEmpty());
    QApplication::processEvents(); // the closed editor goes away

    list.edit(cell);
    editor = qobject_cast<QLineEdit*>(list.indexWidget(cell));
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, QStringLiteral("new"));
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents(); // the edit is committed after the key
    EXPECT_EQ(list.CellText(0, 1), QStringLiteral("new"));
    ASSERT_EQ(edited.size(), 1);
    EXPECT_EQ(edited[0], (QVariantList{0, 1, QStringLiteral("new")}));
}

TEST_F(SongListTest, ClickingACellOfTheSelectedRowOpensTheEditor)
{
    Add({.title = QStringLiteral("t"), .artist = QStringLiteral("a")});
    Show();
    list.show();
    QApplication::setActiveWindow(&list);
    const QModelIndex cell = list.Model()->index(0, 1);
    const QRect rect = list.visualRect(cell);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, rect.center());
    EXPECT_EQ(list.indexWidget(cell), nullptr);
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, rect.center());
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    EXPECT_NE(qobject_cast<QLineEdit*>(list.indexWidget(cell)), nullptr);
}

} // namespace
