#include "db/CTextFold.h"

#include <QList>
#include <vector>

namespace {

// The blocks of the marks Latin, Greek and Cyrillic letters decompose into.
bool IsDiacritic(char32_t c)
{
    return (c >= 0x300 && c <= 0x36F) || (c >= 0x1AB0 && c <= 0x1AFF) ||
           (c >= 0x1DC0 && c <= 0x1DFF) || (c >= 0x20D0 && c <= 0x20FF) ||
           (c >= 0xFE20 && c <= 0xFE2F);
}

char32_t WithoutAccents(char32_t c)
{
    if (IsDiacritic(c))
        return CTextFold::kDropped;
    const char32_t folded = QChar::toCaseFolded(c);
    if (QChar::decompositionTag(folded) != QChar::Canonical)
        return folded;
    // The whole canonical decomposition: "ǖ" is "u" with two marks.
    const QList<uint> parts =
        QString::fromUcs4(&folded, 1).normalized(QString::NormalizationForm_D).toUcs4();
    if (parts.size() < 2)
        return folded; // a single character standing for another (Ω for the ohm sign)
    for (qsizetype i = 1; i < parts.size(); ++i) {
        if (!IsDiacritic(parts[i]))
            return folded;
    }
    return QChar::toCaseFolded(char32_t(parts[0])); // "İ" is "I" with a dot
}

// Every character's form up to kLastFolded, made once: a text is folded a character at a
// time in the search's test of each row.
const std::vector<char32_t>& UnaccentedTable()
{
    static const std::vector<char32_t> table = [] {
        std::vector<char32_t> t(CTextFold::kLastFolded + 1);
        for (char32_t c = 0; c <= CTextFold::kLastFolded; ++c)
            t[c] = c < 0x80 ? (c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c) : WithoutAccents(c);
        return t;
    }();
    return table;
}

} // namespace

char32_t CTextFold::Char(char32_t c, bool accents)
{
    return accents ? WithoutAccents(c) : QChar::toCaseFolded(c);
}

QString CTextFold::Text(const QString& text) const
{
    if (!m_accents)
        return text.toCaseFolded();
    const std::vector<char32_t>& table = UnaccentedTable();
    const qsizetype n = text.size();
    const QChar* in = text.constData();
    QString out;
    out.reserve(n);
    for (qsizetype i = 0; i < n; ++i) {
        char32_t c = in[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < n && in[i + 1].isLowSurrogate())
            c = QChar::surrogateToUcs4(char16_t(c), in[++i].unicode());
        const char32_t folded = c <= kLastFolded ? table[c] : c;
        if (folded == kDropped)
            continue;
        if (QChar::requiresSurrogates(folded)) {
            out += QChar(QChar::highSurrogate(folded));
            out += QChar(QChar::lowSurrogate(folded));
        } else {
            out += QChar(char16_t(folded));
        }
    }
    return out;
}

QByteArray CTextFold::Utf8(const QString& text) const
{
    const qsizetype n = text.size();
    const QChar* in = text.constData();
    QByteArray out(n, Qt::Uninitialized);
    char* o = out.data();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = in[i].unicode();
        if (c >= 0x80)
            return Text(text).toUtf8();
        // Within ASCII, folding maps A-Z and nothing else.
        o[i] = char(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
    }
    return out;
}
