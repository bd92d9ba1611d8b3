#include "PlaylistFixture.h"
#include "db/CDatabase.h"
#include "model/CFileCopier.h"
#include "platform/CSettings.h"
#include "playlist/CCopyNames.h"
#include "support/CFifo.h"

#include <QFile>

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

using PlaylistOperationsTest = PlaylistFixture;

TEST_F(PlaylistOperationsTest, AddRemoveAndClearFollowTheUpdateRule)
{
    ops.AddAll(); // an empty song list: nothing at all
    EXPECT_EQ(playlist.Count(), 0);
    EXPECT_FALSE(playlist.Changed());

    const qint64 a = AddSong("CD1", "/m", "a.mp3");
    const qint64 b = AddSong("CD1", "/m", "b.mp3");
    ListSongs({a, b});
    ops.AddRows({1, 0, 2}); // in the order given; a row beyond the list is skipped
    ops.AddAll();
    EXPECT_EQ(PlaylistTexts(), QStringList({"b", "a", "a", "b"}));
    EXPECT_EQ(playlist.Ids(), QList<qint64>({b, a, a, b}));
    EXPECT_TRUE(playlist.Changed());

    playlist.SetChanged(false);
    ops.Remove(-1); // none selected: still counts as a change
    EXPECT_TRUE(playlist.Changed());
    ops.Remove(1);
    EXPECT_EQ(playlist.Ids(), QList<qint64>({b, a, b}));
    for (int i = 0; i < 3; ++i)
        ops.Remove(0);
    EXPECT_FALSE(playlist.Changed()); // an empty playlist has nothing to send

    ops.AddAll();
    ops.Clear();
    EXPECT_EQ(playlist.Count(), 0);
    EXPECT_FALSE(playlist.Changed());
}

TEST_F(PlaylistOperationsTest, DoubleClickRemovesAndSendsOnlyWhileEntriesRemain)
{
    AddEntries({1, 2, 3});
    playlist.SetSelectionFlag(true);
    EXPECT_FALSE(ops.RemoveByDoubleClick(0)); // AutoUpd off
    EXPECT_FALSE(playlist.SelectionFlag());
    EXPECT_TRUE(playlist.Changed());

    CSettings::SetInt(ESetting::AutoUpd, 1);
    EXPECT_TRUE(ops.RemoveByDoubleClick(1));
    EXPECT_EQ(playlist.Ids(), QList<qint64>({2}));
    EXPECT_FALSE(ops.RemoveByDoubleClick(0)); // the last entry: nothing to send
    EXPECT_FALSE(playlist.Changed());
}

TEST_F(PlaylistOperationsTest, ExportWritesOnePathPerLineThatLoadsBackInOrder)
{
    const QString file = f.env.Root() + "/list.m3u";
    EXPECT_FALSE(ops.ExportM3u(file)); // an empty playlist
    const qint64 a = AddSong("CD1", "/music/It's", "Café – été.mp3");
    const qint64 gone = AddSong("CD1", "/music", "gone.mp3");
    const qint64 c = AddSong("CD2", "/", "100% \\ \"q\".mp3");
    set.Delete(gone);
    AddEntries({a, gone, c, a});
    CSettings::SetInt(ESetting::PlaylistUsed, 5);
    EXPECT_FALSE(ops.ExportM3u(f.env.Root() + "/no/such/folder/list.m3u"));
    EXPECT_FALSE(QFile::exists(file));

    EXPECT_TRUE(ops.ExportM3u(file)); // a song that is gone is left out
    EXPECT_EQ(ReadAll(file), QString("/music/It's/Café – été.mp3\r\n/100% \\ \"q\".mp3\r\n"
                                     "/music/It's/Café – été.mp3\r\n")
                                 .toUtf8());
    EXPECT_EQ(CSettings::Int(ESetting::PlaylistUsed), 8);
    ASSERT_EQ(f.prompts.messages.size(), 2);
    EXPECT_EQ(f.prompts.messages[0].text, "There are no songs to put in the list!");
    EXPECT_EQ(f.prompts.messages[0].caption, "No music!");
    EXPECT_TRUE(f.prompts.messages[1].text.contains("/no/such/folder/list.m3u"));
    EXPECT_EQ(f.prompts.messages[1].caption, "File Error");

    ops.Clear();
    ListSongs({c}); // replaced by the playlist's songs
    ops.LoadPlaylist(file);
    EXPECT_EQ(SongListIds(), QList<qint64>({a, c, a}));
    EXPECT_EQ(playlist.Count(), 0); // AddOnSearch 0 leaves the playlist alone
    EXPECT_TRUE(f.prompts.warnings.isEmpty());
}

// The playlist comes back on its own catalogue only: another data folder starts with its
// own, even where its song numbers are the same.
TEST_F(PlaylistOperationsTest, TheSavedPlaylistBelongsToItsCatalogue)
{
    const qint64 a = AddSong("S", "/m", "a.mp3");
    const qint64 b = AddSong("S", "/m", "b.mp3");
    // Older versions kept it in the settings, for no catalogue: the first one takes it over.
    CSettings::SetString(ESetting::SavedPlaylist, QString("%1 999 %2").arg(b).arg(a));
    ops.RestoreFromLastRun();
    EXPECT_EQ(playlist.Ids(), (QList<qint64>{b, a}));
    EXPECT_FALSE(CSettings::Stored(ESetting::SavedPlaylist));
    playlist.Append("a", a);
    ops.SaveForNextRun();

    CCdlistDoc other;
    other.OpenDatabase(f.env.MakeDir("other") + "/songs3.mdb");
    AddTestSong(other.Set(), {.cd = "T", .title = "x", .path = "/m"});
    AddTestSong(other.Set(), {.cd = "T", .title = "y", .path = "/m"});
    CPlaylistOperations(other, f.services).RestoreFromLastRun();
    EXPECT_EQ(other.Playlist().Count(), 0);

    playlist.Clear();
    ops.RestoreFromLastRun();
    EXPECT_EQ(playlist.Ids(), (QList<qint64>{b, a, a}));
}

// Moving entries, as dragging, Ctrl+Up/Down and the entry's menu do: the order is the
// one kept for the next run, and the player's list no longer matches.
TEST_F(PlaylistOperationsTest, MovedEntriesKeepTheirNewOrderAcrossARestart)
{
    const qint64 a = AddSong("S", "/m", "a.mp3", "60");
    const qint64 b = AddSong("S", "/m", "b.mp3", "30");
    const qint64 c = AddSong("S", "/m", "c.mp3");
    AddEntries({a, b, c});
    EXPECT_TRUE(playlist.Move(0, 2));
    EXPECT_EQ(playlist.Ids(), (QList<qint64>{b, c, a}));
    EXPECT_TRUE(playlist.Changed());
    EXPECT_TRUE(playlist.Move(2, 1));
    EXPECT_TRUE(playlist.Move(0, 1)); // down by one: past its neighbour only
    EXPECT_EQ(playlist.Ids(), (QList<qint64>{a, b, c}));
    EXPECT_TRUE(playlist.Move(0, 1));
    // The view's drop moves by the row before which the entry lands.
    EXPECT_TRUE(playlist.moveRow(QModelIndex(), 0, QModelIndex(), 3));
    EXPECT_EQ(playlist.Ids(), (QList<qint64>{a, c, b}));
    for (const auto& [from, to] : {std::pair{0, 0}, {-1, 1}, {2, 3}})
        EXPECT_FALSE(playlist.Move(from, to)) << from << to;
    EXPECT_FALSE(playlist.moveRow(QModelIndex(), 1, QModelIndex(), 2)); // onto itself
    EXPECT_EQ(playlist.TotalSeconds(), 90);

    ops.SaveForNextRun();
    playlist.Clear();
    ops.RestoreFromLastRun();
    EXPECT_EQ(playlist.Ids(), (QList<qint64>{a, c, b}));
}

TEST_F(PlaylistOperationsTest, CopyGroupsBySessionUpToTheLimits)
{
    CDatabase::CTransaction transaction(f.doc.Database());
    QList<qint64> big, small;
    for (int i = 0; i < 2501; ++i)
        big << AddSong("Big", "/m/Big", QString("%1.mp3").arg(i));
    for (int s = 0; s < 50; ++s)
        small << AddSong(QString("S%1").arg(s), "/m", "s.mp3");
    const qint64 lower = AddSong("s0", "/m", "case.mp3"); // differs from "S0" only by case
    transaction.Commit();
    const auto group = [this](const QList<qint64>& ids) {
        ops.Clear();
        AddEntries(ids);
        SPlaylistGroups groups;
        EXPECT_TRUE(ops.GroupForCopy(groups));
        return groups;
    };

    SPlaylistGroups groups = group(big.mid(0, 2500) + small.mid(1)); // exactly the limits
    EXPECT_EQ(groups.limit, SPlaylistGroups::ELimit::None);
    EXPECT_EQ(groups.groups.size(), 50);
    EXPECT_EQ(groups.groups[0].paths[7], "/m/Big/7.mp3");
    EXPECT_EQ(groups.SongCount(), 2549);
    EXPECT_TRUE(f.prompts.messages.isEmpty());

    groups = group(big + small); // what follows the song too many is not gathered
    EXPECT_EQ(groups.limit, SPlaylistGroups::ELimit::TooManySongs);
    ASSERT_EQ(groups.groups.size(), 1);
    EXPECT_EQ(groups.groups[0].paths.size(), 2500);

    small.insert(1, lower);
    groups = group(small);
    EXPECT_EQ(groups.limit, SPlaylistGroups::ELimit::TooManySessions);
    EXPECT_EQ(groups.groups.size(), 50);
    EXPECT_EQ(groups.groups[1].session, "s0");
    ASSERT_EQ(f.prompts.messages.size(), 2);
    EXPECT_EQ(f.prompts.messages[0].text,
              "The Playlist Can Contain Maximum\n2500 Songs From One Session");
    EXPECT_EQ(f.prompts.messages[0].caption, "Error - Limit Reached");
    EXPECT_EQ(f.prompts.messages[1].text,
              "The Playlist Can Contain Songs From\nMaximum 50 Different Sessions");
}

TEST(FileCopierTest, CopiesExactlyInBlocksAndNamesWhatFails)
{
    CTestEnvironment env;
    QByteArray data;
    QString source, error;
    for (int size : {0, 1, 9999, 10000, 10001, 25000}) {
        data.clear();
        for (int i = 0; i < size; ++i)
            data += char(i * 7 + i / 251);
        source = env.WriteFile(QString("in/%1.mp3").arg(size), data);
        const QString target = env.MakeDir("out") + QString("/%1.mp3").arg(size);
        QList<qint64> steps;
        ASSERT_TRUE(CFileCopier::Copy(
            source, target, [&](qint64 done, qint64) { steps << done; }, error));
        EXPECT_EQ(ReadAll(target), data) << size;
        EXPECT_EQ(steps.size(), (size + CFileCopier::kBlockSize - 1) / CFileCopier::kBlockSize);
        EXPECT_EQ(steps.value(steps.size() - 1, 0), size);
    }

    EXPECT_FALSE(CFileCopier::Copy(env.Root() + "/in/none.mp3", env.Root() + "/x.mp3", {}, error));
    EXPECT_TRUE(error.contains("none.mp3"));
    EXPECT_FALSE(CFileCopier::Copy(source, env.Root() + "/no/dir/a.mp3", {}, error));
    EXPECT_TRUE(error.contains("/no/dir/a.mp3"));
    // A pipe in a song's place would be waited on for ever.
    const CFifo fifo(env.Root() + "/in/pipe.mp3");
    EXPECT_FALSE(CFileCopier::Copy(fifo.Path(), env.Root() + "/x.mp3", {}, error));
    EXPECT_TRUE(error.contains("not a regular file")) << error.toStdString();
    // Onto itself: the file stays whole.
    EXPECT_TRUE(CFileCopier::Copy(source, env.Root() + "/in/../in/25000.mp3", {}, error));
    EXPECT_EQ(ReadAll(source), data);
}

TEST(CopyNamesTest, ANameGivenInTheRunGetsANumberAndASongListedTwiceIsCopiedOnce)
{
    CCopyNames names("/out");
    const auto path = [&](const QString& source) { return names.TargetFor(source).path; };
    EXPECT_EQ(path("/a/same.mp3"), "/out/same.mp3");
    EXPECT_EQ(path("/b/same.mp3"), "/out/same (2).mp3");
    EXPECT_EQ(path("/c/SAME.mp3"), "/out/SAME (3).mp3") << "one file on a FAT stick";
    EXPECT_EQ(path("/d/same (2).mp3"), "/out/same (2) (2).mp3");
    EXPECT_EQ(path("/e/noext"), "/out/noext");
    EXPECT_EQ(path("/f/noext"), "/out/noext (2)");
    EXPECT_TRUE(names.TargetFor("/b/same.mp3").path.isEmpty());
    EXPECT_FALSE(names.TargetFor("/g/other.mp3").renamed);
    EXPECT_TRUE(names.TargetFor("/h/other.mp3").renamed);
}

} // namespace
