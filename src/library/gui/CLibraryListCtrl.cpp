#include "library/gui/CLibraryListCtrl.h"

#include "library/gui/CCellEdit.h"

#include <QHeaderView>
#include <algorithm>

CLibraryListCtrl::CLibraryListCtrl(CSongListModel* model, QWidget* parent)
    : QTableView(parent), m_model(model)
{
    setModel(m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setShowGrid(false);
    setWordWrap(false);
    setAlternatingRowColors(true);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setSortIndicatorShown(true);
    horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    // A refilled list is in stored order again: no heading may claim to sort it.
    connect(m_model, &QAbstractItemModel::modelReset, this,
            [this] { horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder); });
    // A click on a cell of an already selected row edits it (F2 belongs to Update Winamp).
    setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    setItemDelegate(new CCellEditDelegate(this));
    connect(m_model, &CSongListModel::CellEdited, this, &CLibraryListCtrl::CellEdited);
    connect(m_model, &CSongListModel::ColumnsRebuilt, this, &CLibraryListCtrl::SetColumnWidths);
    // Only left-button clicks reach sectionClicked.
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this,
            &CLibraryListCtrl::SortByHeading);
    connect(this, &QTableView::clicked, this,
            [this](const QModelIndex& i) { Q_EMIT RowClicked(i.row()); });
    connect(this, &QTableView::doubleClicked, this,
            [this](const QModelIndex& i) { Q_EMIT RowDoubleClicked(i.row()); });
}

void CLibraryListCtrl::SetColumnWidths()
{
    // The designed widths at the designed size; a wider list shares its room among the
    // columns in the same proportions instead of leaving it empty.
    const int designed = 130 + 50 * std::max(0, ColumnCount() - 1);
    const double share = std::max(1.0, double(viewport()->width()) / designed);
    for (int i = 0; i < ColumnCount(); ++i)
        setColumnWidth(i, int((i == 0 ? 130 : 50) * share));
}

void CLibraryListCtrl::resizeEvent(QResizeEvent* event)
{
    QTableView::resizeEvent(event);
    SetColumnWidths();
}

QList<int> CLibraryListCtrl::SelectedRows() const
{
    QList<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

void CLibraryListCtrl::SortByHeading(int column)
{
    m_ascending = column != m_lastSortColumn ? true : !m_ascending;
    m_lastSortColumn = column;
    m_model->SortByColumn(column, m_ascending);
    horizontalHeader()->setSortIndicator(column,
                                         m_ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}
