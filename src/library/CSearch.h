#pragma once

#include "db/CCdlistSet.h"
#include "db/CFilter.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The texts typed into the search fields; genre in its stored form ("(17)"), empty for
// no genre.
struct SSearchCriteria
{
    QString title{};
    QString artist{};
    QString album{};
    QString file{};
    QString all{};
    QString genre{};
};

struct SSearchOptions
{
    bool fast = false;          // FastSearch: the database compares prefixes
    bool caseSensitive = false; // Case (full search only)
    bool onPath = false;        // SearchOnPath: the file criterion sees the full path
    // Full search: candidates from the substring index where a criterion has three
    // characters or more (off: every row is tested, to check the index against).
    bool useIndex = true;

    static SSearchOptions FromSettings();
};

// "Does this UTF-8 text contain the criterion?", with the criterion folded once. Without
// case sensitivity both sides are compared folded as the catalogue folds (case, and accents
// where it folds them), for every alphabet; ASCII texts take a byte-wise fast path.
class CSubstringTest
{
public:
    CSubstringTest(const QString& criterion, bool caseSensitive, CTextFold fold = CTextFold());
    bool IsEmpty() const { return m_empty; }
    bool In(std::string_view utf8) const;

private:
    bool m_empty;
    bool m_caseSensitive;
    bool m_asciiCriterion;
    CTextFold m_fold;
    QString m_folded;
    QByteArray m_bytes; // the criterion as compared: folded unless case-sensitive
    mutable std::string m_buffer;
};

// The search over the whole song table, each in one streaming query. Fast: the database
// compares case-insensitive prefixes, values bound. Full: the substring index names the
// candidates (every row when it cannot help), and each is tested for substrings here.
class CSearch
{
public:
    // Called with each found row, in ID order.
    using FoundFn = std::function<void(const CCdlistSet::CScanRow&)>;

    // Returns the number of songs found. Throws CDbException.
    static int Run(CCdlistSet& set, const SSearchCriteria& criteria, const SSearchOptions& options,
                   const FoundFn& found);
    // The same with each found song as a value (LYRICS left empty).
    using FoundRecordFn = std::function<void(const SSong&)>;
    static int Run(CCdlistSet& set, const SSearchCriteria& criteria, const SSearchOptions& options,
                   const FoundRecordFn& found);
    // Whether the criteria are all empty: every song is found.
    static bool IsEverything(const SSearchCriteria& criteria);
    // The fast search's condition.
    static CFilter FastFilter(const SSearchCriteria& criteria);
    // The IDs of the songs a full search finds, in ID order, from the substring index
    // alone, when its answer is the search's answer (no case sensitivity, no genre, every
    // criterion of three characters or more, the file criterion without the folder), and
    // every song's when there is no criterion at all; nothing otherwise. Throws
    // CDbException.
    static std::optional<std::vector<qint64>>
    IndexedIds(CCdlistSet& set, const SSearchCriteria& criteria, const SSearchOptions& options);

private:
    static int RunFast(CCdlistSet& set, const SSearchCriteria& criteria, const FoundFn& found);
    static int RunFull(CCdlistSet& set, const SSearchCriteria& criteria,
                       const SSearchOptions& options, const FoundFn& found);
    // The substring index's query for the criteria it can answer (empty when none);
    // `exact` says whether it answers all of them (for "All", with ListNamedIds).
    static QString IndexQuery(const SSearchCriteria& criteria, const SSearchOptions& options,
                              bool& exact);
    // The songs whose name in the list holds the text and is not their title (which the
    // index answers for), in ID order: their list names are read, through the substring
    // index's candidates when they are many. Throws CDbException.
    static std::vector<qint64> ListNamedIds(CCdlistSet& set, const QString& text);
    // The index's query for the songs whose list name may hold the text: a list name that
    // is not the title is the file name without the type (underscores made spaces, a
    // leading track number cut), so the file name holds each word of the text. Empty when
    // no word is long enough to be looked up.
    static QString ListQuery(const QString& text);
};
