#include "db/CCdlistSet.h"
#include "library/gui/CLibraryListCtrl.h"
#include "platform/CSettings.h"
#include "support/gui/CViewFixture.h"
#include "ui/CommandIds.h"

#include <QAction>
#include <QFile>
#include <QItemSelectionModel>
#include <QListWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// The playlist commands as the main window runs them.
class PlaylistWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CSettings::SetInt(QStringLiteral("Firsttime"), 1);
        CSettings::SetInt(QStringLiteral("UpdateDate"), f.month);
        a = f.AddSong(QStringLiteral("CD1"), QStringLiteral("Alpha"), QStringLiteral("/m"),
                      QStringLiteral("a.mp3"));
        b = f.AddSong(QStringLiteral("CD1"), QStringLiteral("Beta"), QStringLiteral("/m"),
                      QStringLiteral("b.mp3"));
        f.Start();
    }
    QAction* Action(int id) { return f.View().Action(id); }

    CViewFixture f;
    qint32 a = 0, b = 0;
};

TEST_F(PlaylistWindowTest, SongsGoFromTheListIntoTheFileAndBack)
{
    CCdlistView& view = f.View();
    EXPECT_FALSE(Action(ID_UPDATE_WINAMP)->isEnabled());
    for (qint32 id : {a, b}) {
        ASSERT_TRUE(view.FindSongById(id));
        view.InsertSongRow(view.SongList()->RowCount());
    }
    Action(ID_ADD_ALL)->trigger();
    ASSERT_EQ(view.PlaylistBox()->count(), 2);
    EXPECT_EQ(view.PlaylistBox()->item(1)->data(Qt::UserRole).toInt(), b);
    EXPECT_TRUE(Action(ID_UPDATE_WINAMP)->isEnabled());

    const QString file = f.env.Root() + QStringLiteral("/w.m3u");
    f.prompts.files.enqueue(file);
    Action(ID_EXPORT_M3U)->trigger();
    QFile written(file);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), "/m/a.mp3\r\n/m/b.mp3\r\n");

    view.PlaylistBox()->setCurrentRow(0);
    EXPECT_TRUE(view.PlaylistSelectionFlag());
    QListWidget* box = view.PlaylistBox();
    f.Frame().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.Frame()));
    const QPoint entry = box->visualItemRect(box->item(0)).center();
    QTest::mousePress(box->viewport(), Qt::LeftButton, {}, entry);
    QTest::mouseRelease(box->viewport(), Qt::LeftButton, {}, entry);
    QTest::mouseDClick(box->viewport(), Qt::LeftButton, {}, entry);
    EXPECT_EQ(box->count(), 1);
    EXPECT_FALSE(view.PlaylistSelectionFlag());

    Action(ID_CLEAR_PLAYLIST)->trigger();
    EXPECT_FALSE(Action(ID_UPDATE_WINAMP)->isEnabled());
    view.SongList()->DeleteAllItems();
    f.prompts.files.enqueue(file);
    Action(ID_LOAD_PLAYLIST)->trigger();
    ASSERT_EQ(view.SongList()->RowCount(), 2);
    EXPECT_EQ(view.SongList()->ItemData(0), a);
    EXPECT_EQ(view.SongList()->ItemData(1), b);
}

} // namespace
