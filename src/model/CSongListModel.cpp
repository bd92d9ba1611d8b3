#include "model/CSongListModel.h"

#include "platform/CSettings.h"
#include "platform/CText.h"

#include <QHash>
#include <algorithm>
#include <cstring>
#include <numeric>

namespace {

// The first eight bytes, big-endian, so that comparing two keys orders as the texts do
// whenever the keys differ; equal keys need the full comparison.
quint64 PrefixKey(std::string_view s)
{
    quint64 key = 0;
    for (size_t i = 0; i < 8; ++i)
        key = (key << 8) | (i < s.size() ? static_cast<unsigned char>(s[i]) : 0u);
    return key;
}

struct SOptionalColumn
{
    const char* heading;
    ESetting setting;
    ESongColumn column;
};

// In the order they appear; a hidden column is simply absent.
constexpr SOptionalColumn kOptionalColumns[] = {
    {"Artist", ESetting::LibArtist, ESongColumn::ARTIST},
    {"Album", ESetting::LibAlbum, ESongColumn::ALBUM},
    {"Session", ESetting::LibSession, ESongColumn::CD},
    {"Bitrate", ESetting::LibBitrate, ESongColumn::BITRATE},
    {"Length", ESetting::LibLength, ESongColumn::DURATION},
    {"Comment", ESetting::LibComment, ESongColumn::COMMENT},
    {"Path", ESetting::LibPath, ESongColumn::PATH}, // the file's folder and name
};

// The offset of a cell whose row the source has not filled yet.
constexpr quint32 kUnfilled = 0xFFFFFFFFu;
// Rows read from the source at a time: a screenful or more in one query.
constexpr int kFillBlock = 256;

struct SSortKey
{
    quint64 prefix;
    std::string_view text;
    int row;
};

} // namespace

void CSongListModel::CBatch::AddRow(qint64 id)
{
    m_ids.push_back(id);
}

CSongListModel::CBatch::SCell CSongListModel::CBatch::Store(std::string_view utf8)
{
    const SCell cell{quint32(m_text.size()), quint32(utf8.size())};
    m_text.append(utf8);
    return cell;
}

void CSongListModel::CBatch::AddCell(std::string_view utf8)
{
    m_cells.push_back(Store(utf8));
}

std::string_view CSongListModel::CBatch::Cell(int row, int column) const
{
    const SCell& c = m_cells[size_t(row) * size_t(m_columns) + size_t(column)];
    return std::string_view(m_text).substr(c.offset, c.length);
}

void CSongListModel::RebuildColumns()
{
    QStringList headings{QStringLiteral("Title")};
    m_columns = {ESongColumn::LIST};
    for (const SOptionalColumn& c : kOptionalColumns) {
        if (CSettings::Bool(c.setting)) {
            headings << QLatin1String(c.heading);
            m_columns << c.column;
        }
    }
    SetHeadings(headings);
    Q_EMIT ColumnsRebuilt();
}

QStringList CSongListModel::CellsFor(const SSong& song) const
{
    QStringList cells;
    cells.reserve(m_columns.size());
    for (ESongColumn column : m_columns) {
        if (column == ESongColumn::PATH) {
            cells << song.FilePath();
            continue;
        }
        const QString text = song.Text(column);
        cells << (column == ESongColumn::DURATION ? FormatLength(text) : text);
    }
    return cells;
}

void CSongListModel::AddToBatch(CBatch& batch, const SSong& song) const
{
    batch.AddRow(song.m_ID);
    batch.AddSeconds(song.m_DURATION.toLongLong());
    for (const QString& cell : CellsFor(song))
        batch.AddCell(cell);
}

void CSongListModel::AddToBatch(CBatch& batch, const CCdlistSet::CScanRow& row) const
{
    // Straight from the database's bytes: no string is made for a row not on screen.
    batch.AddRow(row.Id());
    batch.AddSeconds(CText::LeadingInteger(row.Bytes(ESongColumn::DURATION)));
    for (ESongColumn column : m_columns) {
        if (column == ESongColumn::DURATION)
            batch.AddCell(FormatLength(row.Text(column)));
        else
            batch.AddCell(row.Bytes(column));
    }
}

QString CSongListModel::FormatLength(const QString& seconds)
{
    if (seconds.isEmpty())
        return {};
    return CText::MinutesSeconds(seconds.toLongLong());
}

void CSongListModel::InsertSongRow(int row, const SSong& song)
{
    InsertRow(row, {song.m_ID, CellsFor(song), song.m_DURATION.toLongLong()});
}

void CSongListModel::RefreshSongRow(int row, const SSong& song)
{
    SetCells(row, CellsFor(song));
}

void CSongListModel::SetHeadings(const QStringList& headings)
{
    m_sortedColumn = -1;
    beginResetModel();
    m_headings = headings;
    m_data = CBatch(int(headings.size()));
    m_source = {};
    endResetModel();
    Q_EMIT TotalsChanged(0, 0);
}

void CSongListModel::Clear()
{
    m_sortedColumn = -1;
    beginResetModel();
    m_data = CBatch(ColumnCount());
    m_source = {};
    endResetModel();
    Q_EMIT TotalsChanged(0, 0);
}

void CSongListModel::ShowIds(std::vector<qint64> ids, RowSource source, qint64 seconds)
{
    m_sortedColumn = -1;
    beginResetModel();
    m_data = CBatch(ColumnCount());
    m_data.m_cells.assign(ids.size() * size_t(ColumnCount()), CBatch::SCell{kUnfilled, 0});
    m_data.m_ids = std::move(ids);
    m_data.AddSeconds(seconds);
    m_source = std::move(source);
    endResetModel();
    Q_EMIT TotalsChanged(RowCount(), TotalSeconds());
}

bool CSongListModel::IsFilled(int row) const
{
    return ColumnCount() == 0 ||
           m_data.m_cells[size_t(row) * size_t(ColumnCount())].offset != kUnfilled;
}

void CSongListModel::Fill(int first, int last) const
{
    std::vector<qint64> ids;
    std::vector<int> rows;
    for (int r = first; r < last; ++r) {
        if (!IsFilled(r)) {
            ids.push_back(Id(r));
            rows.push_back(r);
        }
    }
    if (ids.empty())
        return;
    CBatch found(ColumnCount());
    if (m_source)
        m_source(ids, found);
    QHash<qint64, int> foundAt;
    foundAt.reserve(found.RowCount());
    if (found.Columns() == ColumnCount()) {
        for (int i = 0; i < found.RowCount(); ++i)
            foundAt.insert(found.Id(i), i);
    }
    const size_t columns = size_t(ColumnCount());
    for (size_t k = 0; k < rows.size(); ++k) {
        const int at = foundAt.value(ids[k], -1);
        for (size_t c = 0; c < columns; ++c) {
            m_data.m_cells[size_t(rows[k]) * columns + c] =
                at < 0 ? CBatch::SCell{} : m_data.Store(found.Cell(at, int(c)));
        }
    }
}

std::string_view CSongListModel::Text(int row, int column) const
{
    if (!IsFilled(row)) {
        const int first = row - row % kFillBlock;
        Fill(first, std::min(RowCount(), first + kFillBlock));
    }
    return m_data.Cell(row, column);
}

void CSongListModel::InsertRow(int row, const SRow& data)
{
    row = qBound(0, row, RowCount());
    std::vector<CBatch::SCell> cells;
    for (int c = 0; c < ColumnCount(); ++c)
        cells.push_back(m_data.Store(std::string_view(data.cells.value(c).toUtf8())));
    m_sortedColumn = -1;
    beginInsertRows(QModelIndex(), row, row);
    m_data.m_ids.insert(m_data.m_ids.begin() + row, data.id);
    m_data.m_cells.insert(m_data.m_cells.begin() + ptrdiff_t(row) * ColumnCount(), cells.begin(),
                          cells.end());
    m_data.AddSeconds(data.seconds);
    endInsertRows();
    Q_EMIT TotalsChanged(RowCount(), TotalSeconds());
}

void CSongListModel::AppendRows(CBatch batch)
{
    m_sortedColumn = -1;
    if (batch.RowCount() == 0 || batch.Columns() != ColumnCount() ||
        batch.m_cells.size() != size_t(batch.RowCount()) * size_t(ColumnCount()))
        return;
    if (RowCount() == 0) {
        // A reset is cheaper for the view than an insertion of many rows.
        beginResetModel();
        m_data = std::move(batch);
        endResetModel();
        Q_EMIT TotalsChanged(RowCount(), TotalSeconds());
        return;
    }
    const int first = RowCount();
    beginInsertRows(QModelIndex(), first, first + batch.RowCount() - 1);
    const quint32 shift = quint32(m_data.m_text.size());
    m_data.m_text.append(batch.m_text);
    m_data.m_ids.insert(m_data.m_ids.end(), batch.m_ids.begin(), batch.m_ids.end());
    for (CBatch::SCell cell : batch.m_cells) {
        cell.offset += shift;
        m_data.m_cells.push_back(cell);
    }
    m_data.AddSeconds(batch.Seconds());
    endInsertRows();
    Q_EMIT TotalsChanged(RowCount(), TotalSeconds());
}

void CSongListModel::SetCells(int row, const QStringList& cells)
{
    if (row < 0 || row >= RowCount())
        return;
    m_sortedColumn = -1;
    for (int c = 0; c < ColumnCount(); ++c)
        CellRef(row, c) = m_data.Store(std::string_view(cells.value(c).toUtf8()));
    Q_EMIT dataChanged(index(row, 0), index(row, ColumnCount() - 1));
}

void CSongListModel::SetCell(int row, int column, const QString& text)
{
    if (!IsCell(row, column))
        return;
    m_sortedColumn = -1;
    Fill(row, row + 1); // the row's other cells stay true
    CellRef(row, column) = m_data.Store(std::string_view(text.toUtf8()));
    Q_EMIT dataChanged(index(row, column), index(row, column));
}

QString CSongListModel::Cell(int row, int column) const
{
    if (!IsCell(row, column))
        return {};
    const std::string_view text = Text(row, column);
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

quint64 CSongListModel::NumericKey(ESongColumn column, std::string_view text)
{
    // Empty cells first, then by value; a length reads as minutes and seconds.
    if (text.empty())
        return 0;
    qint64 value = CText::LeadingInteger(text);
    const size_t colon = text.find(':');
    if (column == ESongColumn::DURATION && colon != std::string_view::npos)
        value = value * 60 + CText::LeadingInteger(text.substr(colon + 1));
    return quint64(std::max<qint64>(value, -1) + 2);
}

void CSongListModel::SortByColumn(int column, bool ascending)
{
    if (column < 0 || column >= ColumnCount() || RowCount() < 2)
        return;
    if (column == m_sortedColumn && ascending == m_sortedAscending)
        return;
    const ESongColumn shown = m_columns.value(column, ESongColumn::LIST);
    const bool numeric = shown == ESongColumn::BITRATE || shown == ESongColumn::DURATION;
    if (column == m_sortedColumn) {
        // Sorted by this column already: the other direction is the runs of equal cells in
        // reverse order, each run keeping its own order. No comparison sort needed.
        const auto same = [&](int a, int b) {
            const std::string_view x = m_data.Cell(a, column), y = m_data.Cell(b, column);
            return numeric ? NumericKey(shown, x) == NumericKey(shown, y) : x == y;
        };
        Reorder([&same](std::vector<int>& order) {
            std::vector<int> reversed;
            reversed.reserve(order.size());
            for (size_t end = order.size(); end > 0;) {
                size_t begin = end - 1;
                while (begin > 0 && same(order[begin - 1], order[end - 1]))
                    --begin;
                reversed.insert(reversed.end(), order.begin() + ptrdiff_t(begin),
                                order.begin() + ptrdiff_t(end));
                end = begin;
            }
            order = std::move(reversed);
        });
        m_sortedAscending = ascending;
        return;
    }
    Fill(0, RowCount());
    std::vector<SSortKey> keys;
    keys.reserve(size_t(RowCount()));
    for (int r = 0; r < RowCount(); ++r) {
        const std::string_view text = m_data.Cell(r, column);
        if (numeric)
            keys.push_back({NumericKey(shown, text), {}, r});
        else
            keys.push_back({PrefixKey(text), text, r});
    }
    const auto less = [](const SSortKey& x, const SSortKey& y) {
        if (x.prefix != y.prefix)
            return x.prefix < y.prefix;
        return x.text < y.text; // compares bytes as unsigned values
    };
    if (ascending)
        std::stable_sort(keys.begin(), keys.end(), less);
    else
        std::stable_sort(keys.begin(), keys.end(),
                         [&less](const SSortKey& x, const SSortKey& y) { return less(y, x); });
    Reorder([&keys](std::vector<int>& order) {
        for (size_t i = 0; i < keys.size(); ++i)
            order[i] = keys[i].row;
    });
    m_sortedColumn = column;
    m_sortedAscending = ascending;
}

void CSongListModel::Reorder(const std::function<void(std::vector<int>&)>& arrange)
{
    std::vector<int> order(static_cast<size_t>(RowCount())); // new row -> old row
    std::iota(order.begin(), order.end(), 0);
    arrange(order);
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const size_t columns = size_t(ColumnCount());
    std::vector<int> newRowOf(order.size());
    std::vector<qint64> ids(order.size());
    std::vector<CBatch::SCell> cells(m_data.m_cells.size());
    for (size_t i = 0; i < order.size(); ++i) {
        const size_t old = size_t(order[i]);
        newRowOf[old] = int(i);
        ids[i] = m_data.m_ids[old];
        std::copy_n(m_data.m_cells.begin() + ptrdiff_t(old * columns), columns,
                    cells.begin() + ptrdiff_t(i * columns));
    }
    m_data.m_ids = std::move(ids);
    m_data.m_cells = std::move(cells);
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
    return parent.isValid() ? 0 : ColumnCount();
}

QVariant CSongListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !IsCell(index.row(), index.column()))
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return Cell(index.row(), index.column());
    if (role == Qt::UserRole)
        return Id(index.row());
    // Where the file is, for every row.
    if (role == Qt::ToolTipRole && m_pathSource)
        return m_pathSource(Id(index.row()));
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
    // The path is where the file is, not a text to change.
    if (m_columns.value(index.column()) == ESongColumn::PATH)
        return Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable;
}

bool CSongListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || !IsCell(index.row(), index.column()))
        return false;
    const QString text = value.toString();
    SetCell(index.row(), index.column(), text);
    Q_EMIT CellEdited(index.row(), index.column(), text);
    return true;
}
