#include "db/CGenres.h"
#include "library/CSearch.h"
#include "library/LibraryFixture.h"

#include <QSet>

namespace {

class SearchTest : public LibraryFixture
{
protected:
    QStringList Find(const SSearchCriteria& c, SSearchOptions o = {})
    {
        QStringList titles;
        CSearch::Run(set, c, o, [&](const CCdlistSet::CScanRow& row) {
            set.LoadRecord(row);
            titles << set.m_TITLE;
        });
        EXPECT_TRUE(set.Filter().IsEmpty());
        EXPECT_EQ(set.Sort(), ESongColumn::ID);
        return titles;
    }
    static SSearchOptions Fast() { return {.fast = true}; }
    static SSearchOptions CaseSensitive() { return {.caseSensitive = true}; }
};

TEST_F(SearchTest, FastMatchesPrefixesFullMatchesSubstrings)
{
    for (const char* title : {"The Wall", "theme", "Breathe", "Other"})
        Add({.title = title});
    const SSearchCriteria the{.title = "the"};
    EXPECT_EQ(Find(the, Fast()), (QStringList{"The Wall", "theme"}));
    EXPECT_EQ(Find(the), (QStringList{"The Wall", "theme", "Breathe", "Other"}));
    EXPECT_EQ(Find(the, CaseSensitive()), (QStringList{"theme", "Breathe", "Other"}));
    EXPECT_EQ(Find({}, Fast()).size(), 4) << "no criteria: every song";
    EXPECT_EQ(Find({}).size(), 4);
}

TEST_F(SearchTest, AllLooksAtFileNamesOnlyInTheFastSearch)
{
    Add({.title = "x", .file = "abba - gold.mp3"});
    Add({.title = "y", .artist = "ABBA"});
    Add({.title = "z", .album = "Best of abba"});
    const SSearchCriteria c{.title = "ignored", .all = "abba"};
    EXPECT_EQ(Find(c, Fast()), (QStringList{"x", "y"}));
    EXPECT_EQ(Find(c), (QStringList{"y", "z"}));
}

TEST_F(SearchTest, CriteriaCombineAndGenreIsItsStoredNumber)
{
    Add({.title = "a", .artist = "abba", .album = "gold", .genre = "(13)"});
    Add({.title = "b", .artist = "abba", .album = "silver", .genre = "(13)"});
    Add({.title = "c", .artist = "abba", .album = "gold", .genre = "(131)"});
    Add({.title = "d", .genre = "(0)"});
    const SSearchCriteria c{.artist = "ABBA", .album = "gold", .genre = "(13)"};
    EXPECT_EQ(Find(c, Fast()), QStringList{"a"});
    EXPECT_EQ(Find(c), QStringList{"a"});
    EXPECT_EQ(Find({.genre = CGenres::StoredForm("Blues")}), QStringList{"d"});
    EXPECT_TRUE(CGenres::StoredForm("(NONE)").isEmpty());
    EXPECT_EQ(CGenres::Name(125), QStringLiteral("Dance Hall"));
    EXPECT_TRUE(CGenres::Name(126).isEmpty());
    const QStringList names = CGenres::Names();
    EXPECT_EQ(QSet<QString>(names.begin(), names.end()).size(), 126);
    const QStringList listed = CGenres::SortedNames(true);
    EXPECT_EQ(listed.size(), 127);
    EXPECT_EQ(listed.first(), QStringLiteral("(NONE)")) << "sorted alphabetically";
}

TEST_F(SearchTest, FileCriterionSeesTheFolderWithSearchOnPath)
{
    Add({.title = "in", .file = "one.mp3", .path = "/srv/Music/Jazz"});
    Add({.title = "out", .file = "jazz.mp3", .path = "/srv/Music/Rock"});
    const SSearchCriteria c{.file = "music/jazz"};
    EXPECT_TRUE(Find(c).isEmpty());
    EXPECT_EQ(Find(c, {.onPath = true}), QStringList{"in"});
    EXPECT_EQ(Find({.file = "z/one.MP3"}, {.onPath = true}), QStringList{"in"});
    EXPECT_EQ(Find({.file = "Jazz"}, {.caseSensitive = true, .onPath = true}), QStringList{"in"});
}

TEST_F(SearchTest, ApostrophesAndOtherAlphabetsFindWhatTheyShould)
{
    Add({.title = "Rock 'n' Roll Train"});
    Add({.title = "ÄRGER im Paradies"});
    Add({.title = "ΣΟΦΙΑ"});
    Add({.title = "Kelvin \u212A"}); // KELVIN SIGN folds to "k"
    Add({.title = "x' OR '1'='1"});
    EXPECT_EQ(Find({.title = "rock 'n'"}, Fast()), QStringList{"Rock 'n' Roll Train"});
    EXPECT_EQ(Find({.title = "'n' roll"}), QStringList{"Rock 'n' Roll Train"});
    EXPECT_EQ(Find({.title = "ärger"}, Fast()), QStringList{"ÄRGER im Paradies"});
    EXPECT_EQ(Find({.title = "rger IM"}), QStringList{"ÄRGER im Paradies"});
    EXPECT_EQ(Find({.title = "σοφ"}, Fast()), QStringList{"ΣΟΦΙΑ"});
    EXPECT_EQ(Find({.title = "οφια"}), QStringList{"ΣΟΦΙΑ"});
    EXPECT_TRUE(Find({.title = "οφια"}, CaseSensitive()).isEmpty());
    EXPECT_EQ(Find({.title = "vin k"}), QStringList{"Kelvin \u212A"});
    EXPECT_EQ(Find({.all = "x' OR '1'='1"}, Fast()), QStringList{"x' OR '1'='1"});
}

TEST_F(SearchTest, AnEmptyResultLeavesTheSetReadyForLookups)
{
    const qint32 id = Add({.title = "only"});
    EXPECT_TRUE(Find({.title = "nothing"}, Fast()).isEmpty());
    EXPECT_TRUE(set.FindSongById(id));
    EXPECT_EQ(set.GetRecordCount(), 1);
    EXPECT_TRUE(Find({.title = "nothing"}).isEmpty());
    EXPECT_EQ(set.GetRecordCount(), 1);
}

TEST_F(SearchTest, RowTestScansRunBesideOpenWalksAndOtherSets)
{
    Add({.title = "a", .artist = "x"});
    Add({.title = "b", .artist = "y"});
    CCdlistSet other;
    other.Open(doc.Database());
    set.Requery(); // a walk is open on the connection
    const auto titles = [](CCdlistSet& s, const char* artist) {
        QStringList found;
        s.Scan(
            {ESongColumn::ARTIST}, [artist](const std::string_view* v) { return v[0] == artist; },
            [&found](const CCdlistSet::CScanRow& row) {
                found << row.Text(ESongColumn::TITLE);
                return true;
            });
        return found;
    };
    EXPECT_EQ(titles(set, "x"), QStringList{"a"});
    EXPECT_EQ(titles(other, "y"), QStringList{"b"});
    EXPECT_EQ(titles(set, "y"), QStringList{"b"});
}

} // namespace
