#pragma once

#include <QAbstractListModel>
#include <QStringList>
#include <optional>

// The session names, in alphabetical order ignoring letter case as people read names;
// names equal but for case are separate sessions and keep a fixed order between them.
class CSessionListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    explicit CSessionListModel(QObject* parent = nullptr) : QAbstractListModel(parent) {}

    void SetNames(QStringList names);
    // Lists a name once, in its place; nothing when it is listed already.
    void Add(const QString& name);
    void Remove(const QString& name);
    void Clear() { SetNames({}); }
    bool Contains(const QString& name) const { return Row(name) >= 0; }
    // The row of a name (byte for byte), -1 when it is not listed.
    int Row(const QString& name) const;
    const QStringList& Names() const { return m_names; }
    QString Name(int row) const { return m_names.value(row); }
    int Count() const { return int(m_names.size()); }
    // The session chosen in the list; none once it leaves the list or the list is refilled,
    // as a list view's highlight would.
    std::optional<QString> Selected() const { return m_selected; }
    // Chooses a listed session, or none; SelectionChanged tells when that changes.
    void Select(const std::optional<QString>& name);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    static bool Less(const QString& a, const QString& b);

Q_SIGNALS:
    void SelectionChanged();

private:
    QStringList m_names;
    std::optional<QString> m_selected;
};
