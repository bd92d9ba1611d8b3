#include "db/CCdlistSet.h"
#include "library/CLibraryOperations.h"
#include "library/gui/CLibraryListCtrl.h"
#include "platform/CSettings.h"
#include "support/STestSong.h"
#include "support/gui/CViewFixture.h"
#include "ui/CDelayedSave.h"
#include "ui/ControlIds.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QSplitter>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// The main window over a session of songs with long texts, shown at a given size.
class MainLayoutTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        f.SkipStartQuestions();
        for (int i = 0; i < 30; ++i)
            AddTestSong(f.doc.Set(),
                        {.cd = QStringLiteral("S"),
                         .title = QStringLiteral("Émilie, a title long enough %1").arg(i),
                         .artist = QStringLiteral("Ünïcödé and the long-named band"),
                         .album = QStringLiteral("An album with a long name")});
        f.Start();
    }
    void ShowAt(CMainFrame& frame, QSize size)
    {
        frame.resize(size);
        frame.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
        CLibraryOperations(f.doc, f.View().Services()).ShowSession(QStringLiteral("S"));
        QTest::qWait(20);
    }
    static QSplitter* Splitter(CCdlistView& view, int id)
    {
        return qobject_cast<QSplitter*>(view.Control(id));
    }
    static int Width(CCdlistView& view, const QString& heading)
    {
        const CLibraryListCtrl* list = view.SongList();
        const qsizetype column = list->Headings().indexOf(heading);
        return column < 0 ? -1 : list->columnWidth(int(column));
    }
    // The user drags on the headings: a border to size a column, a heading to move it.
    static void Drag(QHeaderView* header, QPoint from, QPoint to)
    {
        QWidget* area = header->viewport();
        QTest::mousePress(area, Qt::LeftButton, {}, from);
        for (const QPoint& at : {from + (to - from) / 2, to}) {
            QMouseEvent move(QEvent::MouseMove, at, area->mapToGlobal(at), Qt::NoButton,
                             Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(area, &move);
        }
        QTest::mouseRelease(area, Qt::LeftButton, {}, to);
        QApplication::processEvents();
    }
    static QPoint Border(QHeaderView* header, int column)
    {
        return {header->sectionViewportPosition(column) + header->sectionSize(column) - 1,
                header->height() / 2};
    }
    // The heading's menu, with one of its items triggered.
    static void Untick(CLibraryListCtrl* list, const QString& item)
    {
        QTimer::singleShot(0, [item] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_NE(menu, nullptr);
            for (QAction* a : menu->actions())
                if (a->text() == item)
                    a->trigger();
            menu->close();
        });
        Q_EMIT list->horizontalHeader()->customContextMenuRequested(QPoint(5, 5));
    }

    CViewFixture f;
};

TEST_F(MainLayoutTest, NothingIsCutAt1024By700)
{
    ShowAt(f.Frame(), QSize(1024, 700));
    EXPECT_EQ(f.Frame().size(), QSize(1024, 700)) << "the window cannot be that small";
    const QRect form = f.View().rect();
    for (QWidget* w : f.View().findChildren<QWidget*>()) {
        if (!w->isVisibleTo(&f.View()))
            continue;
        const QString name = w->objectName() + QLatin1Char(' ') + w->accessibleName();
        const auto* label = qobject_cast<QLabel*>(w);
        const auto* box = qobject_cast<QGroupBox*>(w);
        const auto* button = qobject_cast<QAbstractButton*>(w);
        if ((label && !label->text().isEmpty()) || button) {
            EXPECT_GE(w->width(), w->sizeHint().width()) << qPrintable(name);
        }
        if (box) {
            EXPECT_GE(w->width(), w->minimumSizeHint().width()) << qPrintable(box->title());
        }
        if (label || box || button) {
            const QRect inForm(w->mapTo(&f.View(), QPoint()), w->size());
            EXPECT_TRUE(w->parentWidget()->rect().contains(w->geometry())) << qPrintable(name);
            EXPECT_TRUE(form.contains(inForm)) << qPrintable(name);
        }
    }
    // The first columns show their headings whole.
    const QHeaderView* header = f.View().SongList()->horizontalHeader();
    for (int i = 0; i < 4; ++i)
        EXPECT_GE(header->sectionSize(i), header->sectionSizeHint(i)) << i;
}

TEST_F(MainLayoutTest, TheSongListTakesTheRoomTheWindowGains)
{
    ShowAt(f.Frame(), QSize(1024, 700));
    const QSize songs = f.View().SongList()->size();
    const QSize sessions = f.View().SessionList()->size();
    const int edit = f.View().Field(IDC_SEARCH_ALL)->height();
    f.Frame().resize(1600, 1000);
    QTest::qWait(20);
    EXPECT_GT(f.View().SongList()->width(), songs.width() + 500);
    EXPECT_GT(f.View().SongList()->height(), songs.height() + 250);
    EXPECT_EQ(f.View().SessionList()->width(), sessions.width());
    EXPECT_EQ(f.View().Field(IDC_SEARCH_ALL)->height(), edit) << "line edits keep their height";
    // Columns the user never sized share the wider list: the titles show whole now.
    const CLibraryListCtrl* list = f.View().SongList();
    EXPECT_GT(list->columnWidth(0), list->fontMetrics().horizontalAdvance(list->CellText(0, 0)));
}

// The panes' sizes and the columns' widths, order and choice come back after a restart,
// even one after the program was killed; showing or hiding a column keeps the others as
// the user left them.
TEST_F(MainLayoutTest, PanesAndColumnsComeBackAfterARestart)
{
    ShowAt(f.Frame(), QSize(1200, 800));
    QList<int> panes = Splitter(f.View(), IDC_MAIN_SPLITTER)->sizes();
    panes[0] += 60;
    panes[1] -= 60;
    Splitter(f.View(), IDC_MAIN_SPLITTER)->setSizes(panes);
    Q_EMIT Splitter(f.View(), IDC_MAIN_SPLITTER)->splitterMoved(panes[0], 1);
    QList<int> songPanes = Splitter(f.View(), IDC_SONG_SPLITTER)->sizes();
    songPanes[0] -= 50;
    songPanes[1] += 50;
    Splitter(f.View(), IDC_SONG_SPLITTER)->setSizes(songPanes);
    Q_EMIT Splitter(f.View(), IDC_SONG_SPLITTER)->splitterMoved(songPanes[0], 1);
    CLibraryListCtrl* list = f.View().SongList();
    QHeaderView* header = list->horizontalHeader();
    Drag(header, Border(header, 0), Border(header, 0) + QPoint(233 - header->sectionSize(0), 0));
    const QPoint album(header->sectionViewportPosition(2) + 10, header->height() / 2);
    Drag(header, album, QPoint(5, album.y())); // Album first
    Untick(list, QStringLiteral("Session"));
    ASSERT_EQ(list->Headings(), (QStringList{"Title", "Artist", "Album"}));
    EXPECT_FALSE(CSettings::Bool(ESetting::LibSession)) << "the Options show the same choice";
    EXPECT_EQ(Width(f.View(), QStringLiteral("Title")), 233);
    EXPECT_EQ(header->logicalIndex(0), 2);
    panes = Splitter(f.View(), IDC_MAIN_SPLITTER)->sizes();
    songPanes = Splitter(f.View(), IDC_SONG_SPLITTER)->sizes();
    QTest::qWait(CDelayedSave::kDelayMs + 200); // never closed: as if killed

    CMainFrame again(new CCdlistView(f.doc, f.View().Services()));
    again.FitToForm();
    again.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&again));
    EXPECT_EQ(Splitter(*again.View(), IDC_MAIN_SPLITTER)->sizes(), panes);
    EXPECT_EQ(Splitter(*again.View(), IDC_SONG_SPLITTER)->sizes(), songPanes);
    EXPECT_EQ(Width(*again.View(), QStringLiteral("Title")), 233);
    EXPECT_EQ(again.View()->SongList()->horizontalHeader()->logicalIndex(0), 2);
    EXPECT_EQ(again.View()->SongList()->Headings(), (QStringList{"Title", "Artist", "Album"}));
}

TEST_F(MainLayoutTest, AWidenedColumnStaysAndADoubleClickOnItsBorderFitsIt)
{
    ShowAt(f.Frame(), QSize(1024, 700));
    CLibraryListCtrl* list = f.View().SongList();
    QHeaderView* header = list->horizontalHeader();
    const int widened = header->sectionSize(1) + 300;
    Drag(header, Border(header, 1), Border(header, 1) + QPoint(300, 0));
    ASSERT_EQ(header->sectionSize(1), widened);
    f.Frame().resize(1300, 900);
    QTest::qWait(20);
    f.Frame().resize(1024, 700);
    QTest::qWait(20);
    EXPECT_EQ(header->sectionSize(1), widened) << "snapped back by a resize";

    QTest::mouseDClick(header->viewport(), Qt::LeftButton, {}, Border(header, 1));
    const int text = list->fontMetrics().horizontalAdvance(list->CellText(0, 1));
    EXPECT_GT(header->sectionSize(1), text);
    EXPECT_LT(header->sectionSize(1), text + 40);
}

// A screen reader names every control the keyboard reaches, and Tab reaches them in turn.
TEST_F(MainLayoutTest, EveryControlTheKeyboardReachesHasANameAndTabLeavesTheSongList)
{
    ShowAt(f.Frame(), QSize(1024, 700));
    int named = 0;
    for (QWidget* w : f.View().findChildren<QWidget*>()) {
        if (!w->isVisibleTo(&f.View()) || !(w->focusPolicy() & Qt::TabFocus) || w->focusProxy())
            continue;
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(w);
        ASSERT_NE(accessible, nullptr);
        EXPECT_FALSE(accessible->text(QAccessible::Name).remove(u'&').trimmed().isEmpty())
            << qPrintable(w->objectName()) << " " << w->metaObject()->className();
        ++named;
    }
    EXPECT_GT(named, 30);
    // Tab leaves the song list for the tag fields below it instead of walking its cells.
    QApplication::setActiveWindow(&f.Frame());
    f.View().SongList()->setFocus();
    QTest::keyClick(f.View().SongList(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), f.View().Field(IDC_TAG_TITLE));
}

} // namespace
