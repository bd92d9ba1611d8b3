#include "app/CDesktopShortcut.h"

#include "model/CAppServices.h"
#include "platform/CPrompts.h"

#include <QCoreApplication>
#include <QDir>
#include <QSaveFile>

void CDesktopShortcut::Offer(CPrompts& prompts, const SAppServices& services)
{
    if (!prompts.AskYesNo(
            QStringLiteral("Do you want to create a shortcut\nfor Cratewise on your desktop?"),
            QStringLiteral("Create shortcut")))
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
                       "Exec=%1\nPath=%2\nTerminal=false\n"
                       "Categories=AudioVideo;Audio;\n")
            .arg(QuoteExec(program), QString(workingDir).replace(u'\\', QLatin1String("\\\\")));
    file.write(entry.toUtf8());
    if (!file.commit())
        return false;
    QFile::setPermissions(file.fileName(),
                          QFile::permissions(file.fileName()) | QFile::ExeOwner | QFile::ExeUser);
    return true;
}
