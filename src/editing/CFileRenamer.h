#pragma once

#include <QString>

// Renaming a song's file after the formatting string ("%1 - %2": artist, title; %3 album).
namespace CFileRenamer {

// The name the pattern gives: each "1", "2" and "3" stands for the artist, the title and
// the album (when not empty), wherever it stands; "%" is dropped; every other character
// is kept. The old name's extension (from its last ".") is appended.
QString NewName(const QString& pattern, const QString& artist, const QString& title,
                const QString& album, const QString& oldName);

// Renames folder/oldName to folder/newName. Nothing that exists is replaced, and a name
// that is empty or holds "/" or NUL (which would name a folder or be cut) is refused.
// Empty when the file now has the new name, else why not.
QString Rename(const QString& folder, const QString& oldName, const QString& newName);

} // namespace CFileRenamer
