#pragma once

#include <QString>
#include <QStringList>

// The rules that turn file names into song information. They reproduce the program's
// long-standing behaviour exactly, quirks included, because stored catalogues were
// built with them.
namespace CNamingRules {

// True when the lower-case extension is one of the blank-separated words of
// `recognized` (the setting Recognized). Empty words match nothing.
bool IsRecognizedType(const QString& extension, const QString& recognized);
// The same, reading the setting.
bool IsRecognizedType(const QString& extension);
// The text after the last '.' of a file name, lower case (the whole name when none).
QString ExtensionOf(const QString& fileName);

// The setting Formatting; empty turns the pattern off.
QString FormattingPattern();

// Splits a file name by the formatting string ("%1 - %2": artist, title; %3 album).
// Writes the columns as it goes; false when the name does not fit.
bool ApplyFormatting(const QString& fileName, const QString& pattern, QString& artist,
                     QString& title, QString& album);
// The same with FormattingPattern().
bool ApplyFormatting(const QString& fileName, QString& artist, QString& title, QString& album);

// Removes leading track numbers and brackets unless the text begins with one of
// `namesWithDigits` (compared ignoring case).
QString RemoveTrackNumber(const QString& text, const QStringList& namesWithDigits);

// The folder name the "Use Folder as..." option takes: the text after the last '/'.
QString FolderName(const QString& directory);

// The song list's text of a file: its name without the last four characters (".mp3"), or
// without ".flac" / ".opus".
QString ListName(const QString& fileName);
// Whether the list shows a song's tag title instead, when it has one (setting "ID3" 0).
bool TitleAsListText();

} // namespace CNamingRules
