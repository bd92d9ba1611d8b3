#include "library/CSongListModel.h"

void CSongListModel::SetHeadings(const QStringList& headings)
{
    beginResetModel();
    m_headings = headings;
    m_rows.clear();
    endResetModel();
}

void CSongListModel::Clear()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

void CSongListModel::InsertRow(int row, SRow data)
{
    row = qBound(0, row, RowCount());
    data.cells.resize(m_headings.size());
    beginInsertRows(QModelIndex(), row, row);
    m_rows.insert(row, std::move(data));
    endInsertRows();
}

void CSongListModel::SetCells(int row, const QStringList& cells)
{
    if (row < 0 || row >= RowCount())
        return;
    m_rows[row].cells = cells;
    m_rows[row].cells.resize(m_headings.size());
    Q_EMIT dataChanged(index(row, 0), index(row, int(m_headings.size()) - 1));
}

void CSongListModel::SetCell(int row, int column, const QString& text)
{
    if (row < 0 || row >= RowCount() || column < 0 || column >= m_headings.size())
        return;
    m_rows[row].cells[column] = text;
    Q_EMIT dataChanged(index(row, column), index(row, column));
}

int CSongListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : RowCount();
}

int CSongListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_headings.size());
}

QVariant CSongListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= RowCount())
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return m_rows[index.row()].cells.value(index.column());
    if (role == Qt::UserRole)
        return m_rows[index.row()].id;
    return {};
}

QVariant CSongListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return m_headings.value(section);
    return {};
}
