#include "ui/CControllerContext.h"

#include "model/CCdlistDoc.h"

#include <QAbstractItemView>
#include <QListView>
#include <algorithm>

std::optional<QString> SControllerContext::SelectedSession() const
{
    const auto* list = controls.Get<QListView>(IDC_SESSIONS);
    if (!list || !list->selectionModel())
        return std::nullopt;
    const QModelIndexList rows = list->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return std::nullopt;
    return rows.first().data().toString();
}

namespace {

QModelIndexList SelectedRowsOf(const CControls& controls, int id)
{
    const auto* view = controls.Get<QAbstractItemView>(id);
    if (!view || !view->selectionModel())
        return {};
    return view->selectionModel()->selectedRows();
}

} // namespace

QList<int> SControllerContext::SelectedSongRows() const
{
    QList<int> rows;
    for (const QModelIndex& index : SelectedRowsOf(controls, IDC_SONGS))
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

QList<qint64> SControllerContext::SelectedSongIds() const
{
    QList<qint64> ids;
    for (const int row : SelectedSongRows())
        ids << doc.Songs().Id(row);
    return ids;
}

int SControllerContext::SelectedPlaylistEntry() const
{
    const QModelIndexList rows = SelectedRowsOf(controls, IDC_PLAYLIST);
    return rows.isEmpty() ? -1 : rows.first().row();
}
