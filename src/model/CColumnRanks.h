#pragma once

#include <QtGlobal>
#include <string>
#include <string_view>
#include <vector>

// The distinct texts of one column, each kept once in one buffer: a million rows of a
// sort make no string of their own. A text's number is the order it first came in.
// When the first many texts were nearly all new (a column of titles, handed in an index's
// order with equal ones together), the rest are kept without looking for them again: a
// text may then have more than one number, which rank the same.
class CDistinctTexts
{
public:
    CDistinctTexts();
    // About how many texts will be added: room is made once instead of growing by copies
    // (room not used costs no memory the system hands out).
    void Expect(size_t texts)
    {
        m_expected = texts;
        m_at.reserve(texts + 1);
    }
    qint32 Add(std::string_view text);
    qint32 Size() const { return qint32(m_at.size() - 1); }
    std::string_view Text(qint32 number) const
    {
        return std::string_view(m_bytes).substr(m_at[size_t(number)],
                                                m_at[size_t(number) + 1] - m_at[size_t(number)]);
    }

private:
    static constexpr qint32 kJudgedAfter = 65536;
    void Grow();
    size_t SlotOf(std::string_view text) const;

    std::string m_bytes;
    std::vector<size_t> m_at;    // where each text begins, and the end
    std::vector<qint32> m_slots; // open addressing, a power of two; -1 empty
    qint32 m_found = 0;          // texts added that were there already
    bool m_looking = true;       // new texts are looked for among the kept ones
    bool m_judged = false;       // whether looking pays was judged
    size_t m_expected = 0;
};

// The texts' order as a reader sees it (CCollation), or by number for the columns that hold
// one: by each text's number, its rank; equal ones ("ABBA" and "Abba", "4:05" and "245")
// share one. `numberKey` gives a number column's value, null for a text column.
using NumberKey = quint64 (*)(std::string_view text);
std::vector<qint32> RankTexts(const CDistinctTexts& texts, NumberKey numberKey, qint32& ranks);

// Sorts each run of rows in `order` (`runStarts` marks their first places) by the rows'
// texts as a reader compares them, equal ones keeping their order, and marks where the
// texts change inside a run. For runs of a few rows each (the songs of one folder) a
// handful of comparisons costs less than a key for every row; two threads share them.
void SortRuns(const CDistinctTexts& texts, const std::vector<qint32>& rowText, bool ascending,
              std::vector<qint32>& order, std::vector<bool>& runStarts);
