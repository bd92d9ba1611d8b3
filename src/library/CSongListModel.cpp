#include "library/CSongListModel.h"

#include <algorithm>
#include <numeric>

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

void CSongListModel::AppendRows(QVector<SRow> rows)
{
    if (rows.isEmpty())
        return;
    for (SRow& r : rows)
        r.cells.resize(m_headings.size());
    if (m_rows.isEmpty()) {
        // A reset is cheaper for the view than an insertion of many rows.
        beginResetModel();
        m_rows = std::move(rows);
        endResetModel();
        return;
    }
    const int first = RowCount();
    beginInsertRows(QModelIndex(), first, first + int(rows.size()) - 1);
    m_rows.append(std::move(rows));
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

int CSongListModel::CompareBytewise(const QString& a, const QString& b)
{
    // UTF-16 order differs from code point order only where surrogates meet the units
    // U+E000..U+FFFF; shifting those ranges gives code point order.
    const auto key = [](char16_t u) -> int {
        if (u >= 0xE000)
            return u - 0x800;
        if (u >= 0xD800)
            return u + 0x2000;
        return u;
    };
    const qsizetype n = std::min(a.size(), b.size());
    const char16_t* pa = reinterpret_cast<const char16_t*>(a.constData());
    const char16_t* pb = reinterpret_cast<const char16_t*>(b.constData());
    for (qsizetype i = 0; i < n; ++i) {
        if (pa[i] != pb[i])
            return key(pa[i]) < key(pb[i]) ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

void CSongListModel::SortByColumn(int column, bool ascending)
{
    if (column < 0 || column >= m_headings.size() || m_rows.size() < 2)
        return;
    std::vector<int> order(size_t(m_rows.size()));
    std::iota(order.begin(), order.end(), 0);
    const auto cell = [&](int r) -> const QString& { return m_rows[r].cells[column]; };
    std::stable_sort(order.begin(), order.end(), [&](int x, int y) {
        const int c = CompareBytewise(cell(x), cell(y));
        return ascending ? c < 0 : c > 0;
    });

    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newRowOf(order.size());
    QVector<SRow> sorted;
    sorted.reserve(m_rows.size());
    for (size_t i = 0; i < order.size(); ++i) {
        newRowOf[size_t(order[i])] = int(i);
        sorted.append(std::move(m_rows[order[i]]));
    }
    m_rows = std::move(sorted);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& i : before)
        after << index(newRowOf[size_t(i.row())], i.column());
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
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

Qt::ItemFlags CSongListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable;
}

bool CSongListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || index.row() >= RowCount() ||
        index.column() >= m_headings.size())
        return false;
    const QString text = value.toString();
    SetCell(index.row(), index.column(), text);
    Q_EMIT CellEdited(index.row(), index.column(), text);
    return true;
}
