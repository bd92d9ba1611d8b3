#pragma once

#include <QString>
#include <QStringList>

// The genre names by number: 0 to 125 the ID3v1 genres with Winamp's extensions.
// (A local copy until the library's genre table is shared.)
namespace CGenreNames {

constexpr int kCount = 126;
QString Name(int number); // empty outside 0..125
// Number of a name compared exactly; -1 when it is not a genre name.
int Number(const QString& name);
// The stored form of a genre: "(n)".
QString StoredForm(int number);

} // namespace CGenreNames
