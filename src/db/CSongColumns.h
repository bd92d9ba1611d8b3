#pragma once

// The columns of the song table, in binding order.
enum class ESongColumn
{
    ID,
    CD,
    LIST,
    PATH,
    MELODI,
    TITLE,
    ARTIST,
    ALBUM,
    GENRE,
    YEAR,
    LYRICS,
    BITRATE,
    COMMENT,
    DURATION,
    USE,
    EXTENDED1,
    EXTENDED2,
    TRACK, // the track number, NULL when unknown
};

namespace CSongColumns {
constexpr int kCount = 18;
// The column's name as written in SQL (bracketed, since USE is a keyword elsewhere).
const char* SqlName(ESongColumn column);
// Plain name, as shown to people ("TITLE").
const char* Name(ESongColumn column);
// Longest text the column keeps; 0 when it keeps any length (and for the numbers).
int MaxLength(ESongColumn column);
// Longest text the catalogue keeps of what a file or the user gives (year 30 characters,
// comment 250, bit rate and length 50, lyrics 5000); 0 for the columns it keeps as they
// come (title, artist and album whole, as the tag reader's bounds let them in). A file
// keeps the whole text.
int KeptLength(ESongColumn column);
// The column holding its folded copy (case-insensitive lookups), or nullptr.
const char* FoldedName(ESongColumn column);
} // namespace CSongColumns
