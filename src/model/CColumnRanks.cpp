#include "model/CColumnRanks.h"

#include "platform/CCollation.h"

#include <QtEndian>
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <functional>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

CDistinctTexts::CDistinctTexts() : m_at{0}, m_slots(1024, -1) {}

size_t CDistinctTexts::SlotOf(std::string_view text) const
{
    const size_t mask = m_slots.size() - 1;
    size_t slot = std::hash<std::string_view>()(text) & mask;
    while (m_slots[slot] >= 0 && Text(m_slots[slot]) != text)
        slot = (slot + 1) & mask;
    return slot;
}

qint32 CDistinctTexts::Add(std::string_view text)
{
    const qint32 number = Size();
    size_t slot = 0;
    if (m_looking) {
        slot = SlotOf(text);
        if (m_slots[slot] >= 0) {
            ++m_found;
            return m_slots[slot];
        }
    }
    m_bytes.append(text);
    m_at.push_back(m_bytes.size());
    if (!m_looking)
        return number;
    m_slots[slot] = number;
    // Fewer than one in sixteen found among the first 64 K: looking costs more than the
    // keys of the few repeats.
    if (!m_judged && number + 1 + m_found >= kJudgedAfter) {
        m_judged = true;
        if (m_found < kJudgedAfter / 16) {
            m_looking = false;
            std::vector<qint32>().swap(m_slots);
            // Nearly all the rest will be new, about as long as these.
            if (m_expected > size_t(Size()))
                m_bytes.reserve(m_bytes.size() / size_t(Size()) * m_expected * 9 / 8);
            return number;
        }
    }
    if (size_t(Size()) * 2 > m_slots.size()) // at most half full: short probes
        Grow();
    return number;
}

void CDistinctTexts::Grow()
{
    m_slots.assign(m_slots.size() * 2, -1);
    for (qint32 n = 0; n < Size(); ++n)
        m_slots[SlotOf(Text(n))] = n;
}

namespace {

// Runs `here` on this thread and, when `both`, `there` on a thread of its own at the same
// time. What the other thread could not do (no thread to be had, memory refused there) is
// done here afterwards, where a failure reaches the caller instead of ending the process.
template <typename Here, typename There>
void SideBySide(bool both, const Here& here, const There& there)
{
    bool done = false;
    std::thread other;
    if (both) {
        try {
            other = std::thread([&] {
                try {
                    there();
                    done = true;
                } catch (...) {
                }
            });
        } catch (const std::system_error&) {
        }
    }
    try {
        here();
    } catch (...) {
        if (other.joinable())
            other.join();
        throw;
    }
    if (other.joinable())
        other.join();
    if (both && !done)
        there();
}

// The keys of a slice of the texts, made on a thread of its own with a collator of its own.
struct SKeys
{
    std::string bytes;
    std::vector<size_t> at;  // each key's start, and the end
    std::vector<bool> latin; // made without the collator: comparable only with such keys
};

SKeys MakeKeys(const CDistinctTexts& texts, qint32 first, qint32 last, NumberKey numberKey)
{
    SKeys keys;
    keys.at.reserve(size_t(last - first) + 1);
    // Keys of Latin texts are about as long as the texts, a little longer.
    if (last > first)
        keys.bytes.reserve(size_t(texts.Text(last - 1).end() - texts.Text(first).begin()) * 5 / 4);
    std::optional<CCollation> collation;
    if (!numberKey)
        collation.emplace();
    keys.latin.assign(size_t(last - first), false);
    for (qint32 n = first; n < last; ++n) {
        keys.at.push_back(keys.bytes.size());
        if (collation) {
            if (collation->AppendLatinKey(texts.Text(n), keys.bytes))
                keys.latin[size_t(n - first)] = true;
            else
                collation->AppendKey(texts.Text(n), keys.bytes);
            continue;
        }
        char number[8];
        qToBigEndian(numberKey(texts.Text(n)), number);
        keys.bytes.append(number, sizeof number);
    }
    keys.at.push_back(keys.bytes.size());
    return keys;
}

// Eight bytes of a key from `depth` on as one number: no key ends in a zero byte (a Latin
// key's one zero parts its letters from its accents), so a shorter key's padding sorts it
// first, as comparing the bytes would.
quint64 Prefix(std::string_view key, size_t depth)
{
    unsigned char bytes[8] = {};
    if (depth < key.size())
        std::memcpy(bytes, key.data() + depth, std::min<size_t>(key.size() - depth, 8));
    return qFromBigEndian<quint64>(bytes);
}

struct SEntry
{
    quint64 prefix;
    qint32 number;
};

// By the eight bytes of their prefixes, a byte at a time from the last (a radix sort: a
// tenth of the comparisons' time for a million keys); a byte all of them share is passed.
// `buffer` has room for as many entries. Fewer than `radixFrom` are compared instead.
void SortByPrefix(SEntry* begin, SEntry* end, SEntry* buffer, size_t radixFrom = 4096)
{
    const size_t n = size_t(end - begin);
    if (n < radixFrom) {
        std::sort(begin, end, [](const SEntry& x, const SEntry& y) { return x.prefix < y.prefix; });
        return;
    }
    std::vector<std::array<size_t, 256>> count(8, std::array<size_t, 256>{});
    for (const SEntry* e = begin; e != end; ++e)
        for (size_t byte = 0; byte < 8; ++byte)
            ++count[byte][(e->prefix >> (8 * byte)) & 0xff];
    SEntry* from = begin;
    SEntry* to = buffer;
    for (size_t byte = 0; byte < 8; ++byte) {
        std::array<size_t, 256>& at = count[byte];
        if (std::find(at.begin(), at.end(), n) != at.end())
            continue;
        size_t sum = 0;
        for (size_t& c : at)
            sum += std::exchange(c, sum);
        for (const SEntry* e = from; e != from + n; ++e)
            to[at[(e->prefix >> (8 * byte)) & 0xff]++] = *e;
        std::swap(from, to);
    }
    if (from != begin)
        std::copy(from, from + n, begin);
}

// Sorts by the keys eight bytes at a time, each run that shares them by the next eight, so
// that keys with long common beginnings (paths) are compared as numbers too. `buffer` has
// room for as many entries.
template <typename KeyOf>
void SortByKeys(SEntry* begin, SEntry* end, SEntry* buffer, size_t depth, const KeyOf& key)
{
    // Bytes all the keys share (a long folder at the start of paths) cost one pass each,
    // not a sort.
    for (;; depth += 8) {
        bool shared = true, longer = false;
        for (SEntry* e = begin; e != end; ++e) {
            const std::string_view k = key(e->number);
            e->prefix = Prefix(k, depth);
            shared = shared && e->prefix == begin->prefix;
            longer = longer || k.size() > depth + 8;
        }
        if (!shared)
            break;
        if (!longer)
            return; // the keys are all the same
    }
    SortByPrefix(begin, end, buffer);
    for (SEntry* run = begin; run != end;) {
        SEntry* next = run + 1;
        bool longer = key(run->number).size() > depth + 8;
        for (; next != end && next->prefix == run->prefix; ++next)
            longer = longer || key(next->number).size() > depth + 8;
        if (next - run > 1 && longer) // else the run's keys are all the same
            SortByKeys(run, next, buffer, depth + 8, key);
        run = next;
    }
}

// Merges the sorted runs [begin, middle) and [middle, end) into `out`, equal entries of the
// first run first. When one run is short (a few Latin titles among many others, or the
// reverse), each of its entries finds its place in the other by halving: fewer comparisons
// than a step through both.
template <typename Less>
void Merge(const SEntry* begin, const SEntry* middle, const SEntry* end, SEntry* out,
           const Less& less)
{
    const size_t first = size_t(middle - begin), second = size_t(end - middle);
    const size_t shorter = std::min(first, second);
    if (shorter * size_t(std::bit_width(std::max(first, second))) >= first + second) {
        std::merge(begin, middle, middle, end, out, less);
        return;
    }
    const SEntry* a = begin;
    const SEntry* b = middle;
    if (first <= second) {
        for (; a != middle; ++a) { // after the other run's entries that come before it
            const SEntry* at = std::lower_bound(b, end, *a, less);
            out = std::copy(b, at, out);
            b = at;
            *out++ = *a;
        }
    } else {
        for (; b != end; ++b) { // after this run's entries that do not come after it
            const SEntry* at = std::upper_bound(a, middle, *b, less);
            out = std::copy(a, at, out);
            a = at;
            *out++ = *b;
        }
    }
    out = std::copy(a, middle, out);
    std::copy(b, end, out);
}

} // namespace

std::vector<qint32> RankTexts(const CDistinctTexts& texts, NumberKey numberKey, qint32& ranks)
{
    // The keys are most of a large sort's time: two threads make them when there are many.
    const qint32 count = texts.Size();
    const qint32 half = count >= 20000 && std::thread::hardware_concurrency() > 1 ? count / 2 : 0;
    SKeys first, second;
    SideBySide(
        half > 0, [&] { first = MakeKeys(texts, 0, half > 0 ? half : count, numberKey); },
        [&] { second = MakeKeys(texts, half, count, numberKey); });
    const auto key = [&](qint32 n) {
        const SKeys& k = half > 0 && n >= half ? second : first;
        const size_t i = size_t(half > 0 && n >= half ? n - half : n);
        return std::string_view(k.bytes).substr(k.at[i], k.at[i + 1] - k.at[i]);
    };
    const auto latin = [&](qint32 n) {
        return half > 0 && n >= half ? second.latin[size_t(n - half)] : first.latin[size_t(n)];
    };
    // The two kinds of keys are sorted apart, then merged by comparing the texts. The
    // entries and the room the sort moves them through are one block: a million texts make
    // it large enough for the allocator's huge pages, which fault once for every 2 MB.
    std::vector<SEntry> block(size_t(count) * 2);
    SEntry* sorted = block.data();
    SEntry* const room = sorted + count;
    qint32 latinCount = 0;
    for (qint32 n = 0; n < count; ++n)
        latinCount += latin(n);
    for (qint32 n = 0, a = 0, other = latinCount; n < count; ++n)
        sorted[size_t(latin(n) ? a++ : other++)] = {0, n};
    SEntry* const middle = sorted + latinCount;
    SortByKeys(sorted, middle, room, 0, key);
    SortByKeys(middle, room, room, 0, key);
    std::optional<CCollation> collation;
    const auto compare = [&](qint32 x, qint32 y) {
        if (latin(x) == latin(y))
            return key(x).compare(key(y));
        if (!collation)
            collation.emplace();
        return collation->Compare(texts.Text(x), texts.Text(y));
    };
    if (latinCount > 0 && latinCount < count) {
        Merge(sorted, middle, room, room,
              [&](const SEntry& x, const SEntry& y) { return compare(x.number, y.number) < 0; });
        sorted = room;
    }
    std::vector<qint32> rank(static_cast<size_t>(count));
    ranks = 0;
    for (size_t i = 0; i < size_t(count); ++i) {
        if (i == 0 || compare(sorted[i - 1].number, sorted[i].number) != 0)
            ++ranks;
        rank[size_t(sorted[i].number)] = ranks - 1;
    }
    return rank;
}

namespace {

// Runs this long or shorter are sorted by insertion.
constexpr size_t kInsertedRun = 32;

struct SLeadRow
{
    quint64 lead; // CCollation::Lead of the row's text
    qint32 row;
};

// Sorts a long run as `compare` orders it, equal rows keeping their order. The leads are
// sorted as numbers, which orders every two rows they judge; rows whose leads agree as far
// as the shorter goes (a text going on with a digit, say) then lie together, and only
// those are compared by their texts. A run sorted descending is sorted ascending from its
// last row back and turned round, so that equal rows keep their order there too.
template <typename Compare>
void SortRun(std::vector<SLeadRow>& run, bool ascending, const Compare& compare,
             std::vector<SEntry>& entries)
{
    const size_t n = run.size();
    const auto row = [&](qint32 number) -> const SLeadRow& {
        return run[ascending ? size_t(number) : n - 1 - size_t(number)];
    };
    entries.resize(2 * n); // the second half is the radix sort's room
    for (size_t i = 0; i < n; ++i)
        entries[i] = {row(qint32(i)).lead, qint32(i)};
    // A run's leads are far fewer than a column's keys: radix-sorted from a few hundred on,
    // in two thirds of the comparisons' time.
    SortByPrefix(entries.data(), entries.data() + n, entries.data() + n, 256);
    const auto before = [&](const SEntry& x, const SEntry& y) {
        const int c = compare(row(x.number), row(y.number));
        return c != 0 ? c < 0 : x.number < y.number;
    };
    for (size_t first = 0; first < n;) {
        // The rows that begin with this lead's letters; the shortest lead comes first.
        const quint64 lead = entries[first].prefix;
        const quint64 letters = lead == 0 ? 0 : ~quint64(0) << (std::countr_zero(lead) & ~7);
        size_t last = first + 1;
        while (last < n && (entries[last].prefix & letters) == lead)
            ++last;
        if (last - first > 1)
            std::sort(entries.begin() + ptrdiff_t(first), entries.begin() + ptrdiff_t(last),
                      before);
        first = last;
    }
    for (size_t i = 0; i < n; ++i) // the rows in their new order, then back into the run
        entries[i].number = row(entries[i].number).row;
    for (size_t i = 0; i < n; ++i)
        run[ascending ? i : n - 1 - i] = {entries[i].prefix, entries[i].number};
}

// SortRuns for the places [begin, end), which start a run and end one; `changes` marks
// where the texts change.
void SortRunsIn(const CDistinctTexts& texts, const std::vector<qint32>& rowText, bool ascending,
                const std::vector<bool>& runStarts, size_t begin, size_t end,
                std::vector<qint32>& order, std::vector<char>& changes)
{
    CCollation collation;
    const auto text = [&](qint32 row) { return texts.Text(rowText[size_t(row)]); };
    // The rows' leads settle most comparisons without their texts.
    const auto compare = [&](const SLeadRow& x, const SLeadRow& y) {
        const int c = CCollation::ByLeads(x.lead, y.lead);
        return c != 0 ? c : collation.Compare(text(x.row), text(y.row));
    };
    std::vector<SLeadRow> run;
    std::vector<SEntry> entries;
    // Marks the run's changes (`first` is where it lies in `order`); false when it is out of
    // order.
    const auto mark = [&](size_t first) {
        for (size_t i = 1; i < run.size(); ++i) {
            const int c = compare(run[i - 1], run[i]);
            if (ascending ? c > 0 : c < 0)
                return false;
            changes[first + i] = c != 0;
        }
        return true;
    };
    // A short run (an album's folder) by insertion: its three-way comparisons also tell
    // where the texts change, so no second pass is needed.
    const auto insert = [&](size_t first) {
        for (size_t i = 1; i < run.size(); ++i) {
            const SLeadRow row = run[i];
            size_t k = i;
            int c = 0;
            for (; k > 0; --k) {
                c = compare(run[k - 1], row);
                if (ascending ? c <= 0 : c >= 0)
                    break;
                run[k] = run[k - 1];
                changes[first + k] = changes[first + k - 1];
            }
            run[k] = row;
            changes[first + k] = k > 0 && c != 0;
            if (k < i)
                changes[first + k + 1] = true; // the row it went before is beyond it
        }
    };
    for (size_t first = begin; first < end;) {
        size_t last = first + 1;
        while (last < end && !runStarts[last])
            ++last;
        if (last - first == 1) { // a folder of one song: nothing to compare
            first = last;
            continue;
        }
        run.clear();
        for (size_t i = first; i < last; ++i)
            run.push_back({collation.Lead(text(order[i])), order[i]});
        if (run.size() <= kInsertedRun) {
            insert(first);
        } else if (!mark(first)) { // mostly taken in in order: checked before sorted
            SortRun(run, ascending, compare, entries);
            mark(first);
        }
        for (size_t i = first; i < last; ++i)
            order[i] = run[i - first].row;
        first = last;
    }
}

} // namespace

void SortRuns(const CDistinctTexts& texts, const std::vector<qint32>& rowText, bool ascending,
              std::vector<qint32>& order, std::vector<bool>& runStarts)
{
    const size_t n = order.size();
    std::vector<char> changes(n, 0);
    // The second thread's share begins at the run nearest the middle.
    size_t middle = n / 2;
    while (middle < n && !runStarts[middle])
        ++middle;
    if (n < 20000 || std::thread::hardware_concurrency() < 2)
        middle = n;
    SideBySide(
        middle < n,
        [&] { SortRunsIn(texts, rowText, ascending, runStarts, 0, middle, order, changes); },
        [&] { SortRunsIn(texts, rowText, ascending, runStarts, middle, n, order, changes); });
    for (size_t i = 0; i < n; ++i)
        runStarts[i] = runStarts[i] || changes[i];
}
