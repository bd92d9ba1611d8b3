// The catalogue door: every commit is announced, and each model follows what concerns it.
#include "db/CCdlistSet.h"
#include "support/CCliRun.h"
#include "support/CDocFixture.h"

#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

class CatalogueTest : public ::testing::Test, protected CDocFixture
{
protected:
    CatalogueTest()
    {
        doc.Songs().RebuildColumns();
        a = AddSong("A", "One");
        b = AddSong("A", "Two");
        other = AddSong("B", "Three");
        Reload();
        for (const qint64 id : {a, b, other}) {
            doc.Songs().InsertSongRow(doc.Songs().RowCount(), *doc.Set().FindSongById(id));
            doc.Playlist().Append(QStringLiteral("entry"), id);
        }
        doc.TagForm().Show(*doc.Set().FindSongById(a));
    }
    QList<qint64> ListedIds()
    {
        QList<qint64> ids;
        for (int row = 0; row < doc.Songs().RowCount(); ++row)
            ids << doc.Songs().Id(row);
        return ids;
    }
    qint64 a = 0, b = 0, other = 0;
};

// A change is announced once, at its commit: a rolled-back one changes nothing shown.
TEST_F(CatalogueTest, AnUpdateIsFollowedByTheListThePlaylistAndTheTagFieldsAtItsCommit)
{
    SSongChanges title;
    title.Set(ESongColumn::TITLE, QStringLiteral("Uno"));
    title.Set(ESongColumn::LIST, QStringLiteral("Uno"));
    int changed = 0;
    QObject::connect(&doc.Catalogue(), &CCatalogue::SongsChanged, [&] { ++changed; });
    {
        CCatalogue::CChange change(doc.Catalogue());
        doc.Catalogue().Update(a, title);
        EXPECT_EQ(changed, 0) << "not before the commit";
    } // rolled back
    EXPECT_EQ(doc.Songs().Cell(0, 0), QStringLiteral("One"));
    {
        CCatalogue::CChange change(doc.Catalogue());
        doc.Catalogue().Update(a, title);
        change.Commit();
    }
    ASSERT_EQ(changed, 1);
    EXPECT_EQ(doc.Songs().Cell(0, 0), QStringLiteral("Uno"));
    EXPECT_EQ(doc.Playlist().Entry(0).text, QStringLiteral("Uno"));
    EXPECT_EQ(doc.TagForm().Text(CTagFormModel::EField::Title), QStringLiteral("Uno"));
}

TEST_F(CatalogueTest, ADeletionTakesTheSongOutOfEveryListAndTheCount)
{
    const qint64 count = doc.SongCount();
    doc.Catalogue().Delete(a);
    EXPECT_EQ(ListedIds(), (QList<qint64>{b, other}));
    EXPECT_EQ(doc.Playlist().Ids(), (QList<qint64>{b, other}));
    EXPECT_EQ(doc.TagForm().SongId(), -1) << "the fields no longer show it";
    EXPECT_EQ(doc.SongCount(), count - 1);

    doc.Songs().SortByColumn(0, false); // Two, Three: a sorted list loses rows too
    doc.Catalogue().DeleteWhere(CFilter::Exactly(ESongColumn::CD, QStringLiteral("A")));
    EXPECT_EQ(ListedIds(), QList<qint64>{other});
    EXPECT_EQ(doc.Playlist().Ids(), QList<qint64>{other});
    EXPECT_EQ(doc.Sessions().Names(), (QStringList{"A", "B"})) << "as long as nothing says so";
    doc.Catalogue().NoteSession(QStringLiteral("A"));
    EXPECT_EQ(doc.Sessions().Names(), QStringList{"B"});
    EXPECT_EQ(doc.SongCount(), 1);
}

// What another program commits (here the command line, through a connection of its own)
// is seen at the next look: new sessions are listed, changed rows show their new values.
TEST_F(CatalogueTest, AnotherProgramsCommitIsFollowed)
{
    doc.Catalogue().Watch(true);
    EXPECT_FALSE(doc.Catalogue().LookForOtherWriters());
    const SCliRun gone = SCliRun::Run(env.DataDir(), {"--yes", "delete-session", "B"});
    ASSERT_EQ(gone.status, 0) << gone.err.toStdString();
    QEventLoop loop;
    bool seen = false;
    QObject::connect(&doc.Catalogue(), &CCatalogue::ChangedElsewhere, &loop, [&] {
        seen = true;
        loop.quit();
    });
    QTimer::singleShot(3000, &loop, &QEventLoop::quit);
    loop.exec();
    ASSERT_TRUE(seen) << "within a second";
    EXPECT_EQ(doc.Sessions().Names(), QStringList{"A"});
    EXPECT_EQ(ListedIds(), (QList<qint64>{a, b}));
    EXPECT_EQ(doc.Playlist().Ids(), (QList<qint64>{a, b}));
}

} // namespace
