#include "library/CGenres.h"
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
    Add({.title = QStringLiteral("The Wall")});
    Add({.title = QStringLiteral("theme")});
    Add({.title = QStringLiteral("Breathe")});
    Add({.title = QStringLiteral("Other")});
    const SSearchCriteria the{.title = QStringLiteral("the")};
    EXPECT_EQ(Find(the, Fast()), (QStringList{"The Wall", "theme"}));
    EXPECT_EQ(Find(the), (QStringList{"The Wall", "theme", "Breathe", "Other"}));
    EXPECT_EQ(Find(the, CaseSensitive()), (QStringList{"theme", "Breathe", "Other"}));
    EXPECT_EQ(Find({}, Fast()).size(), 4) << "no criteria: every song";
    EXPECT_EQ(Find({}).size(), 4);
}

TEST_F(SearchTest, AllLooksAtFileNamesOnlyInTheFastSearch)
{
    Add({.title = QStringLiteral("x"), .file = QStringLiteral("abba - gold.mp3")});
    Add({.title = QStringLiteral("y"), .artist = QStringLiteral("ABBA")});
    Add({.title = QStringLiteral("z"), .album = QStringLiteral("Best of abba")});
    const SSearchCriteria c{.title = QStringLiteral("ignored"), .all = QStringLiteral("abba")};
    EXPECT_EQ(Find(c, Fast()), (QStringList{"x", "y"}));
    EXPECT_EQ(Find(c), (QStringList{"y", "z"}));
}

TEST_F(SearchTest, CriteriaCombineAndGenreIsItsStoredNumber)
{
    Add({.title = QStringLiteral("a"),
         .artist = QStringLiteral("abba"),
         .album = QStringLiteral("gold"),
         .genre = QStringLiteral("(13)")});
    Add({.title = QStringLiteral("b"),
         .artist = QStringLiteral("abba"),
         .album = QStringLiteral("silver"),
         .genre = QStringLiteral("(13)")});
    Add({.title = QStringLiteral("c"),
         .artist = QStringLiteral("abba"),
         .album = QStringLiteral("gold"),
         .genre = QStringLiteral("(131)")});
    Add({.title = QStringLiteral("d"), .genre = QStringLiteral("(0)")});
    const SSearchCriteria c{.artist = QStringLiteral("ABBA"),
                            .album = QStringLiteral("gold"),
                            .genre = QStringLiteral("(13)")};
    EXPECT_EQ(Find(c, Fast()), QStringList{"a"});
    EXPECT_EQ(Find(c), QStringList{"a"});
    EXPECT_EQ(Find({.genre = CGenres::StoredForm(QStringLiteral("Blues"))}), QStringList{"d"});
    EXPECT_TRUE(CGenres::StoredForm(QStringLiteral("(NONE)")).isEmpty());
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
    Add({.title = QStringLiteral("in"),
         .file = QStringLiteral("one.mp3"),
         .path = QStringLiteral("/srv/Music/Jazz")});
    Add({.title = QStringLiteral("out"),
         .file = QStringLiteral("jazz.mp3"),
         .path = QStringLiteral("/srv/Music/Rock")});
    const SSearchCriteria c{.file = QStringLiteral("music/jazz")};
    EXPECT_TRUE(Find(c).isEmpty());
    EXPECT_EQ(Find(c, {.onPath = true}), QStringList{"in"});
    EXPECT_EQ(Find({.file = QStringLiteral("z/one.MP3")}, {.onPath = true}), QStringList{"in"});
    EXPECT_EQ(Find({.file = QStringLiteral("Jazz")}, {.caseSensitive = true, .onPath = true}),
              QStringList{"in"});
}

TEST_F(SearchTest, ApostrophesAndOtherAlphabetsFindWhatTheyShould)
{
    Add({.title = QStringLiteral("Rock 'n' Roll Train")});
    Add({.title = QStringLiteral("ÄRGER im Paradies")});
    Add({.title = QStringLiteral("ΣΟΦΙΑ")});
    Add({.title = QStringLiteral("Kelvin \u212A")}); // KELVIN SIGN folds to "k"
    Add({.title = QStringLiteral("x' OR '1'='1")});
    EXPECT_EQ(Find({.title = QStringLiteral("rock 'n'")}, Fast()),
              QStringList{"Rock 'n' Roll Train"});
    EXPECT_EQ(Find({.title = QStringLiteral("'n' roll")}), QStringList{"Rock 'n' Roll Train"});
    EXPECT_EQ(Find({.title = QStringLiteral("ärger")}, Fast()), QStringList{"ÄRGER im Paradies"});
    EXPECT_EQ(Find({.title = QStringLiteral("rger IM")}), QStringList{"ÄRGER im Paradies"});
    EXPECT_EQ(Find({.title = QStringLiteral("σοφ")}, Fast()), QStringList{"ΣΟΦΙΑ"});
    EXPECT_EQ(Find({.title = QStringLiteral("οφια")}), QStringList{"ΣΟΦΙΑ"});
    EXPECT_TRUE(Find({.title = QStringLiteral("οφια")}, CaseSensitive()).isEmpty());
    EXPECT_EQ(Find({.title = QStringLiteral("vin k")}), QStringList{"Kelvin \u212A"});
    EXPECT_EQ(Find({.all = QStringLiteral("x' OR '1'='1")}, Fast()), QStringList{"x' OR '1'='1"});
}

TEST_F(SearchTest, SubstringTestFoldsEachSideOnce)
{
    const CSubstringTest ascii(QStringLiteral("AbC"), false);
    EXPECT_TRUE(ascii.In("xxabcxx"));
    EXPECT_TRUE(ascii.In("ABC"));
    EXPECT_FALSE(ascii.In("ab"));
    const CSubstringTest umlaut(QStringLiteral("Ü"), false);
    EXPECT_FALSE(umlaut.In("u")) << "an ASCII text cannot hold a non-ASCII letter";
    EXPECT_TRUE(umlaut.In("gr\xC3\xBC\xC3\x9F")); // "grüß"
    EXPECT_TRUE(CSubstringTest(QString(), true).In(""));
}

TEST_F(SearchTest, AnEmptyResultLeavesTheSetReadyForLookups)
{
    const qint32 id = Add({.title = QStringLiteral("only")});
    EXPECT_TRUE(Find({.title = QStringLiteral("nothing")}, Fast()).isEmpty());
    EXPECT_TRUE(set.FindSongById(id));
    EXPECT_EQ(set.GetRecordCount(), 1);
    EXPECT_TRUE(Find({.title = QStringLiteral("nothing")}).isEmpty());
    EXPECT_EQ(set.GetRecordCount(), 1);
}

TEST_F(SearchTest, RowTestScansRunBesideOpenWalksAndOtherSets)
{
    Add({.title = QStringLiteral("a"), .artist = QStringLiteral("x")});
    Add({.title = QStringLiteral("b"), .artist = QStringLiteral("y")});
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
