#pragma once

#include <QString>
#include <QtGlobal>
#include <bit>
#include <memory>
#include <string>
#include <string_view>

// Texts in the order the user's language reads them: case and accents set apart only
// where the letters are the same ("émilie" beside "Emilie", before "Zoë"), numbers by
// their value ("Track 2" before "Track 10"). Keys compare byte for byte, so a list sorts
// its distinct texts once by key instead of asking the collator at every comparison.
class CCollation
{
public:
    // For the locale of the program (LC_COLLATE, else LANG).
    CCollation();
    ~CCollation();
    CCollation(const CCollation&) = delete;
    CCollation& operator=(const CCollation&) = delete;

    // Appends the key of a UTF-8 text to `key`; an invalid sequence counts as U+FFFD.
    void AppendKey(std::string_view utf8, std::string& key);
    // For a text of ASCII characters and accented Latin letters the language reads as an
    // ASCII letter with an accent ("é", "Ä" in most languages), a key that orders it among
    // other such keys as AppendKey's would, made without the collator (a tenth of the time);
    // false, appending nothing, for other texts, or where the language's rules do not allow it.
    bool AppendLatinKey(std::string_view utf8, std::string& key) const;
    // Below zero, zero or above as `a` comes before, beside or after `b`, as their keys
    // would compare: for few comparisons, cheaper than two keys.
    int Compare(std::string_view a, std::string_view b);
    // For a few names (the sessions): as the program's language orders them, names that
    // read alike in the order of their characters; one collator for each thread.
    static bool NameLess(const QString& a, const QString& b);

    // The places of a text's first letters as one number, for many comparisons among few
    // texts: ByLeads tells two texts' order from their leads alone where it can (below or
    // above zero, as Compare would), else gives zero and Compare must judge.
    quint64 Lead(std::string_view utf8) const;
    static int ByLeads(quint64 a, quint64 b)
    {
        const quint64 differ = a ^ b;
        if (differ == 0)
            return 0;
        // The first byte that differs must be a letter's place in both.
        const int shift = 56 - (std::countl_zero(differ) & ~7);
        return ((a >> shift) & 0xff) && ((b >> shift) & 0xff) ? (a < b ? -1 : 1) : 0;
    }

private:
    struct SAsciiOrder;
    struct SImpl;
    std::unique_ptr<SImpl> d;
};
