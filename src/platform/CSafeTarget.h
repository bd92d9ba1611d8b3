#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <functional>

class QIODevice;

// Whether a file the user named may be written by an export or a copy: a writer asks
// before it opens the target.
namespace CSafeTarget {

// The program's own files that nothing it writes for the user may replace: the catalogue
// with its -wal and -shm files, and the settings file.
QStringList ProgramFiles(const QString& database, const QString& settings);

// Why `target` must not be written, or empty when it may: it is one of `protectedFiles`
// (under any spelling, through a symbolic link or as another hard link of it), or it
// exists and is not a regular file (a device, a pipe, a folder). A symbolic link to an
// ordinary file may be written: the file it points to is.
QString Refusal(const QString& target, const QStringList& protectedFiles);

// "file" and the reason on the next line, as every file error is shown.
QString FileError(const QString& file, const QString& reason);

// Writes a whole file that may not be one of `protectedFiles` (see Refusal) through
// `write`, which returns why it failed or nothing. The file is replaced only once all of
// it is written. False with `error` (FileError) when anything failed.
bool WriteWhole(const QString& file, const QStringList& protectedFiles,
                const std::function<QString(QIODevice& out)>& write, QString& error);

// Whether two names lead to one file (any spelling, symbolic or hard links).
bool SameFile(const QString& a, const QString& b);

// Those of a list of files that exist, by identity: whether a file that exists is one of
// them (under any name or link) costs one stat, where SameFile resolves both names each
// time; for a job that asks it of a thousand files.
class COwnFiles
{
public:
    explicit COwnFiles(const QStringList& files);
    bool Holds(const QString& path) const;

private:
    QList<QPair<quint64, quint64>> m_ids; // device, inode
};

} // namespace CSafeTarget
