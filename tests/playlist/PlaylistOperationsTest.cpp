#include "PlaylistFixture.h"
#include "db/CDatabase.h"
#include "platform/CSettings.h"
#include "playlist/CPlaylistGroups.h"

#include <QFile>
#include <QItemSelectionModel>

namespace {

class PlaylistCommandsTest : public PlaylistFixture
{
protected:
    void ListSongs(const QList<qint32>& ids)
    {
        int row = 0;
        for (qint32 id : ids) {
            ASSERT_TRUE(set.FindSongById(id));
            host->InsertSongRow(row++);
        }
    }
    void SelectRows(const QList<int>& rows)
    {
        auto* selection = host->songs->selectionModel();
        for (int row : rows)
            selection->select(host->songs->model()->index(row, 0),
                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    QByteArray ReadAll(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

TEST_F(PlaylistCommandsTest, AddTakesSelectedRowsInOrderAndDuplicatesStay)
{
    const qint32 a = AddSong("CD1", "/m", "a.mp3");
    const qint32 b = AddSong("CD1", "/m", "b.mp3");
    ListSongs({a, b});

    host->actions[ID_ADD_TO_PLAYLIST]->trigger(); // nothing selected
    EXPECT_EQ(host->playlist->count(), 0);
    EXPECT_FALSE(host->updateEnabled);

    SelectRows({0, 1});
    host->actions[ID_ADD_TO_PLAYLIST]->trigger();
    host->actions[ID_ADD_TO_PLAYLIST]->trigger();
    EXPECT_EQ(PlaylistTexts(), QStringList({"a", "b", "a", "b"}));
    EXPECT_EQ(controller->EntryIds(), QList<qint32>({a, b, a, b}));
    EXPECT_TRUE(host->updateEnabled);
}

TEST_F(PlaylistCommandsTest, AddAllRemoveAndClearFollowTheUpdateRule)
{
    host->actions[ID_ADD_ALL]->trigger(); // empty song list: nothing at all
    EXPECT_FALSE(host->updateEnabled);

    ListSongs({AddSong("CD1", "/m", "a.mp3"), AddSong("CD1", "/m", "b.mp3")});
    host->actions[ID_ADD_ALL]->trigger();
    EXPECT_EQ(PlaylistTexts(), QStringList({"a", "b"}));
    EXPECT_TRUE(host->updateEnabled);

    host->updateEnabled = false;
    host->actions[ID_REMOVE_FROM_PLAYLIST]->trigger(); // none selected: still enables
    EXPECT_EQ(host->playlist->count(), 2);
    EXPECT_TRUE(host->updateEnabled);

    host->playlist->item(0)->setSelected(true);
    host->actions[ID_REMOVE_FROM_PLAYLIST]->trigger();
    EXPECT_EQ(PlaylistTexts(), QStringList({"b"}));
    host->playlist->item(0)->setSelected(true);
    host->actions[ID_REMOVE_FROM_PLAYLIST]->trigger(); // the last entry
    EXPECT_FALSE(host->updateEnabled);
    host->actions[ID_ADD_ALL]->trigger();

    host->actions[ID_CLEAR_PLAYLIST]->trigger();
    EXPECT_EQ(host->playlist->count(), 0);
    EXPECT_FALSE(host->updateEnabled);
}

TEST_F(PlaylistCommandsTest, DoubleClickRemovesAndSendsOnlyWhileEntriesRemain)
{
    int sent = 0;
    QObject::connect(host->actions[ID_UPDATE_WINAMP], &QAction::triggered, [&] { ++sent; });
    CSettings::SetInt("AutoUpd", 1);
    AddEntry(AddSong("CD1", "/m", "a.mp3"));
    AddEntry(AddSong("CD1", "/m", "b.mp3"));

    host->playlist->setCurrentRow(0);
    EXPECT_TRUE(host->playlistSelected);
    controller->OnPlaylistDoubleClick();
    EXPECT_FALSE(host->playlistSelected);
    EXPECT_EQ(PlaylistTexts(), QStringList({"2"}));
    EXPECT_TRUE(host->updateEnabled);
    EXPECT_EQ(sent, 1);

    host->playlist->setCurrentRow(0);
    controller->OnPlaylistDoubleClick(); // the last entry: nothing is sent
    EXPECT_EQ(host->playlist->count(), 0);
    EXPECT_FALSE(host->updateEnabled);
    EXPECT_EQ(sent, 1);
}

TEST_F(PlaylistCommandsTest, ExportWritesOnePathPerLineSkippingDeletedSongs)
{
    const qint32 a = AddSong("CD1", "/music/It's", "Café – été.mp3");
    const qint32 gone = AddSong("CD1", "/music", "gone.mp3");
    const qint32 c = AddSong("CD2", "/", "root.mp3");
    set.FindSongById(gone);
    set.Delete();
    for (qint32 id : {a, gone, c, a})
        AddEntry(id);
    CSettings::SetInt("PlaylistUsed", 5);
    const QString file = env.Root() + "/list.m3u";
    prompts.files.enqueue(file);

    host->actions[ID_EXPORT_M3U]->trigger();

    EXPECT_EQ(ReadAll(file), QString("/music/It's/Café – été.mp3\r\n/root.mp3\r\n"
                                     "/music/It's/Café – été.mp3\r\n")
                                 .toUtf8());
    EXPECT_EQ(CSettings::Int("PlaylistUsed", 0), 8);
    ASSERT_EQ(prompts.fileDialogs.size(), 1);
    EXPECT_EQ(prompts.fileDialogs[0].title, "Save Playlist...");
    EXPECT_EQ(prompts.fileDialogs[0].defaultExtension, "m3u");
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(PlaylistCommandsTest, ExportRefusesAnEmptyPlaylistAndReportsUnwritableFiles)
{
    const QString file = env.Root() + "/list.m3u";
    prompts.files.enqueue(file);
    host->actions[ID_EXPORT_M3U]->trigger();
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(prompts.messages[0].text, "There are no songs to put in the list!");
    EXPECT_EQ(prompts.messages[0].caption, "No music!");
    EXPECT_EQ(prompts.messages[0].icon, CPrompts::EIcon::Error);
    EXPECT_FALSE(QFile::exists(file));

    AddEntry(AddSong("CD1", "/m", "a.mp3"));
    const QString blocked = env.Root() + "/no/such/folder/list.m3u";
    prompts.files.enqueue(blocked);
    host->actions[ID_EXPORT_M3U]->trigger();
    ASSERT_EQ(prompts.messages.size(), 2);
    EXPECT_TRUE(prompts.messages[1].text.contains(blocked));
    EXPECT_EQ(prompts.messages[1].icon, CPrompts::EIcon::Error);
    EXPECT_EQ(CSettings::Int("PlaylistUsed", 0), 0);

    prompts.files.clear(); // cancelled dialog: nothing happens
    host->actions[ID_EXPORT_M3U]->trigger();
    EXPECT_EQ(prompts.messages.size(), 2);
}

class GroupingTest : public PlaylistFixture
{
protected:
    QList<qint32> AddSession(const QString& cd, int songs)
    {
        QList<qint32> ids;
        for (int i = 0; i < songs; ++i)
            ids << AddSong(cd, "/m/" + cd, QString("%1.mp3").arg(i));
        return ids;
    }
};

TEST_F(GroupingTest, ExactlyTheLimitsGroupCompletely)
{
    CDatabase::CTransaction transaction(db);
    QList<qint32> ids = AddSession("Big", 2500);
    for (int s = 1; s < 50; ++s)
        ids << AddSession(QString("S%1").arg(s), 1);
    transaction.Commit();

    const SPlaylistGroups groups = GroupPlaylistBySession(set, ids, prompts);
    EXPECT_EQ(groups.limit, SPlaylistGroups::ELimit::None);
    EXPECT_EQ(groups.groups.size(), 50);
    EXPECT_EQ(groups.groups[0].paths.size(), 2500);
    EXPECT_EQ(groups.groups[0].paths[7], "/m/Big/7.mp3");
    EXPECT_EQ(groups.SongCount(), 2549);
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(GroupingTest, OneMoreSongOrSessionStopsWithItsMessage)
{
    CDatabase::CTransaction transaction(db);
    QList<qint32> big = AddSession("Big", 2501);
    QList<qint32> many;
    for (int s = 0; s < 51; ++s)
        many << AddSession(QString("S%1").arg(s), 1);
    const qint32 lower = AddSong("s0", "/m", "case.mp3"); // differs from "S0" only by case
    transaction.Commit();

    big.append(many.first()); // after the limit: not gathered
    SPlaylistGroups groups = GroupPlaylistBySession(set, big, prompts);
    EXPECT_EQ(groups.limit, SPlaylistGroups::ELimit::TooManySongs);
    ASSERT_EQ(groups.groups.size(), 1);
    EXPECT_EQ(groups.groups[0].paths.size(), 2500);
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(prompts.messages[0].text,
              "The Playlist Can Contain Maximum\n2500 Songs From One Session");
    EXPECT_EQ(prompts.messages[0].caption, "Error - Limit Reached");

    many.insert(1, lower);
    groups = GroupPlaylistBySession(set, many, prompts);
    EXPECT_EQ(groups.limit, SPlaylistGroups::ELimit::TooManySessions);
    EXPECT_EQ(groups.groups.size(), 50);
    EXPECT_EQ(groups.groups[1].session, "s0");
    ASSERT_EQ(prompts.messages.size(), 2);
    EXPECT_EQ(prompts.messages[1].text,
              "The Playlist Can Contain Songs From\nMaximum 50 Different Sessions");
}

} // namespace
