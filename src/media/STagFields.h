#pragma once

#include <QString>
#include <array>

// The fields of a song's tag the program reads and writes, whatever the format: one name
// for each from the file's own key or frame to the form and the record.
enum class ETagField
{
    Title,
    Artist,
    Album,
    Genre,
    Year,
    Comment,
    Lyrics,
    Track,
};
inline constexpr int kTagFieldCount = 8;

// The tag fields the intake takes from a file, whatever its format.
struct STagFields
{
    // The longest lyrics text taken from a tag.
    static constexpr qsizetype kMaxLyrics = 5000;
    // No file costs more than this to read, whatever its blocks or atoms claim: a tag with
    // pictures is read whole.
    static constexpr qint64 kMaxRead = 16 * 1024 * 1024;

    QString title;   // TIT2
    QString artist;  // TPE1
    QString album;   // TALB
    QString genre;   // TCON as text; ID3v1 / numeric genres as "(n)"
    QString year;    // TYER, or TDRC in ID3v2.4
    QString lyrics;  // USLT, at most kMaxLyrics characters
    QString comment; // COMM
    QString track;   // TRCK ("3" or "3/12"); the ID3v1.1 track number

    QString& operator[](ETagField field) { return this->*Members()[int(field)]; }
    const QString& operator[](ETagField field) const { return this->*Members()[int(field)]; }

private:
    static constexpr std::array<QString STagFields::*, kTagFieldCount> Members()
    {
        return {&STagFields::title, &STagFields::artist,  &STagFields::album,  &STagFields::genre,
                &STagFields::year,  &STagFields::comment, &STagFields::lyrics, &STagFields::track};
    }
};
