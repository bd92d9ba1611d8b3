#include "platform/CDataDir.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

QString CDataDir::Resolve(const QString& commandLineDir, bool create)
{
    QString dir = commandLineDir;
    if (dir.isEmpty())
        dir = qEnvironmentVariable("CRATEWISE_HOME");
    if (dir.isEmpty() && QFile::exists(QDir::current().filePath(QStringLiteral("songs3.mdb"))))
        dir = QDir::currentPath();
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
              QStringLiteral("/Quillfen/Cratewise");
    dir = QDir(dir).absolutePath();
    if (create)
        QDir().mkpath(dir);
    return dir;
}

QString CDataDir::DatabasePath(const QString& dataDir)
{
    return QDir(dataDir).filePath(QStringLiteral("songs3.mdb"));
}

void CDataDir::EnsureReadme(const QString& dataDir)
{
    const QString target = QDir(dataDir).filePath(QStringLiteral("readme.txt"));
    if (QFile::exists(target))
        return;
    if (QFile::copy(QStringLiteral(":/readme.txt"), target))
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                          QFile::ReadOther);
}
