#pragma once

#include <QByteArray>
#include <QString>

// Reading a file someone named, with a stated bound. What is not a regular file (a device
// such as /dev/zero, a pipe, a socket, a folder) is refused before a byte is read: it
// could be read without end or wait forever for a writer. Symbolic links are followed.
namespace CRegularFile {

// Whether the name leads to a regular file (false for anything else, or nothing).
bool IsRegular(const QString& path);

// Opens the file for reading, without ever waiting for a writer; -1 with the reason when
// it cannot be opened or is not a regular file. The caller owns the descriptor.
int OpenForReading(const QString& path, QString& reason);

// The whole file when it is a regular file of at most maxBytes; false with the reason.
bool Read(const QString& path, qint64 maxBytes, QByteArray& bytes, QString& reason);

// The rest of an open descriptor (a pipe too), refused once it passes maxBytes.
bool ReadAll(int fd, qint64 maxBytes, QByteArray& bytes, QString& reason);

// Up to `length` bytes from `offset` on, fewer at the end of the file or on an error.
QByteArray ReadAt(int fd, qint64 offset, qint64 length);
// The same into `out`; how many bytes were read.
qint64 ReadInto(int fd, char* out, qint64 length, qint64 offset);

// "The file is larger than N KB (or MB); it was not read.", with the bound spelled once.
QString TooLarge(qint64 maxBytes);
QString NotRegular();

} // namespace CRegularFile
