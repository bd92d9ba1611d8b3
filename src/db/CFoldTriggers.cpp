#include "db/CFoldTriggers.h"

#include <QString>
#include <string_view>
#include <vector>

namespace {

using SRange = CFoldTriggers::SRange;

// The capitals a trigger folds with replace(), the most frequent in European titles: SQLite
// parses no more nested calls in a trigger.
constexpr char16_t kCapitals[] = u"ÀÁÂÃÄÅÆÇÈÉÊËÍÎÑÓÔÕÖØÚÜŠŽ";

// Blocks whose characters a trigger may take: those of them that fold to themselves (small
// letters, caseless scripts, signs) and the capitals above.
constexpr SRange kBlocks[] = {
    {0x00A0, 0x024F}, // Latin-1 signs and letters, Latin Extended-A and -B
    {0x0370, 0x03FF}, // Greek
    {0x0400, 0x04FF}, // Cyrillic
    {0x0590, 0x05FF}, // Hebrew
    {0x0600, 0x06FF}, // Arabic
    {0x0E00, 0x0E7F}, // Thai
    {0x2010, 0x205E}, // dashes, quotation marks, ellipsis, other punctuation
    {0x20A0, 0x20C0}, // currency signs
    {0x3000, 0x30FF}, // CJK punctuation, kana
    {0x4E00, 0x9FFF}, // CJK ideographs
    {0xAC00, 0xD7A3}, // Hangul syllables
};

bool IsCapital(char16_t c)
{
    return std::u16string_view(kCapitals).find(c) != std::u16string_view::npos;
}

std::vector<SRange> AcceptedRanges()
{
    std::vector<SRange> ranges;
    for (const SRange& block : kBlocks)
        for (char32_t c = block.first; c <= block.last; ++c) {
            const QChar letter{char16_t(c)};
            if (letter.toCaseFolded() != letter && !IsCapital(char16_t(c)))
                continue;
            if (!ranges.empty() && ranges.back().last + 1 == c)
                ranges.back().last = c;
            else
                ranges.push_back({c, c});
        }
    return ranges;
}

QString Char(char32_t c)
{
    return QString::fromUcs4(&c, 1);
}

// The class of a GLOB pattern that matches any character a trigger cannot fold.
QString Unfoldable()
{
    QString pattern = QStringLiteral("[^ -~");
    for (const SRange& range : CFoldTriggers::Accepted())
        pattern += range.first == range.last
                       ? Char(range.first)
                       : Char(range.first) + QLatin1Char('-') + Char(range.last);
    return pattern + QLatin1Char(']');
}

QString FoldCapitals(QString text)
{
    for (const char16_t c : std::u16string_view(kCapitals))
        text =
            QStringLiteral("replace(%1, '%2', '%3')").arg(text, QChar(c), QChar(c).toCaseFolded());
    return text;
}

} // namespace

std::span<const SRange> CFoldTriggers::Accepted()
{
    static const std::vector<SRange> ranges = AcceptedRanges();
    return ranges;
}

QByteArray CFoldTriggers::CreateSql()
{
    static constexpr const char* kColumns[][2] = {{"Title", "TITLE"},
                                                  {"Artist", "ARTIST"},
                                                  {"Album", "ALBUM"},
                                                  {"File", "MELODI"},
                                                  {"Genre", "GENRE"}};
    const QString unfoldable = Unfoldable();
    QString sql;
    for (const auto& column : kColumns) {
        const QString name = QLatin1String(column[1]);
        sql +=
            QStringLiteral("CREATE TRIGGER IF NOT EXISTS SongsFold%1 AFTER UPDATE OF %2 ON Songs\n"
                           "    WHEN NEW.%2 IS NOT OLD.%2\n"
                           "BEGIN UPDATE Songs SET %2_FOLDED = CASE\n"
                           "    WHEN NEW.%2 NOT GLOB '*[^ -~]*' THEN lower(NEW.%2)\n"
                           "    WHEN NEW.%2 GLOB '*%3*' THEN NULL\n"
                           "    ELSE lower(%4) END WHERE ID = NEW.ID; END;\n")
                .arg(QLatin1String(column[0]), name, unfoldable,
                     FoldCapitals(QStringLiteral("NEW.") + name));
    }
    return sql.toUtf8();
}

const char* CFoldTriggers::DropSql()
{
    return "DROP TRIGGER IF EXISTS SongsFoldTitle; DROP TRIGGER IF EXISTS SongsFoldArtist; "
           "DROP TRIGGER IF EXISTS SongsFoldAlbum; DROP TRIGGER IF EXISTS SongsFoldFile; "
           "DROP TRIGGER IF EXISTS SongsFoldGenre;";
}
