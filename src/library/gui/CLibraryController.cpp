#include "library/gui/CLibraryController.h"

#include "library/CLibraryOperations.h"
#include "library/gui/CLibraryListCtrl.h"
#include "model/CAppServices.h"
#include "model/CCdlistDoc.h"
#include "platform/CSettings.h"
#include "ui/CommandIds.h"

#include <QAction>

CLibraryController::CLibraryController(const SControllerContext& context,
                                       const SLibraryControls& controls, QObject* parent)
    : QObject(parent), m_context(context)
{
    connect(&m_context.doc, &CCdlistDoc::SessionShown, this, &CLibraryController::OnSessionShown);
    if (CLibraryListCtrl* songs = controls.songs) {
        connect(songs, &CLibraryListCtrl::RowClicked, this, &CLibraryController::OnSongClicked);
        connect(songs, &CLibraryListCtrl::RowDoubleClicked, this,
                &CLibraryController::OnSongDoubleClicked);
        connect(songs, &CLibraryListCtrl::CellEdited, this, &CLibraryController::OnCellEdited);
        // Shown or hidden from the heading's menu: the same songs under the new columns.
        connect(songs, &CLibraryListCtrl::ColumnsChosen, this,
                [this] { CLibraryOperations(m_context.doc, m_context.services).RebuildColumns(); });
    }
    if (QAction* deleteFile = m_context.Action(ID_DELETE_SELECTED_FILE))
        connect(deleteFile, &QAction::triggered, this, &CLibraryController::OnDeleteSelectedFile);
}

void CLibraryController::OnSessionShown(const QString& name)
{
    CLibraryOperations(m_context.doc, m_context.services).ShowSession(name);
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
    m_context.doc.Tell(
        QStringLiteral("Added \u201c%1\u201d to the playlist.").arg(songs.Cell(row, 0)));
    if (CSettings::Bool(ESetting::AutoUpd)) {
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
