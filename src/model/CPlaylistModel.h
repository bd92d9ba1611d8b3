#pragma once

#include <QAbstractListModel>
#include <QList>
#include <QString>

// The playlist: entries of a song's LIST text and its ID, in the user's order. It also
// keeps whether the playlist changed since it was last sent to the player (Update Winamp
// is enabled by it) and whether the user picked an entry since the player last looked.
class CPlaylistModel : public QAbstractListModel
{
    Q_OBJECT
public:
    struct SEntry
    {
        QString text;
        qint64 id = 0;
    };

    explicit CPlaylistModel(QObject* parent = nullptr) : QAbstractListModel(parent) {}

    void Append(const QString& text, qint64 id);
    void Append(const QList<SEntry>& entries);
    void Remove(int row);
    void Clear();
    int Count() const { return int(m_entries.size()); }
    const SEntry& Entry(int row) const { return m_entries.at(row); }
    // The song IDs of the entries, in order.
    QList<qint64> Ids() const;

    bool Changed() const { return m_changed; }
    void SetChanged(bool changed);
    bool SelectionFlag() const { return m_selected; }
    void SetSelectionFlag(bool selected) { m_selected = selected; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

Q_SIGNALS:
    void ChangedFlagChanged(bool changed);

private:
    QList<SEntry> m_entries;
    bool m_changed = false;
    bool m_selected = false;
};
