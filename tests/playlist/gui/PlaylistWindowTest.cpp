#include "library/gui/CLibraryListCtrl.h"
#include "model/CCdlistDoc.h"
#include "platform/CSettings.h"
#include "support/gui/CViewFixture.h"
#include "ui/CommandIds.h"

#include <QAction>
#include <QApplication>
#include <QListView>
#include <QMenu>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// The playlist commands as the main window runs them.
TEST(PlaylistWindowTest, SongsGoFromTheListIntoTheFileAndBack)
{
    CViewFixture f;
    f.SkipStartQuestions();
    const qint64 a = f.AddSong("CD1", "Alpha", "/m", "a.mp3");
    const qint64 b = f.AddSong("CD1", "Beta", "/m", "b.mp3");
    f.Start();
    CCdlistDoc& doc = f.View().Doc();
    QListView* box = f.View().PlaylistBox();
    QAction* update = f.View().Action(ID_UPDATE_WINAMP);
    const auto trigger = [&f](int id) { f.View().Action(id)->trigger(); };
    const auto said = [&f] { return f.Frame().statusBar()->currentMessage(); };

    EXPECT_FALSE(update->isEnabled());
    for (qint64 id : {a, b}) {
        const std::optional<SSong> song = doc.Set().FindSongById(id);
        ASSERT_TRUE(song);
        doc.Songs().InsertSongRow(doc.Songs().RowCount(), *song);
    }
    f.View().SongList()->selectRow(1);
    trigger(ID_ADD_TO_PLAYLIST);
    trigger(ID_ADD_ALL);
    ASSERT_EQ(box->model()->rowCount(), 3);
    EXPECT_EQ(said(), "Added 2 songs to the playlist.");
    EXPECT_EQ(box->model()->index(0, 0).data(Qt::UserRole).toInt(), b);
    EXPECT_TRUE(update->isEnabled());

    const QString file = f.env.Root() + "/w.m3u";
    trigger(ID_EXPORT_M3U); // cancelled: nothing written
    f.prompts.files.enqueue(file);
    trigger(ID_EXPORT_M3U);
    ASSERT_EQ(f.prompts.fileDialogs.size(), 2);
    EXPECT_EQ(f.prompts.fileDialogs[1].title, "Save Playlist...");
    EXPECT_EQ(f.prompts.fileDialogs[1].defaultExtension, "m3u");
    EXPECT_TRUE(f.prompts.messages.isEmpty());
    EXPECT_EQ(said(), "Saved 3 songs to the playlist " + file + ".");

    box->setCurrentIndex(box->model()->index(1, 0));
    trigger(ID_REMOVE_FROM_PLAYLIST);
    EXPECT_EQ(doc.Playlist().Ids(), QList<qint64>({b, b}));

    int sent = 0; // AutoUpd sends the changed playlist at once
    QObject::connect(update, &QAction::triggered, [&sent] { ++sent; });
    CSettings::SetInt(ESetting::AutoUpd, 1);
    f.Frame().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.Frame()));
    const QPoint entry = box->visualRect(box->model()->index(0, 0)).center();
    QTest::mouseClick(box->viewport(), Qt::LeftButton, {}, entry);
    EXPECT_TRUE(doc.Playlist().SelectionFlag());
    QTest::mouseDClick(box->viewport(), Qt::LeftButton, {}, entry);
    EXPECT_EQ(doc.Playlist().Count(), 1);
    EXPECT_FALSE(doc.Playlist().SelectionFlag());
    EXPECT_EQ(sent, 1);

    trigger(ID_CLEAR_PLAYLIST);
    EXPECT_EQ(said(), "Cleared the playlist.");
    EXPECT_FALSE(update->isEnabled());
    doc.Songs().Clear();
    f.prompts.files.enqueue(file);
    trigger(ID_LOAD_PLAYLIST);
    EXPECT_EQ(f.prompts.fileDialogs.last().title, "Open Playlist...");
    ASSERT_EQ(doc.Songs().RowCount(), 3);
    EXPECT_EQ(doc.Songs().Id(1), a);
}

// Entries move by keyboard, by their menu and by dragging (the view moves the model's rows).
TEST(PlaylistWindowTest, EntriesMoveByKeyAndMenu)
{
    CViewFixture f;
    f.SkipStartQuestions();
    const qint64 a = f.AddSong("CD1", "Alpha", "/m", "a.mp3");
    const qint64 b = f.AddSong("CD1", "Beta", "/m", "b.mp3");
    const qint64 c = f.AddSong("CD1", "Gamma", "/m", "c.mp3");
    f.Start();
    CCdlistDoc& doc = f.View().Doc();
    for (qint64 id : {a, b, c})
        doc.Playlist().Append(QString::number(id), id);
    QListView* box = f.View().PlaylistBox();
    EXPECT_EQ(box->dragDropMode(), QAbstractItemView::InternalMove);
    f.Frame().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.Frame()));
    box->setFocus();
    box->setCurrentIndex(doc.Playlist().index(0));
    doc.Playlist().SetChanged(false); // as sent to MPD
    QTest::keyClick(box, Qt::Key_Down, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(doc.Playlist().Ids(), (QList<qint64>{b, c, a}));
    // MPD's copy is out of order: to be sent again.
    EXPECT_TRUE(doc.Playlist().Changed());
    EXPECT_EQ(doc.Playlist().SelectedEntry(), 2); // it stays chosen as it moves

    QStringList offered;
    QTimer::singleShot(0, [&offered] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        for (QAction* action : menu->actions()) {
            if (!action->isSeparator())
                offered << QString(action->text()).remove(u'&') +
                               (action->isEnabled() ? QString() : QStringLiteral(" (off)"));
        }
        menu->actions().first()->trigger(); // Move Up
        menu->close();
    });
    Q_EMIT box->customContextMenuRequested(box->visualRect(doc.Playlist().index(2)).center());
    EXPECT_EQ(offered, QStringList({"Move Up", "Move Down (off)", "Remove", "Play"}));
    EXPECT_EQ(doc.Playlist().Ids(), (QList<qint64>{b, a, c}));
}

} // namespace
