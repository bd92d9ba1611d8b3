#include "PlaylistFixture.h"
#include "db/CDatabase.h"
#include "platform/CSettings.h"
#include "playlist/CFileCopier.h"

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
    ops.AddRows({});
    EXPECT_EQ(playlist.Count(), 0);
    EXPECT_FALSE(playlist.Changed());

    const qint32 a = AddSong("CD1", "/m", "a.mp3");
    const qint32 b = AddSong("CD1", "/m", "b.mp3");
    ListSongs({a, b});
    ops.AddRows({1, 0, 2}); // in the order given; a row beyond the list is skipped
    ops.AddAll();
    EXPECT_EQ(PlaylistTexts(), QStringList({"b", "a", "a", "b"}));
    EXPECT_EQ(playlist.Ids(), QList<qint32>({b, a, a, b}));
    EXPECT_TRUE(playlist.Changed());

    playlist.SetChanged(false);
    ops.Remove(-1); // none selected: still counts as a change
    EXPECT_EQ(playlist.Count(), 4);
    EXPECT_TRUE(playlist.Changed());
    ops.Remove(1);
    EXPECT_EQ(playlist.Ids(), QList<qint32>({b, a, b}));
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

    CSettings::SetInt("AutoUpd", 1);
    EXPECT_TRUE(ops.RemoveByDoubleClick(1));
    EXPECT_EQ(playlist.Ids(), QList<qint32>({2}));
    EXPECT_FALSE(ops.RemoveByDoubleClick(0)); // the last entry: nothing to send
    EXPECT_FALSE(playlist.Changed());
}

TEST_F(PlaylistOperationsTest, ExportWritesOnePathPerLineSkippingDeletedSongs)
{
    const qint32 a = AddSong("CD1", "/music/It's", "Café – été.mp3");
    const qint32 gone = AddSong("CD1", "/music", "gone.mp3");
    const qint32 c = AddSong("CD2", "/", "root.mp3");
    set.FindSongById(gone);
    set.Delete();
    AddEntries({a, gone, c, a});
    CSettings::SetInt("PlaylistUsed", 5);
    const QString file = f.env.Root() + "/list.m3u";

    EXPECT_TRUE(ops.ExportM3u(file));
    EXPECT_EQ(ReadAll(file), QString("/music/It's/Café – été.mp3\r\n/root.mp3\r\n"
                                     "/music/It's/Café – été.mp3\r\n")
                                 .toUtf8());
    EXPECT_EQ(CSettings::Int("PlaylistUsed", 0), 8);
    EXPECT_TRUE(f.prompts.messages.isEmpty());
}

TEST_F(PlaylistOperationsTest, ExportRefusesAnEmptyPlaylistAndReportsUnwritableFiles)
{
    const QString file = f.env.Root() + "/list.m3u";
    EXPECT_FALSE(ops.ExportM3u(file));
    ASSERT_EQ(f.prompts.messages.size(), 1);
    EXPECT_EQ(f.prompts.messages[0].text, "There are no songs to put in the list!");
    EXPECT_EQ(f.prompts.messages[0].caption, "No music!");
    EXPECT_EQ(f.prompts.messages[0].icon, CPrompts::EIcon::Error);
    EXPECT_FALSE(QFile::exists(file));

    AddEntries({AddSong("CD1", "/m", "a.mp3")});
    const QString blocked = f.env.Root() + "/no/such/folder/list.m3u";
    EXPECT_FALSE(ops.ExportM3u(blocked));
    ASSERT_EQ(f.prompts.messages.size(), 2);
    EXPECT_TRUE(f.prompts.messages[1].text.contains(blocked));
    EXPECT_EQ(f.prompts.messages[1].caption, "File Error");
    EXPECT_EQ(CSettings::Int("PlaylistUsed", 0), 0);
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
    SPlaylistGroups Group(const QList<qint32>& ids)
    {
        ops.Clear();
        AddEntries(ids);
        SPlaylistGroups groups;
        EXPECT_TRUE(ops.GroupForCopy(groups));
        return groups;
    }
};

TEST_F(GroupingTest, ExactlyTheLimitsGroupCompletely)
{
    CDatabase::CTransaction transaction(f.doc.Database());
    QList<qint32> ids = AddSession("Big", 2500);
    for (int s = 1; s < 50; ++s)
        ids << AddSession(QString("S%1").arg(s), 1);
    transaction.Commit();

    const SPlaylistGroups groups = Group(ids);
    EXPECT_EQ(groups.limit, SPlaylistGroups::ELimit::None);
    EXPECT_EQ(groups.groups.size(), 50);
    EXPECT_EQ(groups.groups[0].paths[7], "/m/Big/7.mp3");
    EXPECT_EQ(groups.SongCount(), 2549);
    EXPECT_TRUE(f.prompts.messages.isEmpty());
}

TEST_F(GroupingTest, OneMoreSongOrSessionStopsWithItsMessage)
{
    CDatabase::CTransaction transaction(f.doc.Database());
    QList<qint32> big = AddSession("Big", 2501);
    QList<qint32> many;
    for (int s = 0; s < 51; ++s)
        many << AddSession(QString("S%1").arg(s), 1);
    const qint32 lower = AddSong("s0", "/m", "case.mp3"); // differs from "S0" only by case
    transaction.Commit();

    big.append(many.first()); // after the limit: not gathered
    SPlaylistGroups groups = Group(big);
    EXPECT_EQ(groups.limit, SPlaylistGroups::ELimit::TooManySongs);
    ASSERT_EQ(groups.groups.size(), 1);
    EXPECT_EQ(groups.groups[0].paths.size(), 2500);
    ASSERT_EQ(f.prompts.messages.size(), 1);
    EXPECT_EQ(f.prompts.messages[0].text,
              "The Playlist Can Contain Maximum\n2500 Songs From One Session");
    EXPECT_EQ(f.prompts.messages[0].caption, "Error - Limit Reached");

    many.insert(1, lower);
    groups = Group(many);
    EXPECT_EQ(groups.limit, SPlaylistGroups::ELimit::TooManySessions);
    EXPECT_EQ(groups.groups.size(), 50);
    EXPECT_EQ(groups.groups[1].session, "s0");
    ASSERT_EQ(f.prompts.messages.size(), 2);
    EXPECT_EQ(f.prompts.messages[1].text,
              "The Playlist Can Contain Songs From\nMaximum 50 Different Sessions");
}

QByteArray Bytes(int size)
{
    QByteArray data(size, '\0');
    for (int i = 0; i < size; ++i)
        data[i] = char(i * 7 + i / 251);
    return data;
}

TEST(FileCopierTest, CopiesExactlyInBlocksOfTenThousandBytes)
{
    CTestEnvironment env;
    for (int size : {0, 1, 9999, 10000, 10001, 25000}) {
        const QString source = env.WriteFile(QString("in/%1.mp3").arg(size), Bytes(size));
        const QString target = env.MakeDir("out") + QString("/%1.mp3").arg(size);
        QList<qint64> steps;
        QString error;
        ASSERT_TRUE(CFileCopier::Copy(
            source, target, [&](qint64 done, qint64) { steps << done; }, error))
            << error.toStdString();
        EXPECT_EQ(ReadAll(target), Bytes(size)) << size;
        EXPECT_EQ(steps.size(), (size + CFileCopier::kBlockSize - 1) / CFileCopier::kBlockSize);
        if (!steps.isEmpty())
            EXPECT_EQ(steps.last(), size);
    }
}

TEST(FileCopierTest, FailuresNameTheFileAndNeverHarmWhatIsThere)
{
    CTestEnvironment env;
    const QString source = env.WriteFile("in/a.mp3", Bytes(5));
    QString error;
    EXPECT_FALSE(CFileCopier::Copy(env.Root() + "/in/none.mp3", env.Root() + "/x.mp3", {}, error));
    EXPECT_TRUE(error.contains("none.mp3"));
    EXPECT_FALSE(CFileCopier::Copy(source, env.Root() + "/no/dir/a.mp3", {}, error));
    EXPECT_TRUE(error.contains("/no/dir/a.mp3"));

    // Onto itself: the file stays whole.
    EXPECT_TRUE(CFileCopier::Copy(source, env.Root() + "/in/../in/a.mp3", {}, error));
    EXPECT_EQ(ReadAll(source), Bytes(5));
}

} // namespace
