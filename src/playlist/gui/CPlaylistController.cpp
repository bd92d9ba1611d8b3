#include "playlist/gui/CPlaylistController.h"

#include "model/CAppServices.h"
#include "model/CCdlistDoc.h"
#include "model/CDriveLocator.h"
#include "model/CWinampRemote.h"
#include "platform/CPrompts.h"
#include "platform/CSettings.h"
#include "platform/CText.h"
#include "playlist/CPlaylistOperations.h"
#include "playlist/gui/CCopyFilesDialog.h"
#include "playlist/gui/CRandomDialog.h"
#include "ui/CSessionNameDialog.h"
#include "ui/CommandIds.h"

#include <QAction>
#include <QDir>
#include <QListView>
#include <QMenu>

namespace {

const char* const kPlaylistFilter = "Playlist Files (*.m3u)|*.m3u|All Files (*.*)|*.*||";

CPrompts::SFileDialog PlaylistDialog(const char* title)
{
    return {QString::fromLatin1(title), QStringLiteral("m3u"), QString::fromLatin1(kPlaylistFilter),
            QString()};
}

} // namespace

CPlaylistController::CPlaylistController(const SControllerContext& context,
                                         const SPlaylistControls& controls, QObject* parent)
    : QObject(parent), m_context(context), m_controls(controls)
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
    if (QListView* view = m_controls.playlist) {
        connect(view, &QListView::doubleClicked, this,
                [this](const QModelIndex&) { OnPlaylistDoubleClick(); });
        SetUpMoving(view);
    }
}

void CPlaylistController::SetUpMoving(QListView* view)
{
    // Dragging an entry moves it: the model moves the row, so nothing is copied or lost.
    view->setDragEnabled(true);
    view->setAcceptDrops(true);
    view->setDropIndicatorShown(true);
    view->setDragDropMode(QAbstractItemView::InternalMove);
    view->setDefaultDropAction(Qt::MoveAction);
    const auto make = [this, view](const QString& text, Qt::Key key, int step) {
        auto* action = new QAction(text, view);
        action->setShortcut(QKeySequence(Qt::CTRL | key));
        // Only while the playlist has the focus: elsewhere Ctrl+Up/Down keep their meaning.
        action->setShortcutContext(Qt::WidgetShortcut);
        connect(action, &QAction::triggered, this, [this, step] { OnMove(step); });
        view->addAction(action);
        return action;
    };
    m_moveUp = make(QStringLiteral("Move &Up"), Qt::Key_Up, -1);
    m_moveDown = make(QStringLiteral("Move &Down"), Qt::Key_Down, 1);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QWidget::customContextMenuRequested, this, &CPlaylistController::ShowEntryMenu);
}

void CPlaylistController::ShowEntryMenu(const QPoint& at)
{
    QListView* view = m_controls.playlist;
    const QModelIndex entry = view->indexAt(at);
    if (!entry.isValid())
        return;
    // The menu acts on the entry under the mouse, as the user sees it chosen.
    view->setCurrentIndex(entry);
    m_moveUp->setEnabled(entry.row() > 0);
    m_moveDown->setEnabled(entry.row() + 1 < m_context.doc.Playlist().Count());
    QMenu menu(view);
    menu.addAction(m_moveUp);
    menu.addAction(m_moveDown);
    menu.addSeparator();
    for (int id : {ID_REMOVE_FROM_PLAYLIST, ID_PLAY}) {
        if (QAction* action = m_context.Action(id))
            menu.addAction(action);
    }
    menu.exec(view->viewport()->mapToGlobal(at));
    m_moveUp->setEnabled(true);
    m_moveDown->setEnabled(true);
}

void CPlaylistController::OnMove(int step)
{
    CPlaylistModel& playlist = m_context.doc.Playlist();
    const int row = playlist.SelectedEntry();
    if (row < 0 || !playlist.Move(row, row + step))
        return;
    // The moved entry stays chosen, so that it can be moved on with the next key press;
    // moving is not choosing a song for the player to jump to.
    const bool chosen = playlist.SelectionFlag();
    if (QListView* view = m_controls.playlist)
        view->setCurrentIndex(playlist.index(row + step));
    playlist.SetSelectionFlag(chosen);
}

void CPlaylistController::ConnectAction(int id, void (CPlaylistController::*handler)())
{
    if (QAction* action = m_context.Action(id))
        connect(action, &QAction::triggered, this, handler);
}

void CPlaylistController::OnAdd()
{
    CPlaylistOperations(m_context.doc, m_context.services)
        .AddRows(m_context.doc.Songs().SelectedRows());
}

void CPlaylistController::OnAddAll()
{
    CPlaylistOperations(m_context.doc, m_context.services).AddAll();
}

void CPlaylistController::OnRemove()
{
    CPlaylistOperations(m_context.doc, m_context.services)
        .Remove(m_context.doc.Playlist().SelectedEntry());
}

void CPlaylistController::OnClear()
{
    CPlaylistOperations(m_context.doc, m_context.services).Clear();
}

void CPlaylistController::OnPlaylistDoubleClick()
{
    const QListView* view = m_controls.playlist;
    const int row = view && view->currentIndex().isValid() ? view->currentIndex().row() : -1;
    if (CPlaylistOperations(m_context.doc, m_context.services).RemoveByDoubleClick(row)) {
        if (QAction* update = m_context.Action(ID_UPDATE_WINAMP))
            update->trigger();
    }
}

void CPlaylistController::OnExportM3u()
{
    const QString file = m_context.services.prompts->SaveFile(PlaylistDialog("Save Playlist..."));
    if (!file.isEmpty())
        CPlaylistOperations(m_context.doc, m_context.services).ExportM3u(file);
}

void CPlaylistController::OnLoadPlaylist()
{
    const QString file = m_context.services.prompts->OpenFile(PlaylistDialog("Open Playlist..."));
    if (!file.isEmpty())
        CPlaylistOperations(m_context.doc, m_context.services).LoadPlaylist(file);
}

void CPlaylistController::OnImportM3u()
{
    const QString file = m_context.services.prompts->OpenFile(PlaylistDialog("Open Playlist..."));
    if (file.isEmpty())
        return;
    CSessionNameDialog dialog(*m_context.services.prompts, m_context.window);
    if (dialog.exec() != QDialog::Accepted || dialog.SessionName().isEmpty())
        return;
    CPlaylistOperations(m_context.doc, m_context.services).ImportM3u(file, dialog.SessionName());
}

void CPlaylistController::OnRandom()
{
    CPrompts& prompts = *m_context.services.prompts;
    if (m_context.doc.SongCount() <= 0) {
        prompts.Error(QStringLiteral("The database is empty!"), QStringLiteral("Error"));
        return;
    }
    const QString session = m_context.doc.SelectedSession().value_or(QString());
    CRandomDialog dialog(!session.isEmpty(), CSettings::Int(ESetting::Random),
                         CSettings::Int(ESetting::PbOrNm) == 1, m_context.window);
    if (dialog.exec() != QDialog::Accepted)
        return;
    SRandomRequest request;
    request.session = dialog.EntireDatabase() ? QString() : session;
    request.genre = dialog.Genre();
    request.bySongs = dialog.BySongs();
    request.amount = dialog.Amount();
    CPlaylistOperations(m_context.doc, m_context.services).Random(request);
}

void CPlaylistController::OnCopyFiles()
{
    CPrompts& prompts = *m_context.services.prompts;
    if (m_context.doc.Playlist().Count() == 0) {
        prompts.Error(QStringLiteral("You have not selected any songs!"),
                      QStringLiteral("No music!"));
        return;
    }
    if (m_context.doc.SongCount() <= 0) {
        prompts.Error(QStringLiteral("The database is empty!"), QStringLiteral("Database empty"));
        return;
    }
    const QString folder =
        prompts.ChooseFolder(CSettings::String(ESetting::CopyPath),
                             QStringLiteral("Choose the folder to copy the playlist's files to"));
    if (folder.isEmpty())
        return;
    CSettings::SetString(ESetting::CopyPath, folder);

    SPlaylistGroups groups;
    if (!CPlaylistOperations(m_context.doc, m_context.services).GroupForCopy(groups))
        return;
    SCopyJob job;
    job.groups = groups.groups;
    job.entries = m_context.doc.Playlist().Count();
    job.targetFolder = folder;
    job.protectedFiles = CPlaylistOperations(m_context.doc, m_context.services).ProgramFiles();
    CVolumes& volumes = *m_context.services.volumes;
    job.locate = [&volumes, &prompts](const QString& path, const QString& session) {
        return CDriveLocator(volumes, prompts)
            .LocateCdDrive(path, session, CDriveLocator::EVariant::Copy);
    };
    m_context.services.winamp->Command(CWinampRemote::Stop);
    const CCdlistDoc::CBusy busy(m_context.doc);
    CCopyFilesDialog dialog(std::move(job), prompts, m_context.window);
    dialog.exec();
    if (dialog.Copied() + dialog.Skipped() > 0)
        m_context.doc.Tell(QStringLiteral("Copied %1 to %2 (%3 skipped).")
                               .arg(CText::Songs(dialog.Copied()), QDir::toNativeSeparators(folder))
                               .arg(dialog.Skipped()));
}
