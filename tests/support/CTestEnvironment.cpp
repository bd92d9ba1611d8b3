#include "support/CTestEnvironment.h"

#include "platform/CSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

CTestEnvironment::CTestEnvironment()
{
    QDir().mkpath(DataDir());
    CSettings::SetFilePath(SettingsFile());
    qputenv("CRATEWISE_CONFIG", SettingsFile().toLocal8Bit());
    qputenv("CRATEWISE_HOME", DataDir().toLocal8Bit());
}

CTestEnvironment::~CTestEnvironment()
{
    CSettings::SetFilePath(QString());
    qunsetenv("CRATEWISE_CONFIG");
    qunsetenv("CRATEWISE_HOME");
}

void CTestEnvironment::IsolateHome()
{
    static QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    for (const char* name :
         {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"})
        qputenv(name, QDir(home.path()).filePath(QString::fromLatin1(name)).toLocal8Bit());
}

QString CTestEnvironment::MakeDir(const QString& relative) const
{
    const QString path = m_dir.path() + u'/' + relative;
    QDir().mkpath(path);
    return path;
}

QString CTestEnvironment::WriteFile(const QString& relative, const QByteArray& data) const
{
    const QString path = m_dir.path() + u'/' + relative;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(data);
    return path;
}
