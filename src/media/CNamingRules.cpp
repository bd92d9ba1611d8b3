#include "media/CNamingRules.h"

#include "media/CAudioFormat.h"
#include "platform/CSettings.h"

namespace {

void TrimLeft(QString& s)
{
    qsizetype n = 0;
    while (n < s.size() && s.at(n).isSpace())
        ++n;
    s.remove(0, n);
}

void TrimRight(QString& s)
{
    qsizetype n = s.size();
    while (n > 0 && s.at(n - 1).isSpace())
        --n;
    s.truncate(n);
}

void RemoveLeadingRun(QString& s, QChar c)
{
    qsizetype n = 0;
    while (n < s.size() && s.at(n) == c)
        ++n;
    s.remove(0, n);
}

// After an opening bracket has been dropped: drop the first closing one too, unless
// another opening bracket comes before it.
void RemoveClosingBracket(QString& s, QChar open, QChar close)
{
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s.at(i) == open)
            return;
        if (s.at(i) == close) {
            s.remove(i, 1);
            return;
        }
    }
}

bool StartsWithListedName(const QString& w, const QStringList& names)
{
    for (const QString& name : names) {
        if (name.toLower() == w.left(name.size()).toLower())
            return true;
    }
    return false;
}

// One working state of the pattern walk.
struct SFormatState
{
    QString rest;
    QString prefix;
    QString suffix;
    QChar delimiter;
    bool hasDelimiter = false;
};

void StripPrefix(SFormatState& st)
{
    TrimLeft(st.rest);
    if (st.rest.startsWith(st.prefix))
        st.rest.remove(0, st.prefix.size());
}

void StripSuffix(QString& target, const QString& suffix)
{
    if (target.endsWith(suffix))
        target.chop(suffix.size());
}

// What the song list cuts off a name: four characters (".mp3"), as stored catalogues
// were built; the whole ".flac" or ".opus" of the longer known types.
qsizetype TypeSuffixLength(const QString& fileName)
{
    const QString extension = CNamingRules::ExtensionOf(fileName);
    return extension.size() > 3 && fileName.contains(u'.') &&
                   CNamingRules::IsRecognizedType(extension, CAudioFormat::KnownTypes())
               ? extension.size() + 1
               : 4;
}

} // namespace

namespace CNamingRules {

bool IsRecognizedType(const QString& extension, const QString& recognized)
{
    const QStringList words = recognized.toLower().split(u' ');
    for (const QString& word : words) {
        // An empty word (two blanks in a row, a trailing blank) is no type at all.
        if (!word.isEmpty() && word == extension)
            return true;
    }
    return false;
}

bool IsRecognizedType(const QString& extension)
{
    return IsRecognizedType(extension, CSettings::String(ESetting::Recognized));
}

QString ExtensionOf(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(u'.');
    return (dot < 0 ? fileName : fileName.mid(dot + 1)).toLower();
}

bool ApplyFormatting(const QString& fileName, const QString& pattern, QString& artist,
                     QString& title, QString& album)
{
    SFormatState st;
    st.rest = fileName;
    const qsizetype len = pattern.size();
    qsizetype i = 0;
    while (i < len) {
        const QChar c = pattern.at(i);
        if (c == u'%' || c == u' ') {
            ++i;
            continue;
        }
        if (c != u'1' && c != u'2' && c != u'3') {
            st.prefix += c;
            ++i;
            continue;
        }
        QString& target = c == u'1' ? artist : c == u'2' ? title : album;
        qsizetype j = i + 1;
        while (j < len && pattern.at(j) != u' ')
            st.suffix += pattern.at(j++);
        if (j < len) {
            while (j < len && pattern.at(j) == u' ')
                ++j;
            // Only blanks after the placeholder: there is nothing to split at, so the
            // part comes out empty and the name fails below.
            const bool usable = j < len;
            if (usable) {
                st.delimiter = pattern.at(j);
                st.hasDelimiter = true;
            }
            StripPrefix(st);
            const qsizetype at = usable ? st.rest.indexOf(st.delimiter) : -1;
            target = at < 0 ? QString() : st.rest.left(at);
            if (&target != &album)
                TrimRight(target);
            StripSuffix(target, st.suffix);
            if (at >= 0)
                st.rest.remove(0, at + 1);
        } else {
            StripPrefix(st);
            const qsizetype suffix = TypeSuffixLength(fileName);
            target = st.rest.size() > suffix ? st.rest.left(st.rest.size() - suffix) : QString();
            StripSuffix(target, st.suffix);
        }
        target = target.trimmed();
        st.prefix.clear();
        st.suffix.clear();
        if (target.isEmpty() || (st.hasDelimiter && target.contains(st.delimiter)))
            return false;
        i = j + 1;
    }
    return true;
}

QString FormattingPattern()
{
    return CSettings::String(ESetting::Formatting);
}

bool ApplyFormatting(const QString& fileName, QString& artist, QString& title, QString& album)
{
    return ApplyFormatting(fileName, FormattingPattern(), artist, title, album);
}

QString RemoveTrackNumber(const QString& text, const QStringList& namesWithDigits)
{
    QString w = text;
    while (!w.isEmpty()) {
        TrimLeft(w);
        if (w.isEmpty())
            break;
        const QChar c = w.at(0);
        if (c == u'(' || c == u'[') {
            w.remove(0, 1);
            RemoveClosingBracket(w, c, c == u'(' ? u')' : u']');
            continue;
        }
        if (!namesWithDigits.isEmpty() && StartsWithListedName(w, namesWithDigits))
            break;
        if (c == u')' || c == u'-' || c == u']' || c == u'.' || c == u',' || c.isDigit()) {
            RemoveLeadingRun(w, c);
            continue;
        }
        break;
    }
    TrimLeft(w);
    return w.isEmpty() ? text : w;
}

QString FolderName(const QString& directory)
{
    return directory.mid(directory.lastIndexOf(u'/') + 1);
}

} // namespace CNamingRules

QString CNamingRules::ListName(const QString& fileName)
{
    return fileName.left(qMax<qsizetype>(0, fileName.size() - TypeSuffixLength(fileName)));
}

bool CNamingRules::TitleAsListText()
{
    return !CSettings::Bool(ESetting::ID3);
}
