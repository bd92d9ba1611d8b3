#include "platform/CCollation.h"

#include <QLocale>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

int Sign(int c)
{
    return (c > 0) - (c < 0);
}

// Texts that mostly share their beginnings: digits and numbers with leading zeros, case,
// punctuation, spaces and a control character, accented letters (read as a letter with an
// accent in some languages, as letters of their own in others), and what the collator must
// judge itself (a combining ring that makes "å" in Danish, "l·", an ignored soft hyphen).
std::string RandomText(std::mt19937& rng, const std::string& start)
{
    static const std::vector<std::string> kPieces = {
        "a",  "A", "b", "c",    "C", "h",  "H",        "l",        "L", "z", "I",
        "i",  "0", "1", "2",    "9", "00", " ",        "-",        "_", ".", "'",
        "\t", "~", "(", "\x01", "é", "·",  "\xcc\x8a", "\xc2\xad", "e", "E", "è",
        "É",  "ê", "ë", "ä",    "Ä", "å",  "ñ",        "ø",        "ǘ", "ơ", "ß"};
    std::string text = start.substr(0, std::uniform_int_distribution<size_t>(0, start.size())(rng));
    const int more = std::uniform_int_distribution<int>(0, 5)(rng);
    for (int k = 0; k < more; ++k)
        text += kPieces[std::uniform_int_distribution<size_t>(0, kPieces.size() - 1)(rng)];
    return text;
}

} // namespace

// Comparing two texts (or their leads, where those tell, or the keys made without the
// collator) gives what comparing their keys gives, in languages whose letters join
// (Danish "aa", Czech "ch", Hungarian "cs") or differ from English ones (Turkish "ı").
TEST(CollatorTest, ComparingAgreesWithTheKeysInEveryLanguage)
{
    const QLocale previous;
    std::mt19937 rng(5381);
    for (const char* language : {"en_US", "da_DK", "cs_CZ", "hu_HU", "tr_TR", "sv_SE", "ja_JP",
                                 "de_DE", "fr_CA", "vi_VN", "es_ES", "pl_PL"}) {
        QLocale::setDefault(QLocale(QString::fromLatin1(language)));
        CCollation collation;
        // A number goes on in other scripts' digits; very long ones are parted.
        const std::vector<std::pair<std::string, std::string>> pairs = {
            {"b 2\xd9\xa1", "b 3"}, {"2" + std::string(299, '0'), std::string(299, '9')},
            {"éa", "eá"},           {"côte", "coté"},
            {"Émilie", "emilie"},   {"été 2", "ete 10"},
            {"\x01é", "é"}};
        for (int n = 0; n < 20000; ++n) {
            const auto [a, b] = n < int(pairs.size()) ? pairs[size_t(n)] : [&] {
                std::string first = RandomText(rng, RandomText(rng, ""));
                return std::pair(first, RandomText(rng, first));
            }();
            std::string keyA, keyB;
            collation.AppendKey(a, keyA);
            collation.AppendKey(b, keyB);
            const int byKeys = Sign(keyA.compare(keyB));
            ASSERT_EQ(Sign(collation.Compare(a, b)), byKeys)
                << language << " '" << a << "' '" << b << "'";
            std::string asciiA, asciiB; // made without the collator
            if (collation.AppendLatinKey(a, asciiA) && collation.AppendLatinKey(b, asciiB)) {
                ASSERT_EQ(Sign(asciiA.compare(asciiB)), byKeys)
                    << language << " ASCII keys '" << a << "' '" << b << "'";
            }
            // The leads tell an order only where it is right.
            if (const int byLeads = CCollation::ByLeads(collation.Lead(a), collation.Lead(b))) {
                ASSERT_EQ(byLeads, byKeys) << language << " leads '" << a << "' '" << b << "'";
            }
        }
    }
    QLocale::setDefault(previous);
}
