#include "library/CLibraryListCtrl.h"

#include "app/CSettings.h"
#include "db/CCdlistSet.h"
#include "library/CCellEdit.h"

#include <QHeaderView>

namespace {

struct SOptionalColumn
{
    const char* heading;
    const char* setting;
    int defaultOn;
    ESongColumn column;
};

// In the order they appear; a hidden column is simply absent.
constexpr SOptionalColumn kOptionalColumns[] = {
    {"Artist", "LibArtist", 1, ESongColumn::ARTIST},
    {"Album", "LibAlbum", 1, ESongColumn::ALBUM},
    {"Session", "LibSession", 1, ESongColumn::CD},
    {"Bitrate", "LibBitrate", 0, ESongColumn::BITRATE},
    {"Length", "LibLength", 0, ESongColumn::DURATION},
    {"Comment", "LibComment", 0, ESongColumn::COMMENT},
};

} // namespace

CLibraryListCtrl::CLibraryListCtrl(QWidget* parent)
    : QTableView(parent), m_model(new CSongListModel(this))
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
    // A click on a cell of an already selected row edits it; F2 edits the current cell.
    setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    setItemDelegate(new CCellEditDelegate(this));
    connect(m_model, &CSongListModel::CellEdited, this, &CLibraryListCtrl::CellEdited);
    // Only left-button clicks reach sectionClicked.
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this,
            &CLibraryListCtrl::SortByHeading);
    connect(this, &QTableView::clicked, this,
            [this](const QModelIndex& i) { Q_EMIT RowClicked(i.row()); });
    connect(this, &QTableView::doubleClicked, this,
            [this](const QModelIndex& i) { Q_EMIT RowDoubleClicked(i.row()); });
}

void CLibraryListCtrl::RebuildColumns()
{
    QStringList headings{QStringLiteral("Title")};
    m_columns = {ESongColumn::LIST};
    for (const SOptionalColumn& c : kOptionalColumns) {
        if (CSettings::Int(QLatin1String(c.setting), c.defaultOn) != 0) {
            headings << QLatin1String(c.heading);
            m_columns << c.column;
        }
    }
    m_model->SetHeadings(headings);
    for (int i = 0; i < headings.size(); ++i)
        setColumnWidth(i, i == 0 ? 130 : 50);
}

QStringList CLibraryListCtrl::CellsFor(const CCdlistSet& set) const
{
    QStringList cells;
    cells.reserve(m_columns.size());
    for (ESongColumn column : m_columns) {
        const QString text = set.Text(column);
        cells << (column == ESongColumn::DURATION ? FormatLength(text) : text);
    }
    return cells;
}

void CLibraryListCtrl::AddToBatch(CSongListModel::CBatch& batch, const CCdlistSet& set) const
{
    batch.AddRow(set.m_ID);
    for (const QString& cell : CellsFor(set))
        batch.AddCell(cell);
}

void CLibraryListCtrl::AddToBatch(CSongListModel::CBatch& batch,
                                  const CCdlistSet::CScanRow& row) const
{
    // Straight from the database's bytes: no string is made for a row not on screen.
    batch.AddRow(row.Id());
    for (ESongColumn column : m_columns) {
        if (column == ESongColumn::DURATION)
            batch.AddCell(FormatLength(row.Text(column)));
        else
            batch.AddCell(row.Bytes(column));
    }
}

QString CLibraryListCtrl::FormatLength(const QString& seconds)
{
    if (seconds.isEmpty())
        return {};
    const int s = seconds.toInt();
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

void CLibraryListCtrl::InsertSongRow(int row, const CCdlistSet& set)
{
    m_model->InsertRow(row, {set.m_ID, CellsFor(set)});
}

void CLibraryListCtrl::RefreshSongRow(int row, const CCdlistSet& set)
{
    m_model->SetCells(row, CellsFor(set));
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
}
