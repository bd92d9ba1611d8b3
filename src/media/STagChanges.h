#pragma once

#include "media/STagFields.h"

#include <QString>
#include <array>
#include <optional>

// The fields an edit changes in a file's tag, whatever its format; a field left out stays
// byte for byte. The ID3 frame each field is for MP3 is named beside it.
struct STagChanges
{
    std::optional<QString> title;   // TIT2
    std::optional<QString> artist;  // TPE1
    std::optional<QString> album;   // TALB
    std::optional<QString> year;    // TYER (ID3v2.3), TDRC (ID3v2.4)
    std::optional<QString> genre;   // TCON, as the catalogue stores it: "(17)"; empty clears it
    std::optional<QString> comment; // COMM without a description
    std::optional<QString> lyrics;  // USLT
    std::optional<QString> track;   // TRCK; the ID3v1.1 track number where the comment leaves room
    int genreNumber = -1;           // the ID3v1 genre, when 0 to 125

    std::optional<QString>& operator[](ETagField field) { return this->*Members()[int(field)]; }
    const std::optional<QString>& operator[](ETagField field) const
    {
        return this->*Members()[int(field)];
    }

    // Whether a tag read after the edit holds the texts it set (the genre and the lyrics
    // each format keeps in a form of its own; the track by its number).
    bool ReadBackIn(const STagFields& now) const
    {
        const auto same = [](const std::optional<QString>& set, const QString& read) {
            return !set || *set == read;
        };
        const auto number = [](const QString& t) {
            return t.section(u'/', 0, 0).trimmed().toUInt();
        };
        return same(title, now.title) && same(artist, now.artist) && same(album, now.album) &&
               same(comment, now.comment) && same(year, now.year) &&
               (!track || number(*track) == number(now.track));
    }

    bool IsEmpty() const
    {
        return !title && !artist && !album && !year && !genre && !comment && !lyrics && !track;
    }

private:
    static constexpr std::array<std::optional<QString> STagChanges::*, kTagFieldCount> Members()
    {
        return {&STagChanges::title,  &STagChanges::artist, &STagChanges::album,
                &STagChanges::genre,  &STagChanges::year,   &STagChanges::comment,
                &STagChanges::lyrics, &STagChanges::track};
    }
};
