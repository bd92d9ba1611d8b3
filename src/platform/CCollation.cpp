#include "platform/CCollation.h"

#include <QLocale>
#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <unicode/ucol.h>
#include <unicode/ucoleitr.h>
#include <unicode/unorm2.h>
#include <unicode/uset.h>
#include <unicode/ustring.h>
#include <vector>

// The collator's order of ASCII texts, read off it once per language: each character's
// place (0: ignored, as control characters are), numbers by value. It decides only where
// ASCII alone decides, and only for a language whose rules never join ASCII letters into
// one (Czech "ch", Danish "aa") nor split one into several; otherwise it is not used.
struct CCollation::SAsciiOrder
{
    // Where a comparison is left to the collator.
    static constexpr int kUndecided = 2;
    // Longer numbers are left to the collator, which parts them.
    static constexpr size_t kLongestNumber = 200;

    // Accented Latin letters the language reads as an ASCII letter followed by an accent
    // ("é" as "e" and an acute): their letter's place and the accent's rank among that
    // letter's (1: none), which counts only between texts the same but for accents.
    static constexpr char32_t kFirstAccented = 0xc0, kEndAccented = 0x250;
    struct SAccented
    {
        quint8 place = 0; // 0: left to the collator
        quint8 rank = 0;
    };

    bool usable = false;
    std::array<quint8, 128> place{};
    std::array<SAccented, kEndAccented - kFirstAccented> accented{};

    static const SAsciiOrder& Of(const QByteArray& locale, const UCollator* collator);
    static SAsciiOrder Read(const UCollator* collator);
    void ReadAccented(const UCollator* collator);
    int Compare(std::string_view a, std::string_view b) const;
    quint64 Lead(std::string_view s) const;
    bool AppendKey(std::string_view s, std::string& key) const;

private:
    static std::string_view Digits(std::string_view s, size_t& k);
    static bool IsDigit(uchar c) { return c >= '0' && c <= '9'; }
    // The accented letter of a two-byte UTF-8 sequence at s[i], if it is one of those read.
    const SAccented* Accented(std::string_view s, size_t i) const;
    void AppendAccents(std::string_view s, std::string& key) const;
    // Past characters the collator ignores.
    void Skip(std::string_view s, size_t& i) const
    {
        while (i < s.size() && uchar(s[i]) < 0x80 && place[uchar(s[i])] == 0)
            ++i;
    }
    int CompareNumbers(std::string_view a, size_t& i, std::string_view b, size_t& j) const;
};

namespace {

bool JoinsAscii(const UCollator* collator)
{
    using Set = std::unique_ptr<USet, decltype(&uset_close)>;
    const Set joined(uset_openEmpty(), &uset_close), split(uset_openEmpty(), &uset_close),
        ascii(uset_open(0x01, 0x7f), &uset_close);
    UErrorCode status = U_ZERO_ERROR;
    ucol_getContractionsAndExpansions(collator, joined.get(), split.get(), true, &status);
    if (U_FAILURE(status) || uset_containsSome(split.get(), ascii.get()))
        return true;
    for (int32_t n = 0; n < uset_getItemCount(joined.get()); ++n) {
        UChar32 start = 0, end = 0;
        std::array<UChar, 32> text{};
        status = U_ZERO_ERROR;
        const int32_t length =
            uset_getItem(joined.get(), n, &start, &end, text.data(), int32_t(text.size()), &status);
        // One ASCII character joined with what follows is met by Compare's rule that the
        // next character be ASCII too ("l·" in Catalan); two are not.
        if (U_FAILURE(status) || (length > 1 && text[0] < 0x80 && text[1] < 0x80))
            return true;
    }
    return false;
}

// Which characters below U+0370 the language's contractions hold: read together with a
// neighbour, they are not weighed alone.
std::vector<bool> InContractions(const UCollator* collator)
{
    std::vector<bool> in(0x370, false);
    using Set = std::unique_ptr<USet, decltype(&uset_close)>;
    const Set joined(uset_openEmpty(), &uset_close), split(uset_openEmpty(), &uset_close);
    UErrorCode status = U_ZERO_ERROR;
    ucol_getContractionsAndExpansions(collator, joined.get(), split.get(), true, &status);
    std::vector<UChar> text(64);
    for (int32_t n = 0; U_SUCCESS(status) && n < uset_getItemCount(joined.get()); ++n) {
        UChar32 start = 0, end = 0;
        int32_t length =
            uset_getItem(joined.get(), n, &start, &end, text.data(), int32_t(text.size()), &status);
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            status = U_ZERO_ERROR;
            text.resize(size_t(length));
            length = uset_getItem(joined.get(), n, &start, &end, text.data(), length, &status);
        }
        for (UChar32 c = start; length == 0 && c <= end && c < 0x370; ++c)
            in[size_t(c)] = true;
        for (int32_t k = 0; k < length; ++k) {
            if (text[size_t(k)] < 0x370)
                in[text[size_t(k)]] = true;
        }
    }
    if (U_FAILURE(status))
        in.assign(in.size(), true);
    return in;
}

// A character's collation elements, at most a few.
std::vector<int32_t> Elements(const UCollator* collator, UChar c)
{
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<UCollationElements, decltype(&ucol_closeElements)> walk(
        ucol_openElements(collator, &c, 1, &status), &ucol_closeElements);
    std::vector<int32_t> elements;
    while (U_SUCCESS(status) && walk && elements.size() < 8) {
        const int32_t element = ucol_next(walk.get(), &status);
        if (element == UCOL_NULLORDER)
            break;
        elements.push_back(element);
    }
    return U_SUCCESS(status) ? elements : std::vector<int32_t>();
}

// Whether `c` weighs as `letter` followed by an accent alone (no letter's weight of its
// own, nor one element for both), as a text spelling them apart would.
bool ReadAsLetterAndAccent(const UCollator* collator, UChar c, UChar letter)
{
    const std::vector<int32_t> plain = Elements(collator, letter), read = Elements(collator, c);
    if (plain.empty() || read.size() != plain.size() + 1)
        return false;
    for (size_t k = 0; k < plain.size(); ++k) {
        if (ucol_primaryOrder(read[k]) != ucol_primaryOrder(plain[k]) ||
            ucol_secondaryOrder(read[k]) != ucol_secondaryOrder(plain[k]))
            return false;
    }
    return ucol_primaryOrder(read.back()) == 0 && ucol_secondaryOrder(read.back()) != 0;
}

} // namespace

CCollation::SAsciiOrder CCollation::SAsciiOrder::Read(const UCollator* collator)
{
    SAsciiOrder order;
    if (JoinsAscii(collator))
        return order;
    const auto compare = [collator](char x, char y) {
        UErrorCode status = U_ZERO_ERROR;
        return ucol_strcollUTF8(collator, &x, x ? 1 : 0, &y, y ? 1 : 0, &status);
    };
    std::vector<char> shown;
    for (int c = 1; c < 0x80; ++c) {
        if (compare(char(c), 0) != 0)
            shown.push_back(char(c));
    }
    std::stable_sort(shown.begin(), shown.end(), [&](char x, char y) { return compare(x, y) < 0; });
    int place = 0;
    for (size_t k = 0; k < shown.size(); ++k) {
        if (k == 0 || compare(shown[k - 1], shown[k]) != 0)
            ++place;
        order.place[uchar(shown[k])] = quint8(place);
    }
    // A number meets other characters where its digits stand: they must stand together.
    for (int c = 1; c < 0x80; ++c) {
        const quint8 p = order.place[size_t(c)];
        if (!IsDigit(uchar(c)) && p >= order.place['0'] && p <= order.place['9'])
            return order;
    }
    order.usable = place > 0 && order.place['0'] < order.place['9'];
    if (order.usable)
        order.ReadAccented(collator);
    return order;
}

void CCollation::SAsciiOrder::ReadAccented(const UCollator* collator)
{
    UErrorCode status = U_ZERO_ERROR;
    // Canadian French weighs the last accent first: not the order kept here.
    const UColAttributeValue french = ucol_getAttribute(collator, UCOL_FRENCH_COLLATION, &status);
    const UNormalizer2* nfd = unorm2_getNFDInstance(&status);
    if (U_FAILURE(status) || french != UCOL_OFF)
        return;
    const std::vector<bool> joined = InContractions(collator);
    const auto compare = [collator](UChar x, UChar y) {
        return ucol_strcoll(collator, &x, 1, &y, 1);
    };
    std::array<std::vector<UChar>, 256> byPlace;
    for (char32_t c = kFirstAccented; c < kEndAccented; ++c) {
        std::array<UChar, 4> parts{};
        status = U_ZERO_ERROR;
        const int32_t length = unorm2_getRawDecomposition(nfd, UChar32(c), parts.data(),
                                                          int32_t(parts.size()), &status);
        const UChar letter = parts[0], accent = parts[1];
        if (U_FAILURE(status) || length != 2 || letter >= 0x80 || IsDigit(uchar(letter)) ||
            place[letter] == 0 || accent < 0x300 || accent >= 0x370 || joined[c] ||
            joined[accent] || compare(letter, UChar(c)) >= 0 ||
            !ReadAsLetterAndAccent(collator, UChar(c), letter))
            continue;
        byPlace[place[letter]].push_back(UChar(c));
    }
    for (size_t p = 0; p < byPlace.size(); ++p) {
        std::vector<UChar>& letters = byPlace[p];
        std::stable_sort(letters.begin(), letters.end(),
                         [&](UChar x, UChar y) { return compare(x, y) < 0; });
        quint8 rank = 1; // the letter alone
        for (size_t k = 0; k < letters.size(); ++k) {
            if (k == 0 || compare(letters[k - 1], letters[k]) != 0)
                ++rank;
            accented[letters[k] - kFirstAccented] = {quint8(p), rank};
        }
    }
}

std::string_view CCollation::SAsciiOrder::Digits(std::string_view s, size_t& k)
{
    // By value: leading zeros count for nothing.
    while (k < s.size() && s[k] == '0' && k + 1 < s.size() && IsDigit(uchar(s[k + 1])))
        ++k;
    const size_t first = k;
    while (k < s.size() && IsDigit(uchar(s[k])))
        ++k;
    return s.substr(first, k - first);
}

bool CCollation::SAsciiOrder::AppendKey(std::string_view s, std::string& key) const
{
    // Each character's place; a number as a digit's place, its length and its digits, so
    // that numbers meet other characters as a digit does and each other by value.
    const size_t start = key.size();
    bool accents = false;
    for (size_t i = 0; i < s.size();) {
        const uchar c = uchar(s[i]);
        if (c >= 0x80) {
            const SAccented* letter = Accented(s, i);
            if (!letter) {
                key.resize(start);
                return false;
            }
            key.push_back(char(letter->place));
            accents = true;
            i += 2;
            continue;
        }
        if (!IsDigit(c)) {
            if (place[c] != 0)
                key.push_back(char(place[c]));
            ++i;
            continue;
        }
        const std::string_view digits = Digits(s, i);
        if (digits.size() > kLongestNumber) {
            key.resize(start);
            return false;
        }
        key.push_back(char(place['0']));
        key.push_back(char(digits.size()));
        key.append(digits);
    }
    if (accents)
        AppendAccents(s, key);
    return true;
}

// After the places a zero, below them all, then each letter's accent: texts the same but
// for accents meet there, the one without first. Letters without one at the end are left
// out, as they would compare alike.
void CCollation::SAsciiOrder::AppendAccents(std::string_view s, std::string& key) const
{
    key.push_back('\0');
    for (size_t i = 0; i < s.size();) {
        const uchar c = uchar(s[i]);
        if (c >= 0x80) {
            key.push_back(char(Accented(s, i)->rank));
            i += 2;
        } else if (IsDigit(c)) {
            Digits(s, i); // a number bears no accent
        } else {
            if (place[c] != 0)
                key.push_back('\x01');
            ++i;
        }
    }
    while (key.back() == '\x01')
        key.pop_back();
}

const CCollation::SAsciiOrder::SAccented* CCollation::SAsciiOrder::Accented(std::string_view s,
                                                                            size_t i) const
{
    const uchar lead = uchar(s[i]);
    if (lead < 0xc3 || lead > 0xc9 || i + 1 >= s.size() || (uchar(s[i + 1]) & 0xc0) != 0x80)
        return nullptr;
    const char32_t c = (char32_t(lead & 0x1f) << 6) | (uchar(s[i + 1]) & 0x3f);
    if (c < kFirstAccented || c >= kEndAccented)
        return nullptr;
    const SAccented& letter = accented[c - kFirstAccented];
    return letter.place != 0 ? &letter : nullptr;
}

int CCollation::SAsciiOrder::CompareNumbers(std::string_view a, size_t& i, std::string_view b,
                                            size_t& j) const
{
    // The longer number is the larger.
    const std::string_view x = Digits(a, i), y = Digits(b, j);
    // A number goes on into other scripts' digits, and the collator parts very long ones.
    const auto ends = [](std::string_view s, size_t k) {
        return k == s.size() || uchar(s[k]) < 0x80;
    };
    if (!ends(a, i) || !ends(b, j) || x.size() > kLongestNumber || y.size() > kLongestNumber)
        return kUndecided;
    if (x.size() != y.size())
        return x.size() < y.size() ? -1 : 1;
    const int c = x.compare(y);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

int CCollation::SAsciiOrder::Compare(std::string_view a, std::string_view b) const
{
    // A character decides only when the next one is ASCII too: another would join it
    // (an accent that makes a letter of its own in some languages).
    const auto ascii = [](std::string_view s, size_t k) {
        return k >= s.size() || uchar(s[k]) < 0x80;
    };
    // The same ASCII beginning weighs the same: the walk starts where the texts part, or at
    // the number they part in.
    const size_t shorter = std::min(a.size(), b.size());
    size_t i = 0;
    for (quint64 x = 0, y = 0; i + 8 <= shorter; i += 8) { // eight bytes at a time
        std::memcpy(&x, a.data() + i, 8);
        std::memcpy(&y, b.data() + i, 8);
        if (x != y || (x & 0x8080808080808080u) != 0)
            break;
    }
    while (i < shorter && a[i] == b[i] && uchar(a[i]) < 0x80)
        ++i;
    while (i > 0 && IsDigit(uchar(a[i - 1])))
        --i;
    size_t j = i;
    for (;;) {
        Skip(a, i);
        Skip(b, j);
        if (i == a.size() || j == b.size()) {
            if (!ascii(a, i) || !ascii(b, j))
                return kUndecided;
            return i == a.size() ? (j == b.size() ? 0 : -1) : 1;
        }
        const uchar x = uchar(a[i]), y = uchar(b[j]);
        if (x >= 0x80 || y >= 0x80)
            return kUndecided;
        if (IsDigit(x) && IsDigit(y)) {
            if (const int c = CompareNumbers(a, i, b, j); c != 0)
                return c;
            continue;
        }
        // A number against another character: any digit's place tells, theirs being together.
        const quint8 p = place[x], q = place[y];
        if (p != q)
            return ascii(a, i + 1) && ascii(b, j + 1) ? (p < q ? -1 : 1) : kUndecided;
        ++i;
        ++j;
    }
}

quint64 CCollation::SAsciiOrder::Lead(std::string_view s) const
{
    // Letters up to the first that Compare would not judge alone (a digit, a character
    // beyond ASCII or one before it), a byte each from the highest; zeros after them.
    quint64 lead = 0;
    int shift = 56;
    for (size_t i = 0; shift >= 0; ++i, shift -= 8) {
        Skip(s, i);
        if (i == s.size() || uchar(s[i]) >= 0x80 || IsDigit(uchar(s[i])) ||
            (i + 1 < s.size() && uchar(s[i + 1]) >= 0x80))
            break;
        lead |= quint64(place[uchar(s[i])]) << shift;
    }
    return lead;
}

// Read once per language for the whole program: reading costs milliseconds.
const CCollation::SAsciiOrder& CCollation::SAsciiOrder::Of(const QByteArray& locale,
                                                           const UCollator* collator)
{
    static std::mutex guard;
    static std::map<QByteArray, std::unique_ptr<const SAsciiOrder>> read;
    const std::lock_guard<std::mutex> lock(guard);
    std::unique_ptr<const SAsciiOrder>& order = read[locale];
    if (!order)
        order = std::make_unique<const SAsciiOrder>(SAsciiOrder::Read(collator));
    return *order;
}

struct CCollation::SImpl
{
    UCollator* collator = nullptr;
    const SAsciiOrder* ascii = nullptr; // null where the collator alone can judge
    std::vector<UChar> text;
    std::vector<uint8_t> key;
    ~SImpl()
    {
        if (collator)
            ucol_close(collator);
    }
};

CCollation::CCollation() : d(std::make_unique<SImpl>())
{
    UErrorCode status = U_ZERO_ERROR;
    const QByteArray locale = QLocale().name().toLatin1();
    d->collator = ucol_open(locale.constData(), &status);
    if (U_FAILURE(status)) {
        status = U_ZERO_ERROR;
        d->collator = ucol_open("", &status); // the root order still knows accents
    }
    if (!d->collator)
        return;
    // Accents count only between texts the same but for them; case only after them.
    ucol_setStrength(d->collator, UCOL_SECONDARY);
    ucol_setAttribute(d->collator, UCOL_NUMERIC_COLLATION, UCOL_ON, &status);
    if (U_FAILURE(status))
        return; // the order read off would not be the one the collator uses
    if (const SAsciiOrder& ascii = SAsciiOrder::Of(locale, d->collator); ascii.usable)
        d->ascii = &ascii;
}

CCollation::~CCollation() = default;

void CCollation::AppendKey(std::string_view utf8, std::string& key)
{
    if (!d->collator) {
        key.append(utf8);
        return;
    }
    if (d->text.size() < utf8.size() + 1)
        d->text.resize(utf8.size() + 1);
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(d->text.data(), int32_t(d->text.size()), &length, utf8.data(),
                         int32_t(utf8.size()), 0xfffd, nullptr, &status);
    if (U_FAILURE(status))
        length = 0;
    // Made in a buffer of its own, kept between texts: the caller's keys grow by what
    // each key needs, never cleared for a longest case first.
    std::vector<uint8_t>& made = d->key;
    if (made.size() < utf8.size() * 4 + 16)
        made.resize(utf8.size() * 4 + 16);
    int32_t needed =
        ucol_getSortKey(d->collator, d->text.data(), length, made.data(), int32_t(made.size()));
    if (size_t(needed) > made.size()) {
        made.resize(size_t(needed));
        needed = ucol_getSortKey(d->collator, d->text.data(), length, made.data(), needed);
    }
    if (needed > 0) // without its closing zero
        key.append(reinterpret_cast<const char*>(made.data()), size_t(needed) - 1);
}

quint64 CCollation::Lead(std::string_view utf8) const
{
    return d->ascii ? d->ascii->Lead(utf8) : 0;
}

bool CCollation::AppendLatinKey(std::string_view utf8, std::string& key) const
{
    return d->ascii && d->ascii->AppendKey(utf8, key);
}

int CCollation::Compare(std::string_view a, std::string_view b)
{
    if (!d->collator)
        return a.compare(b);
    if (d->ascii) {
        if (const int c = d->ascii->Compare(a, b); c != SAsciiOrder::kUndecided)
            return c;
    }
    UErrorCode status = U_ZERO_ERROR;
    const UCollationResult result = ucol_strcollUTF8(d->collator, a.data(), int32_t(a.size()),
                                                     b.data(), int32_t(b.size()), &status);
    return U_FAILURE(status) ? a.compare(b) : int(result);
}

bool CCollation::NameLess(const QString& a, const QString& b)
{
    thread_local CCollation collation;
    const QByteArray x = a.toUtf8(), y = b.toUtf8();
    const int c = collation.Compare(std::string_view(x.constData(), size_t(x.size())),
                                    std::string_view(y.constData(), size_t(y.size())));
    return c != 0 ? c < 0 : a < b;
}
