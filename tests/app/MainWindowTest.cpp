#include "app/options/CGeneralPage.h"
#include "app/options/CLibraryPage.h"
#include "app/options/COptionsDialog.h"
#include "db/CCdlistSet.h"
#include "library/CLibraryOperations.h"
#include "library/gui/CLibraryListCtrl.h"
#include "model/CSongListModel.h"
#include "platform/CSettings.h"
#include "playlist/CPlaylistOperations.h"
#include "playlist/gui/CPlaylistDelegate.h"
#include "support/STestSong.h"
#include "support/gui/CModalScript.h"
#include "support/gui/CViewFixture.h"
#include "ui/CActionTable.h"
#include "ui/CHelpWindow.h"
#include "ui/CommandIds.h"
#include "ui/ControlIds.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMap>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTest>
#include <QTextBrowser>
#include <QToolBar>
#include <gtest/gtest.h>

namespace {

class MainWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        f.SkipStartQuestions();
        f.Start();
    }
    CViewFixture f;
};

QStringList Texts(const QList<QAction*>& actions)
{
    QStringList texts;
    for (QAction* a : actions)
        if (!a->isSeparator())
            texts << a->text().remove(u'&');
    return texts;
}

TEST_F(MainWindowTest, TitleMenusAStatusLineAndNoToolBars)
{
    EXPECT_EQ(f.Frame().windowTitle(), QStringLiteral("Cratewise"));
    QMenuBar* bar = f.Frame().menuBar();
    EXPECT_EQ(
        Texts(bar->actions()),
        (QStringList{QStringLiteral("File"), QStringLiteral("Playlist"), QStringLiteral("Playback"),
                     QStringLiteral("Options"), QStringLiteral("Help")}));
    QList<QAction*> top = bar->actions();
    EXPECT_EQ(Texts(top[0]->menu()->actions()),
              (QStringList{QStringLiteral("Check Duplicates"), QStringLiteral("Information"),
                           QStringLiteral("Load Playlist"), QStringLiteral("Search"),
                           QStringLiteral("Session"), QStringLiteral("Import"),
                           QStringLiteral("Export"), QStringLiteral("Randomize"),
                           QStringLiteral("View Lyrics"), QStringLiteral("Exit")}));
    EXPECT_EQ(
        Texts(top[1]->menu()->actions()),
        (QStringList{QStringLiteral("Add"), QStringLiteral("Remove"), QStringLiteral("Add All"),
                     QStringLiteral("Clear"), QStringLiteral("Copy Files")}));
    top.removeAt(1);
    EXPECT_EQ(
        Texts(top[1]->menu()->actions()),
        (QStringList{QStringLiteral("Update MPD"), QStringLiteral("Play"), QStringLiteral("Pause"),
                     QStringLiteral("Stop"), QStringLiteral("Next"), QStringLiteral("Previous")}));
    EXPECT_EQ(Texts(top[2]->menu()->actions()),
              (QStringList{QStringLiteral("Create Shortcut"), QStringLiteral("Excluded Names"),
                           QStringLiteral("Options")}));
    EXPECT_EQ(Texts(top[3]->menu()->actions()),
              (QStringList{QStringLiteral("Check for Updates"), QStringLiteral("Documentation"),
                           QStringLiteral("Send Feedback or Bug Report"),
                           QStringLiteral("About Cratewise...")}));
    EXPECT_TRUE(f.Frame().findChildren<QToolBar*>().isEmpty());
    EXPECT_NE(f.Frame().findChild<QStatusBar*>(), nullptr) << "finished actions are told there";
}

TEST_F(MainWindowTest, ContextMenuEntriesTriggerTheCommands)
{
    QMenu menu;
    f.View().Actions().FillContextMenu(&menu);
    const QList<QAction*> items = menu.actions();
    EXPECT_EQ(Texts(items),
              (QStringList{QStringLiteral("Playback"), QStringLiteral("Playlist Controls"),
                           QStringLiteral("Options"), QStringLiteral("Session"),
                           QStringLiteral("Preview"), QStringLiteral("Update MPD"),
                           QStringLiteral("Documentation"), QStringLiteral("Check for Updates"),
                           QStringLiteral("About...")}));
    EXPECT_EQ(Texts(items[0]->menu()->actions()),
              (QStringList{QStringLiteral("Play"), QStringLiteral("Stop"), QStringLiteral("Pause"),
                           QStringLiteral("Previous"), QStringLiteral("Next")}));
    EXPECT_EQ(Texts(items[1]->menu()->actions()),
              (QStringList{QStringLiteral("Add All"), QStringLiteral("Add"),
                           QStringLiteral("Remove All"), QStringLiteral("Remove")}));
    EXPECT_EQ(Texts(items[2]->menu()->actions()),
              (QStringList{QStringLiteral("Create Playlist"), QStringLiteral("Create HTML File"),
                           QStringLiteral("Random Playlist"), QStringLiteral("View Lyrics"),
                           QStringLiteral("Options")}));
    EXPECT_EQ(Texts(items[3]->menu()->actions()),
              (QStringList{QStringLiteral("New Session"), QStringLiteral("Delete Session"),
                           QStringLiteral("Rename Session"), QStringLiteral("Update Session")}));
    int documentation = 0;
    QObject::connect(f.View().Action(ID_DOCUMENTATION), &QAction::triggered,
                     [&] { ++documentation; });
    items[6]->trigger();
    EXPECT_EQ(documentation, 1);
}

// Every command of the menu bar.
void MenuActions(const QMenu* menu, QList<QAction*>& found)
{
    for (QAction* a : menu->actions()) {
        found << a;
        if (a->menu())
            MenuActions(a->menu(), found);
    }
}

TEST_F(MainWindowTest, AcceleratorsShowInTheMenusAndCtrlQQuits)
{
    EXPECT_EQ(f.View().Action(ID_SEARCH)->shortcut(), QKeySequence(Qt::Key_F3));
    EXPECT_EQ(f.View().Action(ID_OPTIONS)->shortcut(), QKeySequence(Qt::Key_F11));
    EXPECT_EQ(f.View().Action(ID_VIEW_LYRICS)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_L));
    EXPECT_TRUE(f.View().Action(ID_PLAY)->shortcuts().contains(
        QKeySequence(Qt::KeypadModifier | Qt::Key_5)));
    EXPECT_EQ(f.View().Control(IDC_SESSIONS)->toolTip(),
              QStringLiteral("Click a session to display its contents."));
    EXPECT_EQ(f.View().Control(IDC_VOLUME)->toolTip(), QStringLiteral("Change volume"));
    EXPECT_TRUE(f.View()
                    .Control(ID_UPDATE_WINAMP)
                    ->toolTip()
                    .startsWith(QStringLiteral("Send the playlist to MPD")));
    EXPECT_EQ(f.View().Control(IDC_TOTAL)->toolTip(),
              QStringLiteral("Total number of songs in the database"));

    QList<QAction*> inMenus;
    for (QAction* a : f.Frame().menuBar()->actions())
        MenuActions(a->menu(), inMenus);
    const auto& all = f.View().Actions().All();
    for (auto it = all.cbegin(); it != all.cend(); ++it) {
        if (!it.value()->shortcuts().isEmpty()) {
            EXPECT_TRUE(inMenus.contains(it.value())) << qPrintable(it.value()->text());
        }
    }
    QMenu context;
    f.View().Actions().FillContextMenu(&context);
    QList<QAction*> items;
    MenuActions(&context, items);
    for (QAction* item : items) {
        if (!item->menu()) {
            EXPECT_EQ(item->shortcuts(), all.value(item->data().toInt())->shortcuts());
        }
    }

    f.Frame().show();
    f.Frame().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f.Frame()));
    QTest::keyClick(&f.Frame(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(f.Frame().isVisible());
}

// The keypad's player keys as X11 delivers them: a key press the shortcut map did not
// take. They fire from the lists, and a text field keeps its digits.
TEST_F(MainWindowTest, KeypadKeysFireThePlayerCommandsWithNumLockOnOrOff)
{
    struct SCase
    {
        Qt::Key digit, movement;
        int id;
    };
    const SCase cases[] = {{Qt::Key_5, Qt::Key_Clear, ID_PLAY},
                           {Qt::Key_8, Qt::Key_Up, ID_PAUSE},
                           {Qt::Key_2, Qt::Key_Down, ID_STOP},
                           {Qt::Key_4, Qt::Key_Left, ID_PREVIOUS},
                           {Qt::Key_6, Qt::Key_Right, ID_NEXT}};
    for (const SCase& c : cases) {
        int fired = 0;
        const QMetaObject::Connection counted =
            QObject::connect(f.View().Action(c.id), &QAction::triggered, [&fired] { ++fired; });
        for (Qt::Key key : {c.digit, c.movement}) {
            QKeyEvent press(QEvent::KeyPress, key, Qt::KeypadModifier);
            QApplication::sendEvent(f.View().SongList(), &press);
        }
        QKeyEvent typed(QEvent::KeyPress, c.digit, Qt::KeypadModifier, QStringLiteral("5"));
        QApplication::sendEvent(f.View().Field(IDC_TAG_YEAR), &typed);
        EXPECT_EQ(fired, 2) << c.id;
        QObject::disconnect(counted);
    }
}

// Under the song list and the playlist: how many songs each holds and how long they play.
TEST_F(MainWindowTest, TheSongListAndThePlaylistShowTheirSongsAndPlayingTime)
{
    CCdlistSet& set = f.doc.Set();
    for (const QString& seconds : {QStringLiteral("3600"), QStringLiteral("1320")})
        AddTestSong(set, {.cd = "S", .artist = "S", .duration = seconds, .list = "S"});
    CLibraryOperations(f.doc, f.View().Services()).ShowSession(QStringLiteral("S"));
    CPlaylistOperations(f.doc, f.View().Services()).AddRows({0});
    const auto text = [this](int id) { return f.View().Controls().Get<QLabel>(id)->text(); };
    // The count at once; the list's length follows once the list is drawn.
    EXPECT_EQ(text(IDC_SONG_TOTALS), QStringLiteral("2 songs"));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return text(IDC_SONG_TOTALS) == QStringLiteral("2 songs \u00b7 1 h 22 min"); },
        2000));
    EXPECT_EQ(text(IDC_PLAYLIST_TOTALS), QStringLiteral("1 song \u00b7 1 h 0 min"));
    EXPECT_EQ(CPlaylistDelegate::Text(f.doc.Playlist().index(0)), QStringLiteral("S \u2014 S"));
}

// Fields that only show (Total, the file, what plays) take no Tab stop and say what they
// are to a screen reader; every field the user types into keeps its Tab stop.
TEST_F(MainWindowTest, ShowOnlyFieldsTakeNoTabStop)
{
    int shown = 0;
    for (const QLineEdit* edit : f.View().findChildren<QLineEdit*>()) {
        if (!edit->isReadOnly()) {
            EXPECT_TRUE(edit->focusPolicy() & Qt::TabFocus) << edit->objectName().toStdString();
            continue;
        }
        ++shown;
        EXPECT_FALSE(edit->focusPolicy() & Qt::TabFocus) << edit->accessibleName().toStdString();
        EXPECT_FALSE(edit->accessibleName().isEmpty());
    }
    EXPECT_GE(shown, 4);
}

// A screen reader meets the panes as the eye does: sessions, songs and tags, then the column
// of search, playlist and player.
TEST_F(MainWindowTest, AScreenReaderReadsThePanesInTheScreensOrder)
{
    auto* panes = qobject_cast<QSplitter*>(f.View().SessionList()->parentWidget()->parentWidget());
    ASSERT_NE(panes, nullptr);
    QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(panes);
    ASSERT_NE(reader, nullptr);
    QList<QObject*> read;
    for (int i = 0; i < reader->childCount(); ++i)
        if (QAccessibleInterface* child = reader->child(i);
            child && child->object()->isWidgetType() &&
            !qobject_cast<QSplitterHandle*>(child->object()))
            read << child->object();
    ASSERT_EQ(read.size(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(read[i], panes->widget(i)) << i;
}

// Alt and a letter reaches one thing: a menu of the menu bar or a button of the window,
// and inside an open menu one of its entries.
TEST_F(MainWindowTest, EveryMnemonicOfTheWindowIsUnique)
{
    const auto expectUnique = [](const QStringList& texts) {
        QMap<QChar, QString> owner;
        for (const QString& text : texts) {
            const qsizetype at = text.indexOf(u'&');
            if (at < 0 || at + 1 >= text.size() || text[at + 1] == u'&')
                continue;
            const QChar key = text[at + 1].toLower();
            EXPECT_FALSE(owner.contains(key))
                << text.toStdString() << " and " << owner.value(key).toStdString();
            owner.insert(key, text);
        }
    };
    QStringList texts;
    for (QAction* a : f.Frame().menuBar()->actions())
        texts << a->text();
    for (const QAbstractButton* b : f.View().findChildren<QAbstractButton*>())
        texts << b->text();
    expectUnique(texts);
    for (const QMenu* menu : f.Frame().menuBar()->findChildren<QMenu*>()) {
        QStringList entries;
        for (QAction* a : menu->actions())
            entries << a->text();
        expectUnique(entries);
    }
}

TEST_F(MainWindowTest, ButtonsFollowTheirCommands)
{
    int triggered = 0;
    QObject::connect(f.View().Action(ID_SEARCH), &QAction::triggered, [&] { ++triggered; });
    QTest::mouseClick(f.View().Button(ID_SEARCH), Qt::LeftButton);
    EXPECT_EQ(triggered, 1);
    f.View().Doc().Playlist().SetChanged(true);
    EXPECT_TRUE(f.View().Button(ID_UPDATE_WINAMP)->isEnabled());
    f.View().Doc().Playlist().SetChanged(false);
    EXPECT_FALSE(f.View().Button(ID_UPDATE_WINAMP)->isEnabled());
}

// A first layout gives the sessions' pane the room their longest name needs.
TEST(SessionPaneTest, ALongSessionNameShowsWholeBeforeTheUserPlacesThePanes)
{
    CViewFixture fixture;
    fixture.SkipStartQuestions();
    fixture.AddSong(QStringLiteral("Unïcödé Long Session Name of Many Words"), QStringLiteral("t"));
    fixture.Start();
    fixture.Frame().resize(1600, 1000);
    fixture.Frame().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&fixture.Frame()));
    const QListView* sessions = fixture.View().SessionList();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return sessions->viewport()->width() >= sessions->sizeHintForColumn(0); }, 1000));
}

// Widths kept from a narrower window: a cut text gets the room the last column has spare.
TEST(KeptColumnsTest, KeptWidthsGiveACutTextTheRoomTheLastColumnHasSpare)
{
    const QString artist = QStringLiteral("An artist with a long name as well");
    CViewFixture wide;
    wide.SkipStartQuestions();
    CSettings::SetString(ESetting::LibColumns, QStringLiteral("LIST:80 ARTIST:40 ALBUM:90 CD:40"));
    wide.Start();
    CSongListModel& songs = wide.View().Doc().Songs();
    CSongListModel::CBatch rows = songs.NewBatch();
    rows.AddRow(1);
    for (const QString& cell : {QStringLiteral("T"), artist, QString(), QStringLiteral("S")})
        rows.AddCell(cell);
    wide.Frame().resize(1600, 1000);
    wide.Frame().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&wide.Frame()));
    songs.AppendRows(std::move(rows));
    const CLibraryListCtrl* list = wide.View().SongList();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return list->columnWidth(1) > list->fontMetrics().horizontalAdvance(artist); },
        1000));
    EXPECT_EQ(list->columnWidth(2), 90) << "nothing cut: kept as it was";
}

TEST_F(MainWindowTest, TheSongColumnsFirstShareTheListsWidthAndTheWindowStopsAtItsMinimum)
{
    const QString title = QStringLiteral("A title long enough to be cut in a narrow column");
    const QString artist = QStringLiteral("An artist with a long name as well");
    CSongListModel& songs = f.View().Doc().Songs();
    CSongListModel::CBatch rows = songs.NewBatch();
    rows.AddRow(1);
    for (const QString& cell : {title, artist, QString(), QStringLiteral("S")})
        rows.AddCell(cell);
    f.Frame().resize(f.Frame().width() * 2, f.Frame().height() * 3 / 2);
    f.Frame().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.Frame()));
    songs.AppendRows(std::move(rows));
    QTest::qWait(20);
    // With room for them the texts show whole, and the columns fill the list.
    const CLibraryListCtrl* songList = f.View().SongList();
    int columns = 0;
    for (int i = 0; i < songList->ColumnCount(); ++i)
        columns += songList->columnWidth(i);
    EXPECT_GT(columns, songList->viewport()->width() * 9 / 10);
    EXPECT_GT(songList->columnWidth(0), songList->fontMetrics().horizontalAdvance(title));
    EXPECT_GT(songList->columnWidth(1), songList->fontMetrics().horizontalAdvance(artist));
    // Below the size its texts need the form would cut them: the window stops there.
    f.Frame().resize(400, 260);
    QTest::qWait(20);
    EXPECT_GE(f.Frame().width(), f.View().minimumSizeHint().width());
    EXPECT_GE(f.Frame().height(), f.View().minimumSizeHint().height());
}

TEST_F(MainWindowTest, OptionsRebuildTheSongListColumnsWhenTheyChangedKeepingTheSongs)
{
    f.AddSong(QStringLiteral("S"), QStringLiteral("one"));
    f.AddSong(QStringLiteral("S"), QStringLiteral("two"));
    CLibraryOperations(f.doc, f.View().Services()).ShowSession(QStringLiteral("S"));
    f.View().SongList()->SortByHeading(0);
    f.View().SongList()->SortByHeading(0);
    const QStringList before = f.View().SongList()->Headings();
    CModalScript script({[](QWidget* modal) {
        auto* dialog = qobject_cast<COptionsDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        auto* library = qobject_cast<CLibraryPage*>(dialog->Page(COptionsDialog::kLibrary));
        QTest::mouseClick(library->Columns().Box(ESetting::LibBitrate), Qt::LeftButton);
        QTest::mouseClick(dialog->CloseButton(), Qt::LeftButton);
    }});
    f.View().Action(ID_OPTIONS)->trigger();
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(f.View().SongList()->Headings(), before + QStringList{QStringLiteral("Bitrate")});
    ASSERT_EQ(f.View().SongList()->RowCount(), 2);
    EXPECT_EQ(f.View().SongList()->CellText(0, 0), QStringLiteral("two"));
    EXPECT_EQ(f.View().SongList()->CellText(1, 0), QStringLiteral("one"));
}

// The open catalogue's accents switch sits on the General page; Options left with it changed
// makes the catalogue's search copies anew.
TEST_F(MainWindowTest, OptionsTurnTheCataloguesAccentsSwitch)
{
    f.AddSong(QStringLiteral("S"), QStringLiteral("Björk"));
    CModalScript script({[](QWidget* modal) {
        auto* dialog = qobject_cast<COptionsDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        auto* general = qobject_cast<CGeneralPage*>(dialog->Page(COptionsDialog::kGeneral));
        ASSERT_NE(general->AccentsBox(), nullptr);
        EXPECT_TRUE(general->AccentsBox()->isChecked()) << "a new catalogue ignores accents";
        QTest::mouseClick(general->AccentsBox(), Qt::LeftButton);
        QTest::mouseClick(dialog->CloseButton(), Qt::LeftButton);
    }});
    f.View().Action(ID_OPTIONS)->trigger();
    EXPECT_TRUE(script.Finished());
    EXPECT_FALSE(f.doc.Database().Folding().Accents());
    EXPECT_TRUE(f.prompts.messages.isEmpty());
    CLibraryOperations(f.doc, f.View().Services()).Search({.title = QStringLiteral("bjork")});
    EXPECT_EQ(f.View().SongList()->RowCount(), 0);
}

// F1 shows the manual in a window of the program's own, whatever the desktop has.
TEST_F(MainWindowTest, DocumentationShowsTheManualInsideTheProgram)
{
    f.urlsOpen = false; // no program for any file
    f.View().Action(ID_DOCUMENTATION)->trigger();
    auto* help = f.View().window()->findChild<CHelpWindow*>();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_TRUE(f.openedUrls.isEmpty());
    EXPECT_TRUE(f.prompts.messages.isEmpty());
    EXPECT_TRUE(help->Browser()->toPlainText().contains("Finding music"));

    // The search finds each place in turn, then the first again; a word not in it is said.
    QTest::keyClicks(help->SearchField(), "playlist");
    const int first = help->Browser()->textCursor().position();
    EXPECT_GT(first, 0);
    EXPECT_EQ(help->Browser()->textCursor().selectedText().toLower(), "playlist");
    QTest::keyClick(help->SearchField(), Qt::Key_Return);
    EXPECT_GT(help->Browser()->textCursor().position(), first);
    help->SearchField()->setText("zyxxyz");
    EXPECT_FALSE(help->FindNext());
    EXPECT_EQ(help->SearchResult()->text(), "Not found");
}

// Closed and asked for again, the same window comes back.
TEST_F(MainWindowTest, DocumentationIsOneWindowShownAgain)
{
    f.View().Action(ID_DOCUMENTATION)->trigger();
    auto* help = f.View().window()->findChild<CHelpWindow*>();
    ASSERT_NE(help, nullptr);
    help->close();
    f.View().Action(ID_DOCUMENTATION)->trigger();
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(f.View().window()->findChildren<CHelpWindow*>().size(), 1);
}

} // namespace
