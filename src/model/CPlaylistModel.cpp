#include "model/CPlaylistModel.h"

#include "platform/CText.h"

CPlaylistModel::CPlaylistModel(QObject* parent)
    : QAbstractListModel(parent), m_selection(new QItemSelectionModel(this, this))
{
    connect(m_selection, &QItemSelectionModel::selectionChanged, this,
            [this] { SetSelectionFlag(true); });
}

int CPlaylistModel::SelectedEntry() const
{
    const QModelIndexList rows = m_selection->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void CPlaylistModel::Append(const QString& text, qint64 id)
{
    Append(QList<SEntry>{{text, id}});
}

void CPlaylistModel::Append(const QList<SEntry>& entries)
{
    if (entries.isEmpty())
        return;
    QList<SEntry> added = entries;
    if (m_details)
        m_details(added);
    beginInsertRows(QModelIndex(), Count(), Count() + int(added.size()) - 1);
    for (const SEntry& entry : std::as_const(added))
        AddToTotal(entry.seconds);
    m_entries.append(added);
    endInsertRows();
    Q_EMIT TotalsChanged(Count(), m_seconds);
}

void CPlaylistModel::Remove(int row)
{
    if (row < 0 || row >= Count())
        return;
    // The entry that becomes selected is not a choice of the user's.
    const bool selected = m_selected;
    beginRemoveRows(QModelIndex(), row, row);
    m_seconds -= std::max<qint64>(0, m_entries.at(row).seconds);
    m_entries.removeAt(row);
    endRemoveRows();
    m_selected = selected;
    Q_EMIT TotalsChanged(Count(), m_seconds);
}

bool CPlaylistModel::Move(int from, int to)
{
    if (from < 0 || from >= Count() || to < 0 || to >= Count() || from == to)
        return false;
    // Qt counts the destination before the move: one further down when moving down.
    return moveRows(QModelIndex(), from, 1, QModelIndex(), to > from ? to + 1 : to);
}

bool CPlaylistModel::moveRows(const QModelIndex& sourceParent, int sourceRow, int count,
                              const QModelIndex& destinationParent, int destinationChild)
{
    if (sourceParent.isValid() || destinationParent.isValid() || count < 1 || sourceRow < 0 ||
        sourceRow + count > Count() || destinationChild < 0 || destinationChild > Count() ||
        (destinationChild >= sourceRow && destinationChild <= sourceRow + count))
        return false;
    if (!beginMoveRows(QModelIndex(), sourceRow, sourceRow + count - 1, QModelIndex(),
                       destinationChild))
        return false;
    const QList<SEntry> moved = m_entries.mid(sourceRow, count);
    m_entries.remove(sourceRow, count);
    const int at = destinationChild > sourceRow ? destinationChild - count : destinationChild;
    for (int i = 0; i < count; ++i)
        m_entries.insert(at + i, moved[i]);
    endMoveRows();
    // The player's list no longer follows the playlist's order.
    SetChanged(true);
    return true;
}

Qt::ItemFlags CPlaylistModel::flags(const QModelIndex& index) const
{
    const Qt::ItemFlags base = QAbstractListModel::flags(index);
    // Between entries is where a dragged entry lands; on an entry it would replace it.
    return index.isValid() ? base | Qt::ItemIsDragEnabled : base | Qt::ItemIsDropEnabled;
}

void CPlaylistModel::RemoveSong(qint64 id)
{
    for (int row = Count() - 1; row >= 0; --row) {
        if (m_entries.at(row).id == id) {
            Remove(row);
            SetChanged(true);
        }
    }
}

void CPlaylistModel::RemoveSongs(const QHash<qint64, qint64>& secondsById)
{
    for (int row = Count() - 1; row >= 0; --row) {
        if (secondsById.contains(m_entries.at(row).id)) {
            Remove(row);
            SetChanged(true);
        }
    }
}

void CPlaylistModel::RefreshSongs(const QList<SSong>& songs)
{
    QHash<qint64, const SSong*> byId;
    for (const SSong& song : songs)
        byId.insert(song.m_ID, &song);
    for (int row = 0; row < Count(); ++row) {
        const SSong* song = byId.value(m_entries.at(row).id);
        if (!song)
            continue;
        SEntry& entry = m_entries[row];
        const qint64 seconds = song->m_DURATION.toLongLong();
        m_seconds += std::max<qint64>(0, seconds) - std::max<qint64>(0, entry.seconds);
        entry = {song->m_LIST, song->m_ID, song->m_ARTIST, seconds > 0 ? seconds : -1};
        Q_EMIT dataChanged(index(row), index(row));
    }
    Q_EMIT TotalsChanged(Count(), m_seconds);
}

void CPlaylistModel::Clear()
{
    beginResetModel();
    m_entries.clear();
    m_seconds = 0;
    endResetModel();
    Q_EMIT TotalsChanged(0, 0);
}

QList<qint64> CPlaylistModel::Ids() const
{
    QList<qint64> ids;
    ids.reserve(m_entries.size());
    for (const SEntry& entry : m_entries)
        ids.append(entry.id);
    return ids;
}

void CPlaylistModel::SetChanged(bool changed)
{
    m_changed = changed;
    Q_EMIT ChangedFlagChanged(changed);
}

int CPlaylistModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Count();
}

QVariant CPlaylistModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= Count())
        return {};
    const SEntry& entry = m_entries.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return entry.text;
    case Qt::UserRole:
        return entry.id;
    case kArtistRole:
        return entry.artist;
    case kSecondsRole:
        return entry.seconds;
    case Qt::ToolTipRole:
        return entry.text +
               (entry.artist.isEmpty() ? QString() : QStringLiteral(" \u2014 ") + entry.artist) +
               (entry.seconds < 0
                    ? QString()
                    : QStringLiteral(" (%1)").arg(CText::MinutesSeconds(entry.seconds)));
    default:
        return {};
    }
}
