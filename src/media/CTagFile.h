#pragma once

#include <QString>
#include <functional>
#include <optional>

// Writes frames into an MP3 file's tags without ever leaving a damaged song behind.
//
// The file keeps the ID3v2 version it has (ID3v2.2, which nothing writes any more,
// becomes ID3v2.3); text goes in Latin-1, or UTF-16 when it needs more, in ID3v2.3 and in
// UTF-8 in ID3v2.4. A file without an ID3v2 tag gets an ID3v2.4 one. An ID3v1 tag that is
// there is refreshed, none is added; an APE tag and the audio stay byte for byte.
//
// A change that fits one page of the file where the tag already has room is written in
// place with one write, which a kill cannot split. Any other change is written as a new
// copy beside the file that replaces it by a rename once it is complete on disk: a crash,
// a kill or a full disk in the middle leaves the old file whole.
namespace CTagFile {

struct SChanges
{
    std::optional<QString> title;   // TIT2
    std::optional<QString> artist;  // TPE1
    std::optional<QString> album;   // TALB
    std::optional<QString> year;    // TYER (ID3v2.3), TDRC (ID3v2.4)
    std::optional<QString> genre;   // TCON, as the catalogue stores it: "(17)"
    std::optional<QString> comment; // COMM without a description
    std::optional<QString> lyrics;  // USLT
    int genreNumber = -1;           // the ID3v1 genre, when 0 to 125
};

// Writes the changes; empty when the file now holds them, else why it was left as it was.
QString Write(const QString& path, const SChanges& changes);

// Called while a copy is being written, with the bytes written so far (tests that
// interrupt a save watch it); null for none.
void SetCopyObserver(std::function<void(qint64 written)> observer);

} // namespace CTagFile
