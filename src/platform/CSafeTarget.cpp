#include "platform/CSafeTarget.h"

#include "platform/CFileNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <sys/stat.h>

namespace {

// Where a write to `path` lands: symbolic links followed to their end (a dangling one
// too, the write would create its target), the folder spelled canonically.
QString Destination(const QString& path)
{
    QFileInfo info(QDir::cleanPath(QDir::current().absoluteFilePath(path)));
    for (int depth = 0; info.isSymLink() && depth < 40; ++depth)
        info.setFile(info.symLinkTarget());
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return QDir::cleanPath((folder.isEmpty() ? info.absolutePath() : folder) + u'/' +
                           info.fileName());
}

bool Stat(const QString& path, struct stat& st)
{
    return ::stat(CFileNames::Encode(path).constData(), &st) == 0;
}

bool SameDestination(const QString& destination, const QString& other)
{
    struct stat a = {}, b = {};
    if (Destination(other) == destination)
        return true;
    return Stat(destination, a) && Stat(other, b) && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

QStringList CSafeTarget::ProgramFiles(const QString& database, const QString& settings)
{
    QStringList files{settings};
    if (!database.isEmpty())
        files << database << database + QStringLiteral("-wal") << database + QStringLiteral("-shm");
    return files;
}

QString CSafeTarget::Refusal(const QString& target, const QStringList& protectedFiles)
{
    const QString destination = Destination(target);
    struct stat st = {};
    if (Stat(destination, st) && !S_ISREG(st.st_mode))
        return QStringLiteral("This is not a regular file (a device, a pipe or a folder); "
                              "choose another name.");
    for (const QString& file : protectedFiles) {
        if (!file.isEmpty() && SameDestination(destination, file))
            return QStringLiteral("This is one of Cratewise's own files (the catalogue or the "
                                  "settings); choose another name.");
    }
    return QString();
}

bool CSafeTarget::SameFile(const QString& a, const QString& b)
{
    return SameDestination(Destination(a), b);
}

CSafeTarget::COwnFiles::COwnFiles(const QStringList& files)
{
    for (const QString& file : files) {
        struct stat st = {};
        if (!file.isEmpty() && Stat(file, st))
            m_ids.append({quint64(st.st_dev), quint64(st.st_ino)});
    }
}

bool CSafeTarget::COwnFiles::Holds(const QString& path) const
{
    struct stat st = {};
    return Stat(path, st) && m_ids.contains(QPair<quint64, quint64>(st.st_dev, st.st_ino));
}

QString CSafeTarget::FileError(const QString& file, const QString& reason)
{
    return QStringLiteral("%1\n%2").arg(QDir::toNativeSeparators(file), reason);
}

bool CSafeTarget::WriteWhole(const QString& file, const QStringList& protectedFiles,
                             const std::function<QString(QIODevice& out)>& write, QString& error)
{
    const QString refusal = Refusal(file, protectedFiles);
    if (!refusal.isEmpty()) {
        error = FileError(file, refusal);
        return false;
    }
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly)) {
        error = FileError(file, out.errorString());
        return false;
    }
    if (const QString why = write(out); !why.isEmpty()) {
        out.cancelWriting();
        error = FileError(file, why);
        return false;
    }
    if (!out.commit()) {
        error = FileError(file, out.errorString());
        return false;
    }
    return true;
}
