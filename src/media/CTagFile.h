#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

// Writes frames into an MP3 file's tags without ever leaving a damaged song behind. FLAC,
// Ogg and M4A files get their own tags by the same rules (see CFormatTagFile).
//
// Only the frames of the fields changed are rendered anew; every other frame is written
// back as the bytes it was (see CId3Frames). The file keeps the ID3v2 version it has
// (ID3v2.2, which nothing writes any more, becomes ID3v2.3); new text goes in Latin-1, or
// UTF-16 when it needs more, in ID3v2.3 and in UTF-8 in ID3v2.4. A file without an ID3v2
// tag gets an ID3v2.4 one. In an ID3v1 tag that is there the changed fields are written,
// none is added; an APE tag and the audio stay byte for byte.
//
// A change that fits one page of the file where the tag already has room is written in
// place with one write, which a kill cannot split. Any other change is written as a new
// copy beside the file that replaces it by a rename once it is complete on disk: a crash,
// a kill or a full disk in the middle leaves the old file whole. Where the file system
// makes no unnamed files, the copy is a hidden file that a kill can leave behind; the next
// save in that folder removes it.
namespace CTagFile {

struct SChanges
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

    bool IsEmpty() const
    {
        return !title && !artist && !album && !year && !genre && !comment && !lyrics && !track;
    }
};

// A song's file as it was before a write put a new copy in its place: the old bytes stay
// readable through it (the disk keeps them) until the last holder lets go, so that an undo
// puts them back byte for byte, whatever the writer changed around the tag.
class COriginalFile
{
public:
    explicit COriginalFile(int fd) : m_fd(fd) {}
    ~COriginalFile();
    COriginalFile(const COriginalFile&) = delete;
    COriginalFile& operator=(const COriginalFile&) = delete;
    int Fd() const { return m_fd; }

private:
    int m_fd;
};
using POriginalFile = std::shared_ptr<const COriginalFile>;

// What a file held where tags are kept before a write, to put it back.
struct SBefore
{
    QByteArray v2;          // the ID3v2 tag as it was (empty: none)
    QByteArray v1;          // the ID3v1 tag as it was (empty: none)
    POriginalFile original; // another format's whole file as it was
};

// Writes the changes; empty when the file now holds them, else why it was left as it was.
// `before`, when given, receives what the tags were.
QString Write(const QString& path, const SChanges& changes, SBefore* before = nullptr);
// Puts back the tags a Write found (when what was stored with it could not be kept); empty,
// or why not.
QString Restore(const QString& path, const SBefore& before);

// A new version of a song, written by `fill` from the old file (`from`, of `size` bytes)
// into `to`; empty, or why not.
using FFill = std::function<QString(int from, qint64 size, int to)>;
// Writes the song at `path` anew through a copy beside it that takes its place once it is
// complete on disk, with the song's permissions; empty, or why not. `original`, when
// given, keeps the file that was replaced.
QString ReplaceWithCopy(const QString& path, const FFill& fill, POriginalFile* original = nullptr);
// Bytes between descriptors: whole or false (errno says why).
bool CopyBytes(int from, int to, qint64 offset, qint64 length, qint64& written);
bool ReadBytes(int fd, char* data, qint64 length, qint64 offset);
bool WriteBytes(int fd, const char* data, qint64 length, qint64 offset);

// Called while a copy is being written, with the bytes written so far (tests that
// interrupt a save watch it); null for none.
void SetCopyObserver(std::function<void(qint64 written)> observer);
// Copies are made as hidden named files, as on a file system without unnamed files (tests).
void SetNamedCopiesOnly(bool named);

} // namespace CTagFile
