#include "support/CTestEnvironment.h"

#include "platform/CSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <unistd.h>

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
    // GStreamer keeps its plugin registry in the cache folder: a new one in every test
    // process means seconds of plugin scanning before the first song plays, more than the
    // player tests wait on a busy machine. One registry shared by the test runs is read in
    // milliseconds, and GStreamer rebuilds it when the plugins change.
    if (!qEnvironmentVariableIsSet("GST_REGISTRY"))
        qputenv("GST_REGISTRY",
                QDir(QDir::tempPath())
                    .filePath(QStringLiteral("cratewise-tests-%1-gst-registry.bin").arg(::getuid()))
                    .toLocal8Bit());
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
