#include "model/CPlaylistModel.h"

void CPlaylistModel::Append(const QString& text, qint64 id)
{
    Append(QList<SEntry>{{text, id}});
}

void CPlaylistModel::Append(const QList<SEntry>& entries)
{
    if (entries.isEmpty())
        return;
    beginInsertRows(QModelIndex(), Count(), Count() + int(entries.size()) - 1);
    m_entries.append(entries);
    endInsertRows();
}

void CPlaylistModel::Remove(int row)
{
    if (row < 0 || row >= Count())
        return;
    // The entry that becomes selected is not a choice of the user's.
    const bool selected = m_selected;
    beginRemoveRows(QModelIndex(), row, row);
    m_entries.removeAt(row);
    endRemoveRows();
    m_selected = selected;
}

void CPlaylistModel::Clear()
{
    beginResetModel();
    m_entries.clear();
    endResetModel();
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
    if (role == Qt::DisplayRole)
        return m_entries.at(index.row()).text;
    if (role == Qt::UserRole)
        return m_entries.at(index.row()).id;
    return {};
}
