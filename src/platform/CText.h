#pragma once

#include <QString>

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

// The native full path of a song: folder + '/' + file name.
inline QString JoinPath(const QString& folder, const QString& file)
{
    if (folder.endsWith(u'/'))
        return folder + file;
    return folder + u'/' + file;
}

} // namespace CText
