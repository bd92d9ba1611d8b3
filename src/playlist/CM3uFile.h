#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class CCdlistSet;

// One song line of a playlist file, resolved to the file it names.
struct SM3uLine
{
    QString path;         // as looked up: absolute native path, or the Windows text as read
    QString folder;       // everything before the last separator
    QString name;         // everything after it, as written in the file
    bool foreign = false; // a Windows path (drive letter or backslashes): never on this disk
    // A line that is not UTF-8 reads two ways: as Latin-1 and with its bytes kept (see
    // CFileNames). folder and name hold the one naming a file here (else Latin-1); these
    // hold the other, for finding the song in the catalogue.
    QString otherFolder;
    QString otherName;
};

// Playlist files: one absolute path per line, CR LF, UTF-8 (read also as Latin-1), no header;
// a file name that is not UTF-8 is written with its own bytes.
namespace CM3uFile {

// What Write wrote: the number of song lines, and the paths left out because a line break
// in them would split their line (no player could read them back).
struct SWritten
{
    int lines = 0;
    QStringList leftOut;
};

// Writes the songs of the playlist entries (their IDs, in order); entries whose song is
// gone are left out. The file is replaced only once it is completely written, so a full
// disk never leaves a half-written playlist behind; a symbolic link stays a link and its
// file is replaced. `protectedFiles` and anything but a regular file are refused (see
// CSafeTarget).
bool Write(CCdlistSet& set, const QList<qint64>& ids, const QString& file,
           const QStringList& protectedFiles, SWritten& written, QString& error);

// The warning that names the paths Write left out.
QString LeftOutText(const QStringList& paths);

// Reads the song lines of a playlist: empty lines, lines starting with '#' and lines
// longer than 64 KB are skipped, a line starting with a backslash is taken as a path on
// drive C:, and a relative path is taken relative to the playlist's own folder. Anything
// but a regular file, files over 64 MB and files naming more than 100,000 songs are
// refused with an error naming the file.
bool Read(const QString& file, QList<SM3uLine>& lines, QString& error);

// Turns one line into a song path; false for lines that name no song.
bool ParseLine(QString text, const QString& baseFolder, SM3uLine& line);

// Splits a path at its last separator ('/' for native paths, '\' for foreign ones).
void SplitPath(const QString& path, bool foreign, QString& folder, QString& name);

// The user-facing report of a file that could not be read or written.
QString FileErrorText(const QString& file, const QString& reason);

} // namespace CM3uFile
