#include "playlist/CPlaylistController.h"

#include "app/CSettings.h"
#include "app/CommandIds.h"
#include "db/CCdlistSet.h"
#include "library/CLibraryListCtrl.h"
#include "platform/CSafeTarget.h"
#include "playback/CWinampRemote.h"
#include "playlist/CCopyFilesDialog.h"
#include "playlist/CM3uFile.h"
#include "playlist/CPlaylistGroups.h"
#include "playlist/CPlaylistHost.h"
#include "playlist/CPlaylistImporter.h"
#include "playlist/CPlaylistLoader.h"
#include "playlist/CPlaylistTexts.h"
#include "playlist/CRandomDialog.h"
#include "playlist/CRandomDraw.h"
#include "ui/CPrompts.h"
#include "ui/CWaitCursor.h"

#include <QAction>
#include <QApplication>
#include <QListWidget>

namespace {

const char* const kPlaylistFilter = "Playlist Files (*.m3u)|*.m3u|All Files (*.*)|*.*||";

CPrompts::SFileDialog PlaylistDialog(const char* title)
{
    return {QString::fromLatin1(title), QStringLiteral("m3u"), QString::fromLatin1(kPlaylistFilter),
            QString()};
}

void ReportFileError(CPrompts& prompts, const QString& error)
{
    prompts.Error(error, QStringLiteral("File Error"));
}

// Reads a playlist's lines; a file that cannot be read is reported.
bool ReadLines(CPrompts& prompts, const QString& file, QList<SM3uLine>& lines)
{
    QString error;
    if (CM3uFile::Read(file, lines, error))
        return true;
    ReportFileError(prompts, error);
    return false;
}

void ReportDbError(CPrompts& prompts, const CDbException& e)
{
    prompts.Error(e.Message(), QStringLiteral("Database Error"));
}

QStringList ProgramFiles(const CCdlistSet& set)
{
    return CSafeTarget::ProgramFiles(set.Database() ? set.Database()->Path() : QString(),
                                     CSettings::FilePath());
}

} // namespace

CPlaylistController::CPlaylistController(std::unique_ptr<CPlaylistHost> host, QObject* parent)
    : QObject(parent), m_host(std::move(host))
{
    Connect();
}

CPlaylistController::~CPlaylistController() = default;

void CPlaylistController::ConnectAction(int id, void (CPlaylistController::*handler)())
{
    if (QAction* action = m_host->Action(id))
        connect(action, &QAction::triggered, this, handler);
}

void CPlaylistController::Connect()
{
    ConnectAction(ID_ADD_TO_PLAYLIST, &CPlaylistController::OnAdd);
    ConnectAction(ID_REMOVE_FROM_PLAYLIST, &CPlaylistController::OnRemove);
    ConnectAction(ID_ADD_ALL, &CPlaylistController::OnAddAll);
    ConnectAction(ID_CLEAR_PLAYLIST, &CPlaylistController::OnClear);
    ConnectAction(ID_EXPORT_M3U, &CPlaylistController::OnExportM3u);
    ConnectAction(ID_LOAD_PLAYLIST, &CPlaylistController::OnLoadPlaylist);
    ConnectAction(ID_IMPORT_M3U, &CPlaylistController::OnImportM3u);
    ConnectAction(ID_RANDOM, &CPlaylistController::OnRandom);
    ConnectAction(ID_COPY_FILES, &CPlaylistController::OnCopyFiles);
    connect(m_host->PlaylistBox(), &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem*) { OnPlaylistDoubleClick(); });
}

QList<qint32> CPlaylistController::EntryIds() const
{
    return PlaylistEntryIds(m_host->PlaylistBox());
}

void CPlaylistController::AddEntry(const QString& text, qint32 id)
{
    m_host->AddPlaylistEntry(text, id);
}

void CPlaylistController::RemoveEntry(int row)
{
    // The entry that becomes selected is not a choice of the user's.
    bool& flag = m_host->PlaylistSelectionFlag();
    const bool selected = flag;
    delete m_host->PlaylistBox()->takeItem(row);
    flag = selected;
}

void CPlaylistController::OnAdd()
{
    CLibraryListCtrl* songs = m_host->SongList();
    const QList<int> rows = songs->SelectedRows();
    for (int row : rows)
        AddEntry(songs->CellText(row, 0), songs->ItemData(row));
    if (!rows.isEmpty())
        m_host->SetPlaylistChanged(true);
}

void CPlaylistController::OnAddAll()
{
    CLibraryListCtrl* songs = m_host->SongList();
    if (songs->RowCount() == 0)
        return;
    for (int row = 0; row < songs->RowCount(); ++row)
        AddEntry(songs->CellText(row, 0), songs->ItemData(row));
    m_host->SetPlaylistChanged(true);
}

void CPlaylistController::OnRemove()
{
    QListWidget* box = m_host->PlaylistBox();
    const QList<QListWidgetItem*> selected = box->selectedItems();
    if (!selected.isEmpty())
        RemoveEntry(box->row(selected.first()));
    // An empty playlist has nothing to send.
    m_host->SetPlaylistChanged(box->count() > 0);
}

void CPlaylistController::OnClear()
{
    m_host->PlaylistBox()->clear();
    m_host->SetPlaylistChanged(false);
}

void CPlaylistController::OnPlaylistDoubleClick()
{
    QListWidget* box = m_host->PlaylistBox();
    if (QListWidgetItem* item = box->currentItem())
        RemoveEntry(box->row(item));
    m_host->PlaylistSelectionFlag() = false;
    m_host->SetPlaylistChanged(true);
    if (box->count() == 0) {
        m_host->SetPlaylistChanged(false);
        return;
    }
    if (CSettings::Int(QStringLiteral("AutoUpd"), 0) == 1) {
        if (QAction* update = m_host->Action(ID_UPDATE_WINAMP))
            update->trigger();
    }
}

void CPlaylistController::OnExportM3u()
{
    CPrompts& prompts = m_host->Prompts();
    const QString file = prompts.SaveFile(PlaylistDialog("Save Playlist..."));
    if (file.isEmpty())
        return;
    if (m_host->PlaylistBox()->count() == 0) {
        prompts.Error(CPlaylistTexts::NoSongs(), QStringLiteral("No music!"));
        return;
    }
    CWaitCursor wait;
    int written = 0;
    QString error;
    try {
        if (!CM3uFile::Write(m_host->Set(), EntryIds(), file, ProgramFiles(m_host->Set()), written,
                             error)) {
            ReportFileError(prompts, error);
            return;
        }
    } catch (const CDbException& e) {
        ReportDbError(prompts, e);
        return;
    }
    CSettings::SetInt(QStringLiteral("PlaylistUsed"),
                      CSettings::Int(QStringLiteral("PlaylistUsed"), 0) + written);
}

void CPlaylistController::OnLoadPlaylist()
{
    CPrompts& prompts = m_host->Prompts();
    const QString file = prompts.OpenFile(PlaylistDialog("Open Playlist..."));
    if (file.isEmpty())
        return;
    CWaitCursor wait;
    QList<SM3uLine> lines;
    if (!ReadLines(prompts, file, lines))
        return;
    m_host->SongList()->DeleteAllItems();
    const bool addToPlaylist = CSettings::Int(QStringLiteral("AddOnSearch"), 0) == 1;
    int row = 0;
    try {
        CPlaylistLoader(m_host->Set(), prompts).Load(lines, [&](CCdlistSet& set) {
            m_host->InsertSongRow(row++);
            if (addToPlaylist)
                AddEntry(set.m_LIST, set.m_ID);
        });
    } catch (const CDbException& e) {
        ReportDbError(prompts, e);
    }
    if (addToPlaylist && row > 0)
        m_host->SetPlaylistChanged(true);
}

void CPlaylistController::OnImportM3u()
{
    CPrompts& prompts = m_host->Prompts();
    const QString file = prompts.OpenFile(PlaylistDialog("Open Playlist..."));
    if (file.isEmpty())
        return;
    const QString session = m_host->AskSessionName();
    if (session.isEmpty())
        return;
    CWaitCursor wait;
    QList<SM3uLine> lines;
    if (!ReadLines(prompts, file, lines))
        return;
    try {
        CPlaylistImporter importer(m_host->Set(), m_host->ImportTools());
        importer.Import(lines, session);
    } catch (const CDbException& e) {
        ReportDbError(prompts, e);
    }
    // The records stored before a failure are shown too; a database that cannot even be
    // read now is reported, not thrown out of the command.
    try {
        m_host->FillSessionList();
        m_host->SetSongCount(int(m_host->Set().CountAll()));
    } catch (const CDbException& e) {
        ReportDbError(prompts, e);
    }
}

QString CPlaylistController::SelectedSession() const
{
    const QList<QListWidgetItem*> selected = m_host->SessionList()->selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

void CPlaylistController::OnRandom()
{
    CPrompts& prompts = m_host->Prompts();
    if (m_host->SongCount() <= 0) {
        prompts.Error(QStringLiteral("The database is empty!"), QStringLiteral("Error"));
        return;
    }
    const QString session = SelectedSession();
    CRandomDialog dialog(!session.isEmpty(), CSettings::Int(QStringLiteral("Random"), 50),
                         CSettings::Int(QStringLiteral("PbOrNm"), 0) == 1, m_host->Window());
    if (dialog.exec() != QDialog::Accepted)
        return;

    SRandomRequest request;
    request.session = dialog.EntireDatabase() ? QString() : session;
    request.genre = dialog.Genre();
    request.bySongs = dialog.BySongs();
    request.amount = dialog.Amount();
    CWaitCursor wait;
    int row = 0;
    try {
        CRandomDraw draw(m_host->Set());
        const CRandomDraw::EResult result = draw.Draw(
            request, [this] { m_host->SongList()->DeleteAllItems(); },
            [&](CCdlistSet&) { m_host->InsertSongRow(row++); });
        if (result == CRandomDraw::EResult::NoCandidates)
            prompts.Error(CPlaylistTexts::NoCandidates(), QStringLiteral("No songs available"));
    } catch (const CDbException& e) {
        ReportDbError(prompts, e);
    }
    CSettings::SetInt(QStringLiteral("Random"), request.amount);
    CSettings::SetInt(QStringLiteral("PbOrNm"), request.bySongs ? 1 : 0);
}

void CPlaylistController::OnCopyFiles()
{
    CPrompts& prompts = m_host->Prompts();
    if (m_host->PlaylistBox()->count() == 0) {
        prompts.Error(QStringLiteral("You have not selected any songs!"),
                      QStringLiteral("No music!"));
        return;
    }
    if (m_host->SongCount() <= 0) {
        prompts.Error(QStringLiteral("The database is empty!"), QStringLiteral("Database empty"));
        return;
    }
    const QString folder = prompts.ChooseFolder(CSettings::String(QStringLiteral("CopyPath")));
    if (folder.isEmpty())
        return;
    CSettings::SetString(QStringLiteral("CopyPath"), folder);

    SCopyJob job;
    SPlaylistGroups groups;
    try {
        groups = CPlaylistGroups::Group(m_host->Set(), EntryIds());
    } catch (const CDbException& e) {
        ReportDbError(prompts, e);
        return;
    }
    job.groups = groups.groups;
    job.entries = m_host->PlaylistBox()->count();
    job.targetFolder = folder;
    job.protectedFiles = ProgramFiles(m_host->Set());
    job.locate = [this](const QString& path, const QString& session) {
        return m_host->LocateForCopy(path, session);
    };
    m_host->Winamp().Command(CWinampRemote::Stop);
    CPlaylistGroups::ReportLimit(prompts, groups.limit);
    CCopyFilesDialog dialog(std::move(job), prompts, m_host->Window());
    dialog.exec();
}
