#pragma once

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
    // Below zero, zero or above as `a` comes before, beside or after `b`, as their keys
    // would compare: for few comparisons, cheaper than two keys.
    int Compare(std::string_view a, std::string_view b);

private:
    struct SImpl;
    std::unique_ptr<SImpl> d;
};
