#include "intake/CSessionController.h"

#include "app/CCdlistView.h"
#include "app/CommandIds.h"
#include "intake/CExcludedNamesDialog.h"
#include "library/CLibraryListCtrl.h"
#include "ui/ProgressWindow.h"

#include <QAction>
#include <QListWidget>

CSessionController::CSessionController(CCdlistView& view)
    : QObject(&view), m_view(view),
      m_commands(*this, view.Set(), view.ExceptSet(), view.Prompts(), view.Winamp(), view.Volumes())
{
    setObjectName(QStringLiteral("sessionController"));
    const auto on = [this](int id, auto handler) {
        if (QAction* action = m_view.Action(id))
            connect(action, &QAction::triggered, this, handler);
    };
    on(ID_NEW_SESSION, [this] { m_commands.NewSession(); });
    on(ID_DELETE_SESSION, [this] { m_commands.DeleteSession(); });
    on(ID_RENAME_SESSION, [this] { m_commands.RenameSession(); });
    on(ID_UPDATE_SESSION, [this] { m_commands.UpdateSession(); });
    on(ID_EXCLUDED_NAMES, [this] { ShowExcludedNames(); });
}

void CSessionController::ShowExcludedNames()
{
    CExcludedNamesDialog dialog(m_view.ExceptSet(), m_view.Prompts(), &m_view);
    dialog.exec();
}

int CSessionController::SessionEntryCount() const
{
    return m_view.SessionList()->count();
}

std::optional<QString> CSessionController::SelectedSession() const
{
    const QList<QListWidgetItem*> selected = m_view.SessionList()->selectedItems();
    if (selected.isEmpty())
        return std::nullopt;
    return selected.first()->text();
}

bool CSessionController::HasSessionEntry(const QString& name) const
{
    return !m_view.SessionList()
                ->findItems(name, Qt::MatchFixedString | Qt::MatchCaseSensitive)
                .isEmpty();
}

void CSessionController::AddSessionEntry(const QString& name)
{
    m_view.AddSessionEntry(name);
}

void CSessionController::RemoveSelectedSessionEntry()
{
    const QList<QListWidgetItem*> selected = m_view.SessionList()->selectedItems();
    if (!selected.isEmpty())
        delete selected.first();
}

qint64 CSessionController::SongCount() const
{
    return m_view.SongCount();
}

void CSessionController::AdjustSongCount(qint64 delta)
{
    m_view.SetSongCount(int(m_view.SongCount() + delta));
}

void CSessionController::ClearPlaylist()
{
    // The Update Winamp button keeps its state.
    m_view.PlaylistBox()->clear();
}

void CSessionController::ClearSongList()
{
    m_view.SongList()->DeleteAllItems();
}

void CSessionController::RefreshFields()
{
    // The form's fields show their values as they change; the count is set above.
}

std::unique_ptr<CProgress> CSessionController::CreateProgress(const QString& caption, int lines,
                                                              int width)
{
    std::unique_ptr<ProgressWindow> window = ProgressWindow::Create(&m_view, caption, false);
    window->LayOut(lines, width);
    return window;
}

QWidget* CSessionController::DialogParent()
{
    return &m_view;
}
