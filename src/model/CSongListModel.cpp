#include "model/CSongListModel.h"

#include "db/CGenres.h"
#include "model/CColumnRanks.h"
#include "platform/CSettings.h"
#include "platform/CText.h"

#include <QFutureWatcher>
#include <QHash>
#include <QPromise>
#include <QThreadPool>
#include <QTimer>
#include <algorithm>
#include <cstring>
#include <numeric>
#include <optional>
#include <utility>

namespace {

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
    {"Track", ESetting::LibTrack, ESongColumn::TRACK},
    {"Year", ESetting::LibYear, ESongColumn::YEAR},
    {"Genre", ESetting::LibGenre, ESongColumn::GENRE}, // its name
    {"Session", ESetting::LibSession, ESongColumn::CD},
    {"Bitrate", ESetting::LibBitrate, ESongColumn::BITRATE},
    {"Length", ESetting::LibLength, ESongColumn::DURATION},
    {"Comment", ESetting::LibComment, ESongColumn::COMMENT},
    {"Type", ESetting::LibType, ESongColumn::MELODI}, // the file name's extension
    {"Path", ESetting::LibPath, ESongColumn::PATH},   // the file's folder and name
};

// Rows read from the source at a time: a screenful or more in one query.
constexpr int kFillBlock = 256;

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

CSongListModel::SCell CSongListModel::Store(std::string_view utf8) const
{
    const SCell cell{quint32(m_text.size()), quint32(utf8.size())};
    m_text.append(utf8);
    return cell;
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

QList<CSongListModel::SColumnChoice> CSongListModel::OptionalColumns()
{
    QList<SColumnChoice> choices;
    for (const SOptionalColumn& c : kOptionalColumns)
        choices.append({QLatin1String(c.heading), c.setting, c.column});
    return choices;
}

QStringList CSongListModel::CellsFor(const SSong& song) const
{
    QStringList cells;
    cells.reserve(m_columns.size());
    for (ESongColumn column : m_columns)
        cells << (column == ESongColumn::PATH ? song.FilePath() : Shown(column, song.Text(column)));
    return cells;
}

bool CSongListModel::ShownAsStored(ESongColumn column)
{
    return column != ESongColumn::DURATION && column != ESongColumn::GENRE &&
           column != ESongColumn::MELODI && column != ESongColumn::PATH;
}

QString CSongListModel::Shown(ESongColumn column, const QString& stored)
{
    switch (column) {
    case ESongColumn::DURATION:
        return FormatLength(stored);
    case ESongColumn::GENRE:
        // "(17)" shows its name; a text the table does not number shows as it is.
        if (stored == QLatin1String(CGenres::kNone))
            return {};
        if (stored.size() >= 3 && stored.front() == u'(' && stored.at(1).isDigit())
            return CGenres::Name(CGenres::NumberOf(stored));
        return stored;
    case ESongColumn::MELODI: { // the file's type, from its name: "MP3"
        const qsizetype dot = stored.lastIndexOf(u'.');
        return dot < 0 ? QString() : stored.mid(dot + 1).toUpper();
    }
    default:
        return stored;
    }
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
        if (column == ESongColumn::PATH)
            batch.AddCell(CText::JoinPath(row.Text(column), row.Text(ESongColumn::MELODI)));
        else if (!ShownAsStored(column))
            batch.AddCell(Shown(column, row.Text(column)));
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

std::vector<qint64> CSongListModel::ListedIds() const
{
    std::vector<qint64> ids;
    ids.reserve(size_t(RowCount()));
    for (int row = 0; row < RowCount(); ++row)
        ids.push_back(Id(row));
    return ids;
}

QStringList CSongListModel::ColumnTexts(int column) const
{
    QStringList texts;
    texts.reserve(RowCount());
    for (int row = 0; row < RowCount(); ++row)
        texts << Cell(row, column);
    return texts;
}

void CSongListModel::RefreshSongs(const QList<SSong>& songs)
{
    QHash<qint64, const SSong*> byId;
    for (const SSong& song : songs)
        byId.insert(song.m_ID, &song);
    // Sorted rows stay where they are until the next sort, as after a cell edit.
    for (int row = 0; row < RowCount() && !byId.isEmpty(); ++row) {
        if (const SSong* song = byId.value(Id(row)))
            RefreshSongRow(row, *song);
    }
}

void CSongListModel::RemoveSongs(const QHash<qint64, qint64>& secondsById)
{
    std::vector<int> rows; // descending, so that each removal leaves the others in place
    qint64 seconds = 0;
    for (int row = RowCount() - 1; row >= 0; --row) {
        if (const auto it = secondsById.constFind(Id(row)); it != secondsById.constEnd()) {
            rows.push_back(row);
            seconds += it.value();
        }
    }
    if (rows.empty())
        return;
    // A total still to be summed is summed from the catalogue, which no longer has them.
    if (!m_secondsSource)
        m_seconds = std::max<qint64>(0, m_seconds - seconds);
    for (const int row : rows) {
        beginRemoveRows(QModelIndex(), row, row);
        RemoveListRow(row);
        endRemoveRows();
    }
    Q_EMIT TotalsChanged(RowCount(), m_secondsSource ? -1 : m_seconds);
}

void CSongListModel::RemoveListRow(int row)
{
    const size_t base = Base(row);
    if (m_view.empty()) {
        m_view.resize(m_ids.size());
        std::iota(m_view.begin(), m_view.end(), 0);
    }
    m_view.erase(m_view.begin() + row);
    // The stored row stays, unlisted: stored rows are never renumbered.
    m_ids[base] = -1;
    if (m_view.empty()) {
        m_ids.clear();
        m_slots.clear();
    }
    if (size_t(row) < m_runStarts.size()) {
        const bool started = m_runStarts[size_t(row)];
        m_runStarts.erase(m_runStarts.begin() + row);
        if (started && size_t(row) < m_runStarts.size())
            m_runStarts[size_t(row)] = true; // the run goes on from its next row
    }
}

void CSongListModel::Reset(std::vector<qint64> ids)
{
    m_ids = std::move(ids);
    m_slots.assign(m_ids.size(), kUnfilled);
    m_cells = {};
    m_text = {};
    m_view = {};
    m_source = {};
    m_columnSource = {};
    m_runStarts = {};
    m_seconds = 0;
    m_secondsSource = {};
    m_secondsBackground = {};
    ++*m_listNumber;
    if (m_totalsTimer)
        m_totalsTimer->stop(); // the list it would report is gone
    Unsorted();
}

void CSongListModel::SetHeadings(const QStringList& headings)
{
    beginResetModel();
    m_headings = headings;
    Reset({});
    endResetModel();
    Q_EMIT TotalsChanged(0, 0);
}

QList<int> CSongListModel::SelectedRows() const
{
    QList<int> rows;
    for (const QModelIndex& index : m_selection->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

QList<qint64> CSongListModel::SelectedIds() const
{
    QList<qint64> ids;
    for (const int row : SelectedRows())
        ids << Id(row);
    return ids;
}

void CSongListModel::Clear()
{
    beginResetModel();
    Reset({});
    endResetModel();
    Q_EMIT TotalsChanged(0, 0);
}

void CSongListModel::ShowIds(std::vector<qint64> ids, RowSource source, ColumnSource columns,
                             qint64 seconds)
{
    ShowSources(std::move(ids), std::move(source), std::move(columns), {});
    m_seconds = std::max<qint64>(0, seconds);
    Q_EMIT TotalsChanged(RowCount(), TotalSeconds());
}

void CSongListModel::ShowSources(std::vector<qint64> ids, RowSource source, ColumnSource columns,
                                 SecondsSource seconds)
{
    beginResetModel();
    Reset(std::move(ids));
    m_source = std::move(source);
    m_columnSource = std::move(columns);
    m_secondsSource = std::move(seconds);
    endResetModel();
}

void CSongListModel::ShowIds(std::vector<qint64> ids, RowSource source, ColumnSource columns,
                             SecondsSource seconds, SecondsInBackground background)
{
    ShowSources(std::move(ids), std::move(source), std::move(columns), std::move(seconds));
    m_secondsBackground = std::move(background);
    Q_EMIT TotalsChanged(RowCount(), -1); // the length follows
    // Summing a million lengths takes longer than drawing the list: a timer that runs out
    // after the view's own (zero) layout timer lets the list be drawn first. One timer,
    // restarted by each list, so lists shown without an event loop leave none behind.
    if (!m_totalsTimer) {
        m_totalsTimer = new QTimer(this);
        m_totalsTimer->setSingleShot(true);
        connect(m_totalsTimer, &QTimer::timeout, this, &CSongListModel::ReportTotals);
    }
    constexpr int kAfterDrawnMs = 10;
    m_totalsTimer->start(kAfterDrawnMs);
}

void CSongListModel::ReportTotals()
{
    if (m_secondsSource && m_secondsBackground) {
        if (SecondsJob job = std::exchange(m_secondsBackground, {})()) {
            SumInBackground(std::move(job));
            return;
        }
    }
    Q_EMIT TotalsChanged(RowCount(), TotalSeconds());
}

void CSongListModel::SumInBackground(SecondsJob job)
{
    using Result = std::optional<qint64>;
    auto promise = std::make_shared<QPromise<Result>>();
    auto* watcher = new QFutureWatcher<Result>(this);
    const quint64 list = *m_listNumber;
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, list] {
        watcher->deleteLater();
        // Another list since, or this one summed here meanwhile (asked for by a change).
        if (list != *m_listNumber || !m_secondsSource)
            return;
        if (const Result seconds = watcher->result()) {
            m_secondsSource = {};
            m_seconds = std::max<qint64>(0, *seconds);
        }
        Q_EMIT TotalsChanged(RowCount(), TotalSeconds());
    });
    watcher->setFuture(promise->future());
    // What the work holds outlives this model: a list closed meanwhile just drops the sum.
    QThreadPool::globalInstance()->start(
        [promise, job = std::move(job), current = m_listNumber, list] {
            promise->start();
            promise->addResult(*current == list ? job() : std::nullopt);
            promise->finish();
        });
}

qint64 CSongListModel::TotalSeconds() const
{
    if (m_secondsSource) {
        const SecondsSource source = std::exchange(m_secondsSource, {});
        m_seconds = std::max<qint64>(0, source());
    }
    return m_seconds;
}

bool CSongListModel::IsFilled(int row) const
{
    return ColumnCount() == 0 || m_slots[Base(row)] != kUnfilled;
}

void CSongListModel::PlaceCells(size_t base, const std::function<SCell(int column)>& cell) const
{
    m_slots[base] = quint32(m_cells.size());
    for (int c = 0; c < ColumnCount(); ++c)
        m_cells.push_back(cell(c));
}

void CSongListModel::Fill(int first, int last) const
{
    std::vector<qint64> ids;
    std::vector<size_t> bases;
    for (int r = first; r < last; ++r) {
        if (!IsFilled(r)) {
            ids.push_back(Id(r));
            bases.push_back(Base(r));
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
    for (size_t k = 0; k < bases.size(); ++k) {
        const int at = foundAt.value(ids[k], -1);
        PlaceCells(bases[k], [&](int c) { return at < 0 ? SCell{} : Store(found.Cell(at, c)); });
    }
}

std::string_view CSongListModel::Text(int row, int column) const
{
    if (!IsFilled(row)) {
        const int first = row - row % kFillBlock;
        Fill(first, std::min(RowCount(), first + kFillBlock));
    }
    return Stored(m_cells[size_t(m_slots[Base(row)]) + size_t(column)]);
}

void CSongListModel::InsertRow(int row, const SRow& data)
{
    row = qBound(0, row, RowCount());
    Unsorted();
    beginInsertRows(QModelIndex(), row, row);
    const size_t base = m_ids.size();
    m_ids.push_back(data.id);
    m_slots.push_back(kUnfilled);
    PlaceCells(base, [&](int c) { return Store(std::string_view(data.cells.value(c).toUtf8())); });
    if (!m_view.empty() || row != int(base)) {
        if (m_view.empty()) {
            m_view.resize(base);
            std::iota(m_view.begin(), m_view.end(), 0);
        }
        m_view.insert(m_view.begin() + row, qint32(base));
    }
    m_seconds = TotalSeconds() + std::max<qint64>(0, data.seconds);
    endInsertRows();
    Q_EMIT TotalsChanged(RowCount(), TotalSeconds());
}

void CSongListModel::AppendRows(CBatch batch)
{
    if (batch.RowCount() == 0 || batch.Columns() != ColumnCount() ||
        batch.m_cells.size() != size_t(batch.RowCount()) * size_t(ColumnCount()))
        return;
    const bool reset = RowCount() == 0; // cheaper for the view than many inserted rows
    if (reset)
        beginResetModel();
    else
        beginInsertRows(QModelIndex(), RowCount(), RowCount() + batch.RowCount() - 1);
    Unsorted();
    const size_t base = m_ids.size();
    const quint32 shift = quint32(m_text.size());
    const quint32 firstCell = quint32(m_cells.size());
    m_text.append(batch.m_text);
    for (SCell cell : batch.m_cells) {
        cell.offset += shift;
        m_cells.push_back(cell);
    }
    for (int i = 0; i < batch.RowCount(); ++i) {
        m_ids.push_back(batch.Id(i));
        m_slots.push_back(firstCell + quint32(i) * quint32(ColumnCount()));
        if (!m_view.empty())
            m_view.push_back(qint32(base + size_t(i)));
    }
    m_seconds = TotalSeconds() + batch.Seconds();
    if (reset)
        endResetModel();
    else
        endInsertRows();
    Q_EMIT TotalsChanged(RowCount(), TotalSeconds());
}

void CSongListModel::SetCells(int row, const QStringList& cells)
{
    if (row < 0 || row >= RowCount())
        return;
    Unsorted();
    Fill(row, row + 1);
    for (int c = 0; c < ColumnCount(); ++c)
        CellRef(row, c) = Store(std::string_view(cells.value(c).toUtf8()));
    Q_EMIT dataChanged(index(row, 0), index(row, ColumnCount() - 1));
}

void CSongListModel::SetCell(int row, int column, const QString& text)
{
    if (!IsCell(row, column))
        return;
    Unsorted();
    Fill(row, row + 1); // the row's other cells stay true
    CellRef(row, column) = Store(std::string_view(text.toUtf8()));
    Q_EMIT dataChanged(index(row, column), index(row, column));
}

QString CSongListModel::Cell(int row, int column) const
{
    if (!IsCell(row, column))
        return {};
    const std::string_view text = Text(row, column);
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
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
    // The path and the type are where the file is and what it holds, not texts to change.
    const ESongColumn column = m_columns.value(index.column());
    if (column == ESongColumn::PATH || column == ESongColumn::MELODI)
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
