#pragma once

#include <QAbstractListModel>
#include <QStringList>

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

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    static bool Less(const QString& a, const QString& b);

private:
    QStringList m_names;
};
