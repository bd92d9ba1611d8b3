#pragma once

#include <QString>

class CCachedFile;

// The tag fields the intake takes from a file.
struct STagFields
{
    QString title;   // TIT2
    QString artist;  // TPE1
    QString album;   // TALB
    QString genre;   // TCON as text; ID3v1 / numeric genres as "(n)"
    QString year;    // TYER, or TDRC in ID3v2.4
    QString lyrics;  // USLT, at most kMaxLyrics characters
    QString comment; // COMM
    QString track;   // TRCK ("3" or "3/12"); the ID3v1.1 track number
};

namespace CTagReader {
// The longest lyrics text taken from a tag.
constexpr qsizetype kMaxLyrics = 5000;

// Reads the tag of one file: each field from the ID3v2 frame of that identifier, else
// from the APE tag, else from the ID3v1 tag; FLAC, Ogg and M4A files from their own tags
// (see CFormatTags). False (fields empty) when the file has no
// readable tag or cannot be opened; never throws, never prints, never crashes on broken
// input.
bool ReadTagFields(const QString& path, STagFields& fields);
// The same for a file known to be MPEG audio.
bool ReadMpegFields(const QString& path, STagFields& fields);
bool ReadMpegFields(CCachedFile& file, STagFields& fields);
} // namespace CTagReader
