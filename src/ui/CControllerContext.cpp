#include "ui/CControllerContext.h"

#include <QListView>

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
