#pragma once

#include "db/SSong.h"

#include <QAbstractListModel>
#include <QHash>
#include <QItemSelectionModel>
#include <QList>
#include <QString>
#include <algorithm>
#include <functional>

// The playlist: entries of a song's LIST text and its ID, in the user's order, each with
// the song's artist and length for the eye, and their total length. It also
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
        QString artist{};
        qint64 seconds = -1; // its length; -1 when unknown
    };
    enum ERole
    {
        kArtistRole = Qt::UserRole + 1,
        kSecondsRole,
    };

    explicit CPlaylistModel(QObject* parent = nullptr);

    // Fills in the artist and length of new entries, from the catalogue.
    using DetailSource = std::function<void(QList<SEntry>& entries)>;
    void SetDetailSource(DetailSource source) { m_details = std::move(source); }

    void Append(const QString& text, qint64 id);
    void Append(const QList<SEntry>& entries);
    void Remove(int row);
    // Moves an entry to another place (the row it takes once moved); false when either
    // row is out of range or they are the same.
    bool Move(int from, int to);
    // Removes every entry of a song (deleted from the catalogue).
    void RemoveSong(qint64 id);
    // What the catalogue announced: entries of songs gone leave, those of songs changed
    // show their new name, artist and length.
    void RemoveSongs(const QHash<qint64, qint64>& secondsById);
    void RefreshSongs(const QList<SSong>& songs);
    void Clear();
    int Count() const { return int(m_entries.size()); }
    const SEntry& Entry(int row) const { return m_entries.at(row); }
    // The song IDs of the entries, in order.
    QList<qint64> Ids() const;
    // The entries' lengths together, in seconds.
    qint64 TotalSeconds() const { return m_seconds; }

    bool Changed() const { return m_changed; }
    void SetChanged(bool changed);
    // The entries the user selected, shared by every view of the playlist; a change sets
    // the selection flag.
    QItemSelectionModel& Selection() { return *m_selection; }
    // The first selected entry; -1 when none is.
    int SelectedEntry() const;
    bool SelectionFlag() const { return m_selected; }
    void SetSelectionFlag(bool selected) { m_selected = selected; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    // The view moves entries by drag and drop through these: nothing else is dropped here.
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }
    bool moveRows(const QModelIndex& sourceParent, int sourceRow, int count,
                  const QModelIndex& destinationParent, int destinationChild) override;

Q_SIGNALS:
    void ChangedFlagChanged(bool changed);
    void TotalsChanged(qint64 songs, qint64 seconds);

private:
    void AddToTotal(qint64 seconds) { m_seconds += std::max<qint64>(0, seconds); }

    DetailSource m_details;
    QList<SEntry> m_entries;
    qint64 m_seconds = 0;
    bool m_changed = false;
    bool m_selected = false;
    QItemSelectionModel* m_selection = nullptr;
};
