#pragma once

#include <QString>

// The tag fields the intake takes from a file.
struct STagFields
{
    QString title;   // TIT2
    QString artist;  // TPE1
    QString album;   // TALB
    QString genre;   // TCON as text; ID3v1 / numeric genres as "(n)"
    QString year;    // TYER, or TDRC in ID3v2.4
    QString lyrics;  // USLT, at most 5000 characters
    QString comment; // COMM
};

namespace CTagReader {
// Reads the tag of one file. False (fields empty) when the file has no readable tag
// or cannot be opened; never throws, never crashes on broken input.
bool ReadTagFields(const QString& path, STagFields& fields);
} // namespace CTagReader
