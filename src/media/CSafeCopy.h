#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <sys/stat.h>

// A song's file written anew without ever leaving a damaged song behind: a new copy is
// written beside it and takes its place by a rename once it is complete on disk, with the
// song's permissions, so that a crash, a kill or a full disk in the middle leaves the old
// file whole. Where the file system makes no unnamed files, the copy is a hidden file that
// a kill can leave behind; the next save in that folder removes it. Every format's writer
// goes through here.
namespace CSafeCopy {

// A song's file as it was before a copy took its place: the old bytes stay readable
// through it (the disk keeps them) until the last holder lets go, so that an undo puts
// them back byte for byte, whatever the writer changed.
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

// A new version of a song, written by `fill` from the old file (`from`, of `size` bytes)
// into `to`; empty, or why not.
using FFill = std::function<QString(int from, qint64 size, int to)>;

// The song's file, opened for writing, once it is known to be a writable regular file (a
// link is followed: the file it names is the song).
struct SOpened
{
    QByteArray real; // where a link leads
    int fd = -1;
    struct stat st = {};
    ~SOpened();
};
QString Open(const QString& path, SOpened& file);

// Writes the song anew through `fill` into a copy beside it that then takes its place.
QString CopyInto(int fd, const struct stat& st, const QByteArray& real, const FFill& fill);
// The same for the song at `path`; `original`, when given, keeps the file replaced.
QString ReplaceWithCopy(const QString& path, const FFill& fill, POriginalFile* original = nullptr);

// Bytes between descriptors: whole or false (errno says why).
bool CopyBytes(int from, int to, qint64 offset, qint64 length, qint64& written);
bool ReadBytes(int fd, char* data, qint64 length, qint64 offset);
bool WriteBytes(int fd, const char* data, qint64 length, qint64 offset);
// Up to `length` bytes from `offset`; empty when they cannot be read whole.
QByteArray ReadRange(int fd, qint64 offset, qint64 length);
// Whether a few bytes at `a` in one file and at `b` in another are the same: the audio a
// table points to must be where it points after an edit.
bool SameBytes(int fa, qint64 a, int fb, qint64 b);
// The system's words for an error number; without one, for the last call's.
QString Reason(int error);
QString Reason();

// Called while a copy is being written, with the bytes written so far (tests that
// interrupt a save watch it); null for none.
void SetCopyObserver(std::function<void(qint64 written)> observer);
// Copies are made as hidden named files, as on a file system without unnamed files (tests).
void SetNamedCopiesOnly(bool named);

} // namespace CSafeCopy
