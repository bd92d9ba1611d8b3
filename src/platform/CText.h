#pragma once

#include "platform/CFileNames.h"

#include <QString>
#include <algorithm>
#include <string_view>

// Small text helpers shared by the subsystems.
namespace CText {

// The first n characters of s, never splitting a surrogate pair.
inline QString Left(const QString& s, qsizetype n)
{
    if (s.size() <= n)
        return s;
    if (n > 0 && s.at(n - 1).isHighSurrogate())
        --n;
    return s.left(n);
}

// Where a text is shown: a terminal, or markup (a web page), where tab and line breaks
// are white space and stay, and a noncharacter (U+FFFE, U+FDD0..U+FDEF and the like), which
// a valid page may not hold, shows as U+FFFD.
enum class EShownIn
{
    Terminal,
    Markup
};

// The text with its control characters (C0, DEL and C1) written as \xNN, so that a name
// can neither break a line nor send commands to a terminal; a byte of a file name that is
// not UTF-8 (see CFileNames) is written as \xNN of that byte. Everything the command line
// prints from names and values goes through it, and every text of the web page.
inline QString Printable(const QString& text, EShownIn where = EShownIn::Terminal)
{
    const bool markup = where == EShownIn::Markup;
    const auto isControl = [markup](char16_t c) {
        if (markup && (c == u'\t' || c == u'\n' || c == u'\r'))
            return false;
        return c < 0x20 || (c >= 0x7f && c <= 0x9f);
    };
    const auto isNoncharacter = [](char32_t c) {
        return (c >= 0xFDD0 && c <= 0xFDEF) || (c & 0xFFFE) == 0xFFFE;
    };
    const auto isSpecial = [&](QChar c) {
        return isControl(c.unicode()) || CFileNames::IsRawByte(c.unicode()) ||
               (markup && (c.isSurrogate() || isNoncharacter(c.unicode())));
    };
    if (std::none_of(text.begin(), text.end(), isSpecial))
        return text;
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (isControl(c)) {
            out += QStringLiteral("\\x%1").arg(int(c), 2, 16, QLatin1Char('0'));
        } else if (CFileNames::IsRawByte(c)) {
            out +=
                QStringLiteral("\\x%1").arg(int(CFileNames::RawByte(c)), 2, 16, QLatin1Char('0'));
        } else if (markup && QChar::isHighSurrogate(c) && i + 1 < text.size() &&
                   text[i + 1].isLowSurrogate()) {
            const char32_t pair = QChar::surrogateToUcs4(c, text[i + 1].unicode());
            out += isNoncharacter(pair) ? QString(QChar::ReplacementCharacter) : text.mid(i, 2);
            ++i;
        } else if (markup && (QChar::isSurrogate(c) || isNoncharacter(c))) {
            out += QChar::ReplacementCharacter; // a lone half of a pair, too
        } else {
            out += QChar(c);
        }
    }
    return out;
}

// Whether Printable may change a UTF-8 text shown in markup, judged from its bytes alone: a
// control character (the C1 ones are C2 80..9F), or a character at U+F000 or above (the raw
// bytes of file names, noncharacters). Most texts hold none and need no conversion.
inline bool MayChangeInMarkup(std::string_view text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0x20 && byte < 0x7f)
            continue;
        if (byte < 0x20 ? byte != '\t' && byte != '\n' && byte != '\r'
                        : byte == 0x7f || byte >= 0xef)
            return true;
        if (byte == 0xc2 &&
            (i + 1 == text.size() || static_cast<unsigned char>(text[i + 1]) <= 0x9f))
            return true;
    }
    return false;
}

// The native full path of a song: folder + '/' + file name.
inline QString JoinPath(const QString& folder, const QString& file)
{
    if (folder.endsWith(u'/'))
        return folder + file;
    return folder + u'/' + file;
}

// Leading digits as C's atoi reads them ("128 kbps" is 128, "abc" is 0): blanks skipped,
// a sign taken, capped far beyond any bit rate, length or version so that sums cannot
// overflow.
inline qint64 LeadingInteger(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    qint64 value = 0;
    constexpr qint64 kCap = qint64(1) << 40;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = std::min(kCap, value * 10 + (text[i] - '0'));
    return negative ? -value : value;
}

// Seconds as minutes, ':' and two-digit seconds ("3:07"); a negative count, which only
// another tool can have stored, keeps its sign in front ("-0:14").
inline QString MinutesSeconds(qint64 seconds)
{
    const quint64 size = seconds < 0 ? 0 - quint64(seconds) : quint64(seconds);
    return QStringLiteral("%1%2:%3")
        .arg(seconds < 0 ? QStringLiteral("-") : QString())
        .arg(size / 60)
        .arg(size % 60, 2, 10, QLatin1Char('0'));
}

// "song" or "songs", as the number wants.
inline QString SongWord(qint64 songs)
{
    return songs == 1 ? QStringLiteral("song") : QStringLiteral("songs");
}

// "1 song", "1,234 songs".
inline QString Songs(qint64 songs)
{
    QString count = QString::number(songs);
    for (qsizetype at = count.size() - 3; at > 0; at -= 3)
        count.insert(at, u',');
    return count + u' ' + SongWord(songs);
}

// "1,234 songs · 3 h 12 min": how many songs and how long they play together.
// A negative length is not known yet: the count alone.
inline QString SongsAndTime(qint64 songs, qint64 seconds)
{
    if (seconds < 0)
        return Songs(songs);
    const qint64 hours = seconds / 3600, minutes = seconds % 3600 / 60;
    const QString time = hours > 0     ? QStringLiteral("%1 h %2 min").arg(hours).arg(minutes)
                         : minutes > 0 ? QStringLiteral("%1 min").arg(minutes)
                                       : QStringLiteral("%1 s").arg(seconds);
    return QStringLiteral("%1 \u00b7 %2").arg(Songs(songs), time);
}

} // namespace CText
