#include "app/CShutdown.h"

#include "media/CAudioFormat.h"
#include "model/CAppServices.h"
#include "model/CCdlistDoc.h"
#include "model/CWinampRemote.h"
#include "platform/CPrompts.h"
#include "platform/CSettings.h"
#include "playlist/CPlaylistOperations.h"

#include <QDir>
#include <QFile>

QStringList CShutdown::TemporaryCopies(const QString& tempDir)
{
    if (tempDir.isEmpty())
        return {};
    const QDir dir(tempDir);
    // Copies of every type the player takes.
    QStringList patterns;
    for (const QString& type : CAudioFormat::KnownTypes().split(u' '))
        patterns << QStringLiteral("*.") + type;
    QStringList files;
    for (const QFileInfo& info :
         dir.entryInfoList(patterns, QDir::Files | QDir::Hidden | QDir::System))
        files << info.absoluteFilePath();
    return files;
}

void CShutdown::Run()
{
    CPlaylistOperations(m_doc, m_services).SaveForNextRun();
    CWinampRemote& player = *m_services.winamp;
    const QStringList copies = TemporaryCopies(m_services.tempDir);
    if (!copies.isEmpty() &&
        m_services.prompts->AskYesNo(
            QStringLiteral(
                "Do you want do remove temporary files?\nPlease note that playback will stop"),
            QStringLiteral("Comfirm removing temporary files"))) {
        player.Command(CWinampRemote::Stop);
        for (const QString& file : copies)
            QFile::remove(file);
    }
    if (CSettings::Bool(ESetting::CloseWinamp))
        player.Close();
}
