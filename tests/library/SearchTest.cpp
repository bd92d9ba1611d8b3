#include "db/CGenres.h"
#include "library/CSearch.h"
#include "library/LibraryFixture.h"

#include <QSet>
#include <random>

namespace {

class SearchTest : public LibraryFixture
{
protected:
    QStringList Find(const SSearchCriteria& c, SSearchOptions o = {})
    {
        QStringList titles;
        CSearch::Run(set, c, o, [&](const SSong& song) { titles << song.m_TITLE; });
        return titles;
    }
    QStringList Titles(const std::vector<qint64>& ids)
    {
        QStringList titles;
        for (const qint64 id : ids)
            titles << set.FindSongById(id).value_or(SSong()).m_TITLE;
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

// Each face folds the text typed as the catalogue folds its own: accents and case alike in a
// new catalogue, case alone once the switch is off; the list shows the texts as they are.
TEST_F(SearchTest, AccentsFoldLikeCaseUntilTheCatalogueKeepsThem)
{
    Add({.title = "Björk live", .artist = "Sigur Rós"});
    Add({.title = "Bjork Park"});
    Add({.title = "Bjo\u0308rn"}); // written decomposed
    Add({.title = "Øresund"});
    const QStringList both = {"Björk live", "Bjork Park"};
    for (const QString x : {"bjork", "BJÖRK", "björk"}) {
        EXPECT_EQ(Find({.title = x}), both) << x.toStdString();
        EXPECT_EQ(Find({.all = x}), both);
        EXPECT_EQ(Find({.title = x}, Fast()), both);
        EXPECT_EQ(Titles(CSearch::IndexedIds(set, {.all = x}, {}).value()), both);
    }
    EXPECT_EQ(Find({.artist = "ROS"}), QStringList{"Björk live"});
    EXPECT_EQ(Find({.title = "björn"}), QStringList{"Bjo\u0308rn"});
    EXPECT_TRUE(Find({.title = "oresund"}).isEmpty()) << "ø is no o with an accent";
    EXPECT_EQ(Find({.title = "Björk"}, CaseSensitive()), QStringList{"Björk live"});
    ops.Search({.title = "BJORK"});
    EXPECT_EQ(doc.Songs().RowCount(), 2) << "the window's search";

    ASSERT_TRUE(ops.SetIgnoreAccents(false));
    EXPECT_FALSE(doc.Database().Folding().Accents());
    EXPECT_EQ(Find({.title = "bjork"}), QStringList{"Bjork Park"});
    EXPECT_EQ(Find({.title = "BJÖRK"}, Fast()), QStringList{"Björk live"});
    EXPECT_EQ(Titles(CSearch::IndexedIds(set, {.all = "björk"}, {}).value()),
              QStringList{"Björk live"});
    EXPECT_TRUE(Find({.title = "bjorn"}).isEmpty());
}

// "All" looks at the name in the list too: an untagged song's is its file name's.
TEST_F(SearchTest, AllFindsAnUntaggedSongByItsNameInTheList)
{
    const qint64 untagged = Add({.file = "01_Morning_Glory.mp3", .list = "Morning Glory"});
    Add({.title = "Other", .file = "morning_glory_again.mp3"});
    Add({.title = "GLORY days"});
    const SSearchCriteria c{.all = "ning GLO"};
    std::vector<qint64> found;
    CSearch::Run(set, c, {}, [&](const SSong& song) { found.push_back(song.m_ID); });
    EXPECT_EQ(found, std::vector<qint64>{untagged});
    EXPECT_EQ(CSearch::IndexedIds(set, c, {}), std::vector<qint64>{untagged});
    EXPECT_EQ(Find({.all = "glory"}).size(), 2) << "the file name itself is not searched";
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
    const qint64 id = Add({.title = "only"});
    EXPECT_TRUE(Find({.title = "nothing"}, Fast()).isEmpty());
    EXPECT_TRUE(set.FindSongById(id));
    EXPECT_EQ(set.CountAll(), 1);
    EXPECT_TRUE(Find({.title = "nothing"}).isEmpty());
    EXPECT_EQ(set.CountAll(), 1);
}

TEST_F(SearchTest, RowTestScansRunBesideOpenWalksAndOtherSets)
{
    Add({.title = "a", .artist = "x"});
    Add({.title = "b", .artist = "y"});
    CCdlistSet other;
    other.Open(doc.Database());
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
    // A walk is open on the connection while the others run.
    set.Walk(CFilter(), [&](const SSong&) {
        EXPECT_EQ(titles(set, "x"), QStringList{"a"});
        EXPECT_EQ(titles(other, "y"), QStringList{"b"});
        EXPECT_EQ(titles(set, "y"), QStringList{"b"});
        return false;
    });
}

// The substring index must give what reading every row gives: over mixed scripts and
// case, with criteria of every length, each option, and criteria taken from the rows.
TEST_F(SearchTest, IndexAnswersAsAFullScanOverMixedScriptsAndCase)
{
    const QStringList words = {
        "Straße", "STRASSE",    "ΣΟΦΙΑ",  "σοφίας",      "Θάλασσα",       "İstanbul",   "ırmak",
        "Ärger",  "été",        "Москва", "東京タワー",  "Kelvin \u212A", "\u01C5emal", "\uFB01re",
        "café",   "cafe\u0301", "love",   "NIGHT",       "rock 'n' roll", "say \"hi\"", "🎵 beat",
        "Ελλάς",  "ΜΟΥΣΙΚΗ",    "dream",  "x' OR '1'='1"};
    std::mt19937 rng(7);
    const auto pick = [&](int n) { return int(rng() % unsigned(n)); };
    const auto shuffleCase = [&](const QString& w) {
        switch (pick(3)) {
        case 0:
            return w.toUpper();
        case 1:
            return w.toLower();
        default:
            return w;
        }
    };
    const auto phrase = [&] {
        QString p = shuffleCase(words[pick(int(words.size()))]);
        for (int n = pick(3); n > 0; --n)
            p += u' ' + shuffleCase(words[pick(int(words.size()))]);
        return p;
    };
    QStringList texts;
    for (int i = 0; i < 800; ++i) {
        const STestSong song{.title = phrase() + QString::number(i),
                             .artist = phrase(),
                             .album = phrase(),
                             .file = phrase() + QStringLiteral(".mp3"),
                             .path = u'/' + phrase(),
                             .genre = QStringLiteral("(%1)").arg(pick(20))};
        texts << song.title << song.artist << song.album << song.file;
        Add(song);
    }
    // Criteria: fixed ones across scripts, and pieces of stored texts in another case.
    QStringList criteria = {"ß",   "ss",  "SS",      "σας",  "ΣΟΦ",  "İ",   "i̇s",     "fi",
                            "é",   "ÉTÉ", "e\u0301", "\"hi", "k k",  "🎵 b", "' or '", "tower",
                            "ίας", "aße", "ΆΛΑΣ",    "ﬁre",  "FIRE", "ǆem"};
    for (int i = 0; i < 60; ++i) {
        const QList<uint> text = texts[pick(int(texts.size()))].toUcs4();
        const int length = 1 + pick(6);
        const int from = pick(std::max(1, int(text.size()) - length));
        const QList<uint> piece = text.mid(from, length);
        criteria << shuffleCase(
            QString::fromUcs4(reinterpret_cast<const char32_t*>(piece.constData()), piece.size()));
    }
    int nonEmpty = 0, fromIndexAlone = 0;
    for (const QString& x : criteria) {
        const SSearchCriteria forms[] = {{.title = x},
                                         {.artist = x},
                                         {.album = x},
                                         {.file = x},
                                         {.all = x},
                                         {.title = x, .artist = x.left(2)},
                                         {.title = x, .genre = "(1"},
                                         {.album = x, .file = x}};
        for (const SSearchCriteria& c : forms) {
            for (const SSearchOptions& o : {SSearchOptions{}, SSearchOptions{.caseSensitive = true},
                                            SSearchOptions{.onPath = true}}) {
                SSearchOptions scan = o;
                scan.useIndex = false;
                const QStringList expected = Find(c, scan);
                nonEmpty += expected.isEmpty() ? 0 : 1;
                ASSERT_EQ(Find(c, o).join(u'|').toStdString(), expected.join(u'|').toStdString())
                    << x.toStdString() << " case " << o.caseSensitive << " path " << o.onPath;
                if (const auto ids = CSearch::IndexedIds(set, c, o)) {
                    ++fromIndexAlone;
                    ASSERT_EQ(Titles(*ids).join(u'|').toStdString(),
                              expected.join(u'|').toStdString())
                        << "index alone: " << x.toStdString() << " path " << o.onPath;
                }
            }
        }
    }
    EXPECT_GT(nonEmpty, 500) << "the criteria find songs";
    EXPECT_GT(fromIndexAlone, 200) << "the index answers alone where it can";
}

} // namespace
