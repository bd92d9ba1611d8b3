#include "library/gui/CLibraryController.h"

#include "library/CLibraryOperations.h"
#include "library/gui/CLibraryListCtrl.h"
#include "model/CAppServices.h"
#include "model/CCdlistDoc.h"
#include "platform/CSettings.h"
#include "ui/CommandIds.h"

#include <QAction>
#include <QEvent>
#include <QItemSelectionModel>
#include <QListView>

CLibraryController::CLibraryController(const SControllerContext& context, QObject* parent)
    : QObject(parent), m_context(context)
{
    const CControls& c = m_context.controls;
    if (auto* sessions = c.Get<QListView>(IDC_SESSIONS)) {
        connect(sessions->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
            m_listedSinceClick = true;
            OnSessionSelected();
        });
        // A click (or Enter) on the highlighted session changes no selection, yet the list
        // may show a search or nothing: it must list the session again, once per gesture.
        sessions->installEventFilter(this);
        sessions->viewport()->installEventFilter(this);
        const auto listOnce = [this] {
            if (m_listedSinceClick)
                return;
            m_listedSinceClick = true;
            OnSessionSelected();
        };
        connect(sessions, &QAbstractItemView::clicked, this, listOnce);
        connect(sessions, &QAbstractItemView::activated, this, listOnce);
    }
    auto* songs = c.Get<CLibraryListCtrl>(IDC_SONGS);
    connect(songs, &CLibraryListCtrl::RowClicked, this, &CLibraryController::OnSongClicked);
    connect(songs, &CLibraryListCtrl::RowDoubleClicked, this,
            &CLibraryController::OnSongDoubleClicked);
    connect(songs, &CLibraryListCtrl::CellEdited, this, &CLibraryController::OnCellEdited);
    if (QAction* deleteFile = m_context.Action(ID_DELETE_SELECTED_FILE))
        connect(deleteFile, &QAction::triggered, this, &CLibraryController::OnDeleteSelectedFile);
}

bool CLibraryController::eventFilter(QObject* watched, QEvent* event)
{
    // A press comes before the selection it makes, so a click that selects another
    // session lists it once, as does a double click.
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::KeyPress)
        m_listedSinceClick = false;
    return QObject::eventFilter(watched, event);
}

void CLibraryController::OnSessionSelected()
{
    if (const std::optional<QString> name = m_context.SelectedSession())
        CLibraryOperations(m_context.doc, m_context.services).ShowSession(*name);
}

void CLibraryController::OnSongClicked(int row)
{
    CLibraryOperations(m_context.doc, m_context.services).SelectRow(row);
}

void CLibraryController::OnSongDoubleClicked(int row)
{
    CSongListModel& songs = m_context.doc.Songs();
    if (row < 0 || row >= songs.RowCount())
        return;
    m_context.doc.Playlist().Append(songs.Cell(row, 0), songs.Id(row));
    m_context.doc.Playlist().SetChanged(true);
    if (CSettings::Int(QStringLiteral("AutoUpd"), 0) == 1) {
        if (QAction* update = m_context.Action(ID_UPDATE_WINAMP))
            update->trigger();
    }
}

void CLibraryController::OnCellEdited(int row, int column, const QString& text)
{
    if (const auto edit =
            CLibraryOperations(m_context.doc, m_context.services).CellEdit(row, column, text))
        Q_EMIT CellTagEdited(edit->id, edit->column, text);
}

void CLibraryController::OnDeleteSelectedFile()
{
    CLibraryOperations(m_context.doc, m_context.services).DeleteCurrentFile();
}
