#include "app/CDesktopShortcut.h"

#include "model/CAppServices.h"
#include "platform/CPrompts.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

void CDesktopShortcut::Offer(CPrompts& prompts, const SAppServices& services)
{
    if (!prompts.AskYesNo(
            QStringLiteral("Do you want to create a shortcut\nfor Cratewise on your desktop?"),
            QStringLiteral("Create Shortcut")))
        return;
    // As before, a failure to write the shortcut is not reported.
    Create(services.desktopDir, QCoreApplication::applicationFilePath(), services.dataDir);
}

QString CDesktopShortcut::QuoteExec(const QString& path)
{
    QString quoted;
    for (QChar c : path) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        quoted += c;
    }
    // Inside a desktop entry's string value a backslash is itself escaped.
    quoted.replace(u'\\', QLatin1String("\\\\"));
    return u'"' + quoted + u'"';
}

void CDesktopShortcut::MarkTrusted(const QString& file)
{
    // GNOME's desktop starts a launcher only once it is marked trusted. Best effort: where
    // gio or the attribute is missing, the desktop asks the user instead.
    const QString gio = QStandardPaths::findExecutable(QStringLiteral("gio"));
    if (gio.isEmpty())
        return;
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(gio, {QStringLiteral("set"), file, QStringLiteral("metadata::trusted"),
                        QStringLiteral("true")});
    if (process.waitForStarted(2000) && !process.waitForFinished(2000))
        process.kill();
}

bool CDesktopShortcut::Create(const QString& desktopDir, const QString& program,
                              const QString& workingDir)
{
    if (desktopDir.isEmpty() || !QDir().mkpath(desktopDir))
        return false;
    QSaveFile file(QDir(desktopDir).filePath(QStringLiteral("Cratewise.desktop")));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QString entry =
        QStringLiteral("[Desktop Entry]\nType=Application\nName=Cratewise\n"
                       "Comment=Catalogue of MP3 files on CDs and in folders\n"
                       "Exec=%1\nPath=%2\nIcon=cratewise\nTerminal=false\n"
                       "Categories=AudioVideo;Audio;\n")
            .arg(QuoteExec(program), QString(workingDir).replace(u'\\', QLatin1String("\\\\")));
    file.write(entry.toUtf8());
    if (!file.commit())
        return false;
    QFile::setPermissions(file.fileName(),
                          QFile::permissions(file.fileName()) | QFile::ExeOwner | QFile::ExeUser);
    MarkTrusted(file.fileName());
    return true;
}
