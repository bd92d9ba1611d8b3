#include "library/CSearch.h"

#include "db/CCdlistSet.h"
#include "platform/CSettings.h"

#include <algorithm>
#include <iterator>

namespace {

inline char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c + ('a' - 'A')) : c;
}

bool IsAscii(std::string_view s)
{
    for (const char c : s) {
        if (static_cast<unsigned char>(c) & 0x80)
            return false;
    }
    return true;
}

} // namespace

SSearchOptions SSearchOptions::FromSettings()
{
    SSearchOptions o;
    o.fast = CSettings::Bool(ESetting::FastSearch);
    o.caseSensitive = CSettings::Bool(ESetting::Case);
    o.onPath = CSettings::Bool(ESetting::SearchOnPath);
    return o;
}

CSubstringTest::CSubstringTest(const QString& criterion, bool caseSensitive, CTextFold fold)
    : m_empty(criterion.isEmpty()), m_caseSensitive(caseSensitive), m_fold(fold)
{
    m_folded = caseSensitive ? criterion : fold.Text(criterion);
    m_bytes = m_folded.toUtf8();
    m_asciiCriterion = IsAscii(std::string_view(m_bytes.constData(), size_t(m_bytes.size())));
}

bool CSubstringTest::In(std::string_view text) const
{
    if (m_empty)
        return true;
    const std::string_view needle(m_bytes.constData(), size_t(m_bytes.size()));
    // UTF-8 is self-synchronising: a byte match is a character match.
    if (m_caseSensitive)
        return text.find(needle) != std::string_view::npos;
    if (!IsAscii(text)) {
        const QString value = QString::fromUtf8(text.data(), qsizetype(text.size()));
        return m_fold.Text(value).contains(m_folded);
    }
    // An ASCII text folds to ASCII, so it cannot hold a criterion that stays non-ASCII.
    if (!m_asciiCriterion)
        return false;
    m_buffer.assign(text);
    for (char& c : m_buffer)
        c = AsciiLower(c);
    return m_buffer.find(needle) != std::string::npos;
}

int CSearch::Run(CCdlistSet& set, const SSearchCriteria& criteria, const SSearchOptions& options,
                 const FoundFn& found)
{
    set.Database()->ReadFolding(); // another process may have changed it
    return options.fast ? RunFast(set, criteria, found) : RunFull(set, criteria, options, found);
}

int CSearch::Run(CCdlistSet& set, const SSearchCriteria& criteria, const SSearchOptions& options,
                 const FoundRecordFn& found)
{
    return Run(set, criteria, options,
               FoundFn([&](const CCdlistSet::CScanRow& row) { found(row.Song()); }));
}

CFilter CSearch::FastFilter(const SSearchCriteria& c)
{
    if (!c.all.isEmpty()) {
        return CFilter::Prefix(ESongColumn::TITLE, c.all)
            .Or(CFilter::Prefix(ESongColumn::ARTIST, c.all))
            .Or(CFilter::Prefix(ESongColumn::ALBUM, c.all))
            .Or(CFilter::Prefix(ESongColumn::MELODI, c.all));
    }
    CFilter filter;
    const auto add = [&filter](ESongColumn column, const QString& value) {
        if (!value.isEmpty())
            filter = filter.And(CFilter::Prefix(column, value));
    };
    add(ESongColumn::TITLE, c.title);
    add(ESongColumn::ARTIST, c.artist);
    add(ESongColumn::ALBUM, c.album);
    add(ESongColumn::MELODI, c.file);
    add(ESongColumn::GENRE, c.genre);
    return filter;
}

int CSearch::RunFast(CCdlistSet& set, const SSearchCriteria& criteria, const FoundFn& found)
{
    int count = 0;
    set.Scan(FastFilter(criteria), [&](const CCdlistSet::CScanRow& row) {
        found(row);
        ++count;
        return true;
    });
    return count;
}

int CSearch::RunFull(CCdlistSet& set, const SSearchCriteria& c, const SSearchOptions& options,
                     const FoundFn& found)
{
    const bool cs = options.caseSensitive;
    const CTextFold fold = set.Database()->Folding();
    const CSubstringTest all(c.all, cs, fold), title(c.title, cs, fold), artist(c.artist, cs, fold),
        album(c.album, cs, fold), file(c.file, cs, fold), genre(c.genre, cs, fold);
    // The columns the test reads, in this order.
    enum
    {
        kTitle,
        kArtist,
        kAlbum,
        kFile,
        kPath,
        kGenre,
        kList
    };
    const std::vector<ESongColumn> tested = {
        ESongColumn::TITLE, ESongColumn::ARTIST, ESongColumn::ALBUM, ESongColumn::MELODI,
        ESongColumn::PATH,  ESongColumn::GENRE,  ESongColumn::LIST};
    std::string fullPath;
    const auto fileText = [&](const std::string_view* v) -> std::string_view {
        if (!options.onPath)
            return v[kFile];
        // The song's native path: folder, '/', file name.
        fullPath.assign(v[kPath]);
        if (fullPath.empty() || fullPath.back() != '/')
            fullPath += '/';
        fullPath += v[kFile];
        return fullPath;
    };
    const auto matches = [&](const std::string_view* v) {
        if (!all.IsEmpty()) {
            // The file name is not searched in this mode, the name in the list is.
            return all.In(v[kTitle]) || all.In(v[kArtist]) || all.In(v[kAlbum]) || all.In(v[kList]);
        }
        return title.In(v[kTitle]) && artist.In(v[kArtist]) && album.In(v[kAlbum]) &&
               (file.IsEmpty() || file.In(fileText(v))) && genre.In(v[kGenre]);
    };
    int count = 0;
    bool exact = false;
    const QString query = options.useIndex ? IndexQuery(c, options, exact) : QString();
    CFilter candidates = query.isEmpty() ? CFilter() : CFilter::Matches(query);
    if (!query.isEmpty() && !c.all.isEmpty()) {
        const std::vector<qint64> named = ListNamedIds(set, c.all);
        if (!named.empty())
            candidates = candidates.Or(CFilter::IdIn(named));
    }
    set.Scan(candidates, tested, matches, [&](const CCdlistSet::CScanRow& row) {
        found(row);
        ++count;
        return true;
    });
    return count;
}

QString CSearch::ListQuery(const QString& text)
{
    QStringList words;
    for (const QString& word : text.split(u' ', Qt::SkipEmptyParts)) {
        if (CFilter::IsIndexable(word))
            words << CFilter::TextQuery({ESongColumn::MELODI}, word);
    }
    return words.join(QLatin1String(" AND "));
}

std::vector<qint64> CSearch::ListNamedIds(CCdlistSet& set, const QString& text)
{
    // A few thousand list names are read faster than the index answers for common words.
    static constexpr qint64 kReadAll = 50000;
    CFilter named = CFilter::ListNamed();
    if (set.Count(named) > kReadAll) {
        if (const QString query = ListQuery(text); !query.isEmpty())
            named = named.And(CFilter::Matches(query));
    }
    const CSubstringTest list(text, false, set.Database()->Folding());
    std::vector<qint64> ids;
    set.ScanColumn(named, ESongColumn::LIST, [&](qint64 id, std::string_view utf8) {
        if (list.In(utf8))
            ids.push_back(id);
    });
    std::sort(ids.begin(), ids.end());
    return ids;
}

QString CSearch::IndexQuery(const SSearchCriteria& c, const SSearchOptions& options, bool& exact)
{
    // The index holds every song whose folded text holds the folded criterion: exactly
    // what the test takes without case sensitivity, a superset of what it takes with it.
    exact = !options.caseSensitive && c.genre.isEmpty();
    if (!c.all.isEmpty()) {
        if (!CFilter::IsIndexable(c.all)) {
            exact = false;
            return {};
        }
        return CFilter::TextQuery({ESongColumn::TITLE, ESongColumn::ARTIST, ESongColumn::ALBUM},
                                  c.all);
    }
    QStringList terms;
    const auto add = [&](ESongColumn column, const QString& value, bool indexed = true) {
        if (value.isEmpty())
            return;
        if (indexed && CFilter::IsIndexable(value))
            terms << CFilter::TextQuery({column}, value);
        else
            exact = false;
    };
    add(ESongColumn::TITLE, c.title);
    add(ESongColumn::ARTIST, c.artist);
    add(ESongColumn::ALBUM, c.album);
    add(ESongColumn::MELODI, c.file, !options.onPath); // the index knows file names only
    exact = exact && !terms.isEmpty();
    return terms.join(QLatin1String(" AND "));
}

bool CSearch::IsEverything(const SSearchCriteria& c)
{
    return c.title.isEmpty() && c.artist.isEmpty() && c.album.isEmpty() && c.file.isEmpty() &&
           c.all.isEmpty() && c.genre.isEmpty();
}

std::optional<std::vector<qint64>>
CSearch::IndexedIds(CCdlistSet& set, const SSearchCriteria& criteria, const SSearchOptions& options)
{
    set.Database()->ReadFolding();
    if (IsEverything(criteria))
        return set.AllIds(); // nothing to match: every song, whatever the options
    if (options.fast || !options.useIndex)
        return std::nullopt;
    bool exact = false;
    const QString query = IndexQuery(criteria, options, exact);
    if (!exact)
        return std::nullopt;
    std::vector<qint64> ids = set.TextIndexIds(query);
    if (criteria.all.isEmpty())
        return ids;
    // "All": and the songs found by their list name alone.
    const std::vector<qint64> named = ListNamedIds(set, criteria.all);
    if (named.empty())
        return ids;
    std::vector<qint64> merged;
    merged.reserve(ids.size() + named.size());
    std::set_union(ids.begin(), ids.end(), named.begin(), named.end(), std::back_inserter(merged));
    return merged;
}
