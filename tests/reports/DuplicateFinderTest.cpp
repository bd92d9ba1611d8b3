#include "reports/CDuplicateFinder.h"
#include "reports/ReportsFixture.h"

#include <QFile>

namespace {

class DuplicateFinderTest : public ReportsFixture
{
protected:
    QStringList Texts(const CDuplicateFinder& finder)
    {
        QStringList texts;
        for (const CDuplicateFinder::SEntry& entry : finder.Group())
            texts << entry.Text();
        return texts;
    }
};

TEST_F(DuplicateFinderTest, OneSongFinishesAtOnceAndAGoneSongEndsAPress)
{
    Add({.title = "A", .file = "a.mp3"});
    CDuplicateFinder finder(f.doc);
    EXPECT_EQ(finder.Total(), 1);
    EXPECT_EQ(finder.Next(), CDuplicateFinder::EStep::Finished);
    EXPECT_EQ(finder.NextIndex(), 0);
    EXPECT_TRUE(finder.Group().isEmpty());

    // A song deleted meanwhile matches nothing: that press ends with an empty list.
    const QString dir = f.env.MakeDir("u");
    f.env.WriteFile("u/b.mp3", "b");
    const qint64 b = Add({.title = "B", .file = "b.mp3", .path = dir});
    CDuplicateFinder again(f.doc);
    f.prompts.answers << CPrompts::EAnswer::Yes;
    ASSERT_TRUE(again.Delete(b, f.prompts));
    EXPECT_EQ(again.Next(), CDuplicateFinder::EStep::Empty);
    EXPECT_EQ(again.CurrentName(), "b.mp3");
    EXPECT_EQ(again.Next(), CDuplicateFinder::EStep::Finished);
}

TEST_F(DuplicateFinderTest, SameNameInTwoFoldersIsOneGroupListedOncePerRound)
{
    const QString one = f.env.MakeDir("one");
    f.env.WriteFile("one/Song.mp3", "12345");
    Add({.title = "X", .file = "Song.mp3", .path = one});
    Add({.title = "Y", .file = "other.mp3"});
    Add({.title = "Z", .file = "song.MP3", .path = "/gone"}); // the database ignores case
    CDuplicateFinder finder(f.doc);
    ASSERT_EQ(finder.Next(), CDuplicateFinder::EStep::Group);
    EXPECT_EQ(finder.CurrentName(), "Song.mp3");
    EXPECT_EQ(finder.NextIndex(), 1);
    const QStringList group = {one + "/Song.mp3 (5)", "/gone/song.MP3 (Unknown)"};
    EXPECT_EQ(Texts(finder), group);
    // Its other member finds the same group: not listed again.
    EXPECT_EQ(finder.Next(), CDuplicateFinder::EStep::Finished);
    EXPECT_EQ(finder.Next(), CDuplicateFinder::EStep::Group); // round again
}

TEST_F(DuplicateFinderTest, ApostropheTitleIsMatchedExactly)
{
    const qint64 a = Add({.title = "Don't Stop", .file = "a.mp3"});
    Add({.title = "don't stop", .file = "b.mp3"});
    const qint64 c = Add({.title = "Don't Stop", .file = "c.mp3"});
    Add({.title = "Dont Stop", .file = "d.mp3"});
    Add({.title = "dont stop", .file = "e.mp3"});
    CDuplicateFinder finder(f.doc);
    ASSERT_EQ(finder.Next(), CDuplicateFinder::EStep::Group);
    ASSERT_EQ(finder.Group().size(), 2);
    EXPECT_EQ(finder.Group()[0].id, a);
    EXPECT_EQ(finder.Group()[1].id, c);
    ASSERT_EQ(finder.Next(), CDuplicateFinder::EStep::Group); // without an apostrophe: by case
    EXPECT_EQ(finder.CurrentName(), "d.mp3");
    EXPECT_EQ(finder.Group().size(), 2);
}

TEST_F(DuplicateFinderTest, EmptyTitlesAndEmptyFileNamesMatchNothing)
{
    const auto nameless = [this](const char* title) {
        SSong song = STestSong{.title = title}.Song();
        song.m_MELODI.clear();
        return set.Insert(song);
    };
    const qint64 a = Add({.title = "", .file = "a.mp3"});
    const qint64 b = Add({.title = "", .file = "a.mp3", .path = "/other"});
    Add({.title = "", .file = "c.mp3"});
    const qint64 x = nameless("X");
    nameless("Y");
    const qint64 other = Add({.title = "X", .file = "x.mp3"});
    CDuplicateFinder finder(f.doc);
    QList<QList<qint64>> groups;
    while (finder.Next() != CDuplicateFinder::EStep::Finished) {
        QList<qint64> ids;
        for (const CDuplicateFinder::SEntry& entry : finder.Group())
            ids << entry.id;
        groups << ids;
    }
    EXPECT_EQ(groups, (QList<QList<qint64>>{{a, b}, {x, other}}));
}

TEST_F(DuplicateFinderTest, SongsWrittenByAnotherProgramNotFoldedYetAreGrouped)
{
    // Rows another tool wrote without the title's lower-case copy (too long: its triggers
    // leave it to the next start).
    CStatement insert(f.doc.Database(), "INSERT INTO Songs(CD, PATH, MELODI, TITLE) VALUES('S', "
                                        "'/x', ?, ? || 'é' || printf('%.1001c', 'x'))");
    QList<qint64> ids;
    for (const char* title : {"Night", "NIGHT"}) {
        insert.BindText(1, QString::number(ids.size()) + ".mp3").BindText(2, title).Step();
        insert.Reset();
        ids << f.doc.Database().LastInsertId();
    }
    CDuplicateFinder finder(f.doc);
    ASSERT_EQ(finder.Next(), CDuplicateFinder::EStep::Group);
    ASSERT_EQ(finder.Group().size(), 2);
    EXPECT_EQ(finder.Group()[1].id, ids[1]);
    EXPECT_EQ(finder.Next(), CDuplicateFinder::EStep::Finished);
}

TEST_F(DuplicateFinderTest, DeleteRemovesTheFileAndSongOrReportsWhyNot)
{
    const QString dir = f.env.MakeDir("d");
    const QString kept = f.env.WriteFile("d/a.mp3", "a");
    const QString doomed = f.env.WriteFile("d/b.mp3", "bb");
    const qint64 a = Add({.title = "Same", .file = "a.mp3", .path = dir});
    const qint64 b = Add({.title = "Same", .file = "b.mp3", .path = dir});
    const qint64 missing = Add({.title = "Same", .file = "c.mp3", .path = "/nowhere"});
    f.Reload();
    f.doc.SetCurrentSong(b);
    CDuplicateFinder finder(f.doc);
    ASSERT_EQ(finder.Next(), CDuplicateFinder::EStep::Group);

    EXPECT_FALSE(finder.Delete(b, f.prompts)); // "No"
    ASSERT_EQ(f.prompts.messages.size(), 1);
    EXPECT_EQ(f.prompts.messages[0].text,
              "Are you sure that you want to delete the file:\n" + doomed);
    EXPECT_EQ(f.prompts.messages[0].caption, "Confirm Removal");
    EXPECT_EQ(f.prompts.messages[0].icon, CPrompts::EIcon::Exclamation);
    EXPECT_TRUE(QFile::exists(doomed));

    f.prompts.answers << CPrompts::EAnswer::Yes << CPrompts::EAnswer::Yes;
    f.doc.Playlist().Append({{"b", b}, {"a", a}});
    EXPECT_TRUE(finder.Delete(b, f.prompts));
    EXPECT_EQ(f.doc.Playlist().Ids(), QList<qint64>{a}) << "gone from the playlist too";
    EXPECT_FALSE(QFile::exists(doomed));
    EXPECT_FALSE(set.FindSongById(b));
    EXPECT_EQ(f.doc.SongCount(), 2);
    EXPECT_EQ(f.doc.CurrentSong(), -1);
    EXPECT_EQ(finder.Deleted(), 1);
    EXPECT_EQ(finder.Group().size(), 2);

    EXPECT_FALSE(finder.Delete(missing, f.prompts));
    EXPECT_EQ(f.prompts.messages.last().text, "An error occurred while trying to remove the file.");
    EXPECT_EQ(f.prompts.messages.last().caption, "Error");
    EXPECT_EQ(f.prompts.messages.last().icon, CPrompts::EIcon::Error);
    EXPECT_TRUE(set.FindSongById(missing));
    EXPECT_TRUE(QFile::exists(kept));
    EXPECT_EQ(finder.Deleted(), 1);

    // The deleted song's entry and the third one find the two left: that group was on
    // show already.
    EXPECT_EQ(finder.Next(), CDuplicateFinder::EStep::Finished);
}

} // namespace
