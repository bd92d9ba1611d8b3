#include "app/CStartup.h"

#include "app/CCdlistView.h"
#include "app/CDesktopShortcut.h"
#include "app/CSettings.h"
#include "app/CommandIds.h"
#include "db/CCdlistSet.h"
#include "db/CExceptSet.h"
#include "playback/CWinampRemote.h"
#include "ui/CDragDropEdit.h"
#include "ui/CPrompts.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QSlider>

namespace {

const QString kUpgradeText = QStringLiteral(
    "An old version of Cratewise has been found.\nWould you like to transfer the\ndatabase in "
    "order to save previous mp3 information?\n(This may take a few minutes)");
const QString kUpdateText = QStringLiteral("Do you want to check for updates?");
const QString kUpdateCaption = QStringLiteral("There may be an update available");
const QString kCrashText = QStringLiteral(
    "Cratewise encountered a critical error when trying to add the file:\n%1\nRemove it or move "
    "it to another location before trying to add files again.");

} // namespace

void CStartup::Run()
{
    const int firstTime = CSettings::Int(QStringLiteral("Firsttime"), 2);
    CCdlistSet& set = m_view.Set();
    // The session list is built from the session index, so the set never needs the
    // whole table sorted by session.
    set.SetSort(ESongColumn::ID);
    set.Open(m_view.Database());
    m_view.RebuildSongListColumns();
    OfferUpgrade();
    m_view.FillSessionList();
    SetUpVolumeSlider();
    StartPlayerIfWanted();
    m_view.Timer().start(1000);
    m_view.Action(ID_UPDATE_WINAMP)->setEnabled(false);
    set.SetSort(ESongColumn::ID);
    set.Requery();
    RegisterDragAndDrop();
    m_view.RecordLayout();
    OfferShortcutAtFirstStart(firstTime);
    OfferMonthlyUpdate();
    ReportCrashMarker();
    m_view.ExceptSet().Open(m_view.Database());
}

void CStartup::RegisterDragAndDrop()
{
    for (int id : {1182, 1067, 1068, 1069, 1070, 1019, 1033, 1034})
        if (auto* field = qobject_cast<CDragDropEdit*>(m_view.Control(id)))
            field->Register(3);
}

void CStartup::OfferUpgrade()
{
    // At most one offer per start, and none once any offer has been made.
    const QDir data(m_view.Services().dataDir);
    for (const QString& name : {QStringLiteral("songs2.mdb"), QStringLiteral("songs.mdb")}) {
        if (CSettings::Int(QStringLiteral("Upgrade"), 0) == kUpgradeDone)
            return;
        if (name == QLatin1String("songs.mdb") && CSettings::Int(QStringLiteral("Upgrade"), 0) != 0)
            return;
        if (!QFile::exists(data.filePath(name)))
            continue;
        if (m_view.Prompts().AskYesNo(kUpgradeText, QStringLiteral("Update Database")))
            Q_EMIT m_view.UpgradeRequested(data.filePath(name));
        CSettings::SetInt(QStringLiteral("Upgrade"), kUpgradeDone);
    }
}

void CStartup::SetUpVolumeSlider()
{
    QSlider* slider = m_view.VolumeSlider();
    slider->setRange(0, 255);
    slider->setTickInterval(40);
    slider->setTickPosition(QSlider::TicksRight);
    slider->setValue(0);
}

void CStartup::StartPlayerIfWanted()
{
    CWinampRemote& player = m_view.Winamp();
    if (CSettings::Int(QStringLiteral("LoadOnStart"), 0) == 1 && !player.IsRunning())
        player.Start(CSettings::String(QStringLiteral("Winamp")),
                     CSettings::Int(QStringLiteral("Minimize"), 0) != 0);
}

void CStartup::OfferShortcutAtFirstStart(int firstTime)
{
    if (firstTime != 2)
        return;
    CSettings::SetInt(QStringLiteral("Firsttime"), 1);
    CDesktopShortcut::Offer(m_view.Prompts(), m_view.Services());
}

void CStartup::OfferMonthlyUpdate()
{
    const int month = m_view.Services().currentMonth();
    const int stored = CSettings::Int(QStringLiteral("UpdateDate"), 0);
    if (stored == 0) {
        CSettings::SetInt(QStringLiteral("UpdateDate"), month);
        return;
    }
    if (stored != month) {
        if (m_view.Prompts().AskYesNo(kUpdateText, kUpdateCaption))
            Q_EMIT m_view.UpdateCheckRequested();
        CSettings::SetInt(QStringLiteral("UpdateDate"), month);
    }
}

void CStartup::ReportCrashMarker()
{
    const QString file = CSettings::String(QStringLiteral("ErrorFile"));
    if (file.isEmpty())
        return;
    m_view.Prompts().Error(kCrashText.arg(file), QStringLiteral("Error adding song"));
    CSettings::SetString(QStringLiteral("ErrorFile"), QString());
}
