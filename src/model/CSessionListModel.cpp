#include "model/CSessionListModel.h"

#include "platform/CCollation.h"

#include <algorithm>

bool CSessionListModel::Less(const QString& a, const QString& b)
{
    return CCollation::NameLess(a, b); // "Émilie" beside "Emil", not after "Z"
}

void CSessionListModel::SetNames(QStringList names)
{
    std::sort(names.begin(), names.end(), Less);
    names.erase(std::unique(names.begin(), names.end()), names.end());
    beginResetModel();
    m_names = std::move(names);
    endResetModel();
    Select(std::nullopt);
}

void CSessionListModel::Add(const QString& name)
{
    const auto at = std::lower_bound(m_names.begin(), m_names.end(), name, Less);
    if (at != m_names.end() && *at == name)
        return;
    const int row = int(at - m_names.begin());
    beginInsertRows(QModelIndex(), row, row);
    m_names.insert(row, name);
    endInsertRows();
}

void CSessionListModel::Remove(const QString& name)
{
    const int row = Row(name);
    if (row < 0)
        return;
    beginRemoveRows(QModelIndex(), row, row);
    m_names.removeAt(row);
    endRemoveRows();
    if (m_selected == name)
        Select(std::nullopt);
}

void CSessionListModel::Select(const std::optional<QString>& name)
{
    const std::optional<QString> chosen = name && Contains(*name) ? name : std::nullopt;
    if (chosen == m_selected)
        return;
    m_selected = chosen;
    Q_EMIT SelectionChanged();
}

int CSessionListModel::Row(const QString& name) const
{
    const auto at = std::lower_bound(m_names.begin(), m_names.end(), name, Less);
    return at != m_names.end() && *at == name ? int(at - m_names.begin()) : -1;
}

int CSessionListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Count();
}

QVariant CSessionListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= Count())
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return m_names.at(index.row());
    return {};
}
