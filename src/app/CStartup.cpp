#include "app/CStartup.h"

#include "app/CDesktopShortcut.h"
#include "db/CCdlistSet.h"
#include "intake/CSessionTexts.h"
#include "model/CAppServices.h"
#include "model/CCdlistDoc.h"
#include "model/CWinampRemote.h"
#include "platform/CPrompts.h"
#include "platform/CRegularFile.h"
#include "platform/CScanLock.h"
#include "platform/CSettings.h"
#include "playlist/CPlaylistOperations.h"
#include "ui/CActionTable.h"
#include "ui/CDragDropEdit.h"
#include "ui/CommandIds.h"
#include "upgrade/CUpgrade.h"

#include <QAction>
#include <QDir>
#include <QSlider>
#include <QTimer>

namespace {

const QString kUpgradeText = QStringLiteral(
    "An old version of Cratewise has been found.\nWould you like to transfer the\ndatabase in "
    "order to save previous song information?\n(This may take a few minutes)");
const QString kUpdateText = QStringLiteral("Do you want to check for updates?");
const QString kUpdateCaption = QStringLiteral("There may be an update available");

} // namespace

void CStartup::Run()
{
    const int firstTime = CSettings::Int(ESetting::Firsttime);
    CCdlistDoc& doc = m_parts.doc;
    if (const QString notice = doc.Database().NewerLayoutNotice(); !notice.isEmpty())
        Prompts().Exclaim(notice, QStringLiteral("Cratewise"));
    doc.Songs().RebuildColumns();
    OfferUpgrade();
    // The session list is built from the session index, so the set never needs the
    // whole table sorted by session.
    doc.ReloadSessions();
    // What the command line or another program commits meanwhile shows within a second.
    doc.Catalogue().Watch(true);
    SetUpVolumeSlider();
    StartPlayerIfWanted();
    m_parts.timer.start(1000);
    m_parts.actions.Action(ID_UPDATE_WINAMP)->setEnabled(false);
    RegisterDragAndDrop();
    OfferShortcutAtFirstStart(firstTime);
    OfferMonthlyUpdate();
    ReportCrashMarker();
    CPlaylistOperations(doc, m_parts.services).RestoreFromLastRun();
}

CPrompts& CStartup::Prompts() const
{
    return *m_parts.services.prompts;
}

void CStartup::RegisterDragAndDrop()
{
    for (CDragDropEdit* field : std::as_const(m_parts.dropFields))
        field->Register(3);
}

void CStartup::OfferUpgrade()
{
    // At most one offer per start, and none once any offer has been made; none into a
    // catalogue that is only read.
    if (!m_parts.doc.Database().NewerLayoutNotice().isEmpty())
        return;
    const QDir data(m_parts.services.dataDir);
    for (const QString& name : {QStringLiteral("songs2.mdb"), QStringLiteral("songs.mdb")}) {
        if (CUpgrade::IsDone())
            return;
        if (name == QLatin1String("songs.mdb") && CSettings::Int(ESetting::Upgrade) != 0)
            return;
        // Only a file can be an older database; offering a pipe would hang the window.
        if (!CRegularFile::IsRegular(data.filePath(name)))
            continue;
        if (Prompts().AskYesNo(kUpgradeText, QStringLiteral("Update Database")))
            m_parts.upgrade(data.filePath(name));
        CUpgrade::MarkDone();
    }
}

void CStartup::SetUpVolumeSlider()
{
    QSlider* slider = &m_parts.volume;
    slider->setRange(0, 255);
    slider->setTickInterval(40);
    slider->setTickPosition(QSlider::TicksRight);
    slider->setValue(0);
}

void CStartup::StartPlayerIfWanted()
{
    CWinampRemote& player = *m_parts.services.winamp;
    if (CSettings::Bool(ESetting::LoadOnStart) && !player.IsRunning())
        player.Start(CWinampOperations::PlayerProgram(), CSettings::Bool(ESetting::Minimize));
}

void CStartup::OfferShortcutAtFirstStart(int firstTime)
{
    if (firstTime != 2)
        return;
    CSettings::SetInt(ESetting::Firsttime, 1);
    CDesktopShortcut::Offer(Prompts(), m_parts.services);
}

void CStartup::OfferMonthlyUpdate()
{
    const int month = m_parts.services.currentMonth();
    const int stored = CSettings::Int(ESetting::UpdateDate);
    if (stored == 0) {
        CSettings::SetInt(ESetting::UpdateDate, month);
        return;
    }
    if (stored != month) {
        if (Prompts().AskYesNo(kUpdateText, kUpdateCaption))
            m_parts.checkForUpdate();
        CSettings::SetInt(ESetting::UpdateDate, month);
    }
}

bool CStartup::SettingsReadable(CPrompts& prompts)
{
    const QString error = CSettings::ReadError();
    if (error.isEmpty())
        return true;
    prompts.Error(error + QStringLiteral("\n\nCratewise ends here, so that it does not replace "
                                         "your settings with empty ones. Make the file readable "
                                         "for your user and start Cratewise again."),
                  QStringLiteral("Cratewise"));
    return false;
}

void CStartup::ReportCrashMarker()
{
    for (const QString& file : CScanLock::TakeCrashMarkers())
        Prompts().Error(CSessionTexts::Crashed(file), QStringLiteral("Error adding song"));
}
