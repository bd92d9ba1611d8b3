#include "editing/CFileRenamer.h"

#include "platform/CFileNames.h"
#include "platform/CText.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString Reason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Renames without replacing: the kernel's no-replace rename, else a hard link (which
// fails on an existing name) and the removal of the old one, else a check and a rename.
int RenameNoReplace(const QByteArray& from, const QByteArray& to)
{
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    if (::link(from.constData(), to.constData()) == 0)
        return ::unlink(from.constData()) == 0 ? 0 : errno;
    if (errno != EPERM && errno != EOPNOTSUPP)
        return errno;
    struct stat st = {};
    if (::lstat(to.constData(), &st) == 0)
        return EEXIST;
    return ::rename(from.constData(), to.constData()) == 0 ? 0 : errno;
}

} // namespace

namespace CFileRenamer {

QString NewName(const QString& pattern, const QString& artist, const QString& title,
                const QString& album, const QString& oldName)
{
    QString name;
    for (QChar c : pattern) {
        if (c == u'1')
            name += artist;
        else if (c == u'2')
            name += title;
        else if (c == u'3')
            name += album;
        else if (c != u'%')
            name += c;
    }
    const qsizetype dot = oldName.lastIndexOf(u'.');
    if (dot >= 0)
        name += oldName.mid(dot);
    return name;
}

QString Rename(const QString& folder, const QString& oldName, const QString& newName)
{
    const qsizetype dot = oldName.lastIndexOf(u'.');
    const qsizetype stem = newName.size() - (dot >= 0 ? oldName.size() - dot : 0);
    if (stem <= 0)
        return QStringLiteral("the formatting string gives an empty name");
    if (newName.contains(u'/') || newName.contains(QChar(0)))
        return QStringLiteral("the name holds \"/\" or NUL");
    if (newName == oldName)
        return QString();
    const int error = RenameNoReplace(CFileNames::Encode(CText::JoinPath(folder, oldName)),
                                      CFileNames::Encode(CText::JoinPath(folder, newName)));
    return error == 0 ? QString() : Reason(error);
}

} // namespace CFileRenamer
