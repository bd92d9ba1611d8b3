#pragma once

#include <QString>
#include <QStringList>

// The genre table: 200 names by genre number, 0 to 125 the ID3v1 genres as extended by
// Winamp, 126 to 199 empty. The song table stores a genre as its number in parentheses.
namespace CGenres {

constexpr int kTableSize = 200;
constexpr int kNamed = 126;
inline constexpr const char* kNone = "(NONE)";

// The name of genre n; empty outside 0 to 125.
QString Name(int n);
// The 126 named genres in number order.
QStringList Names();
// The number of an exact (case-sensitive) name, or -1.
int IndexOf(const QString& name);
// "(17)" for "Rock"; empty for an empty name, "(NONE)" or a name not in the table.
QString StoredForm(const QString& name);
// A tag's genre as the song table keeps it: a text naming a genre of the table (ignoring
// letter case) becomes "(n)", so the genre lists, Search and Random find it; any other
// text, and a number form, is kept unchanged.
QString StoredFormOfTag(const QString& genre);
// The number a stored genre names: its text without the first and last characters, read
// from its leading decimal digits (0 when there are none); -1 when that text is empty.
int NumberOf(const QString& stored);
// The 126 names (and "(NONE)" when asked), sorted alphabetically ignoring case, as the
// genre lists show them.
QStringList SortedNames(bool withNone);

} // namespace CGenres
