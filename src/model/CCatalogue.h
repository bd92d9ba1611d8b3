#pragma once

#include "db/CCdlistSet.h"
#include "db/CDatabase.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QTimer>
#include <optional>

// The door to the catalogue above db/: songs and sessions change through it, and after
// each commit it announces what changed, so that every model follows without a feature
// walking its rows. Changes another process commits (the command line, a second window,
// any SQLite tool) are announced too, within a second, once Watch() has started.
class CCatalogue : public QObject
{
    Q_OBJECT
public:
    CCatalogue(CDatabase& db, CCdlistSet& set, QObject* parent = nullptr);

    // One write: holds the catalogue's write lock until Commit(), after which what it
    // changed is announced; one that ends without a commit changes and announces nothing.
    class CChange
    {
    public:
        explicit CChange(CCatalogue& catalogue);
        ~CChange();
        void Commit();
        void Rollback();
        CChange(const CChange&) = delete;
        CChange& operator=(const CChange&) = delete;

    private:
        CCatalogue& m_catalogue;
        std::optional<CDatabase::CTransaction> m_transaction;
        bool m_active = false;
    };

    // Holds the announcements of the changes committed meanwhile, to make them as one when
    // it ends (Multisave: a commit per song, one announcement).
    class CHold
    {
    public:
        explicit CHold(CCatalogue& catalogue);
        ~CHold();
        CHold(const CHold&) = delete;
        CHold& operator=(const CHold&) = delete;

    private:
        CCatalogue& m_catalogue;
    };

    // Each inside a CChange, or a commit of its own.
    bool Update(qint64 id, const SSongChanges& changes);
    bool Delete(qint64 id);
    // The songs a filter selects; how many went.
    int DeleteWhere(const CFilter& filter);
    int RenameSession(const QString& from, const QString& to);
    bool IncrementUse(qint64 id);
    // A session whose songs were written elsewhere (the intake's batches: `added` songs)
    // or that went: announced with the next commit, or at once when none is open.
    void NoteSession(const QString& session, int added = 0);
    // A session that stays listed though it holds no song yet (a scan cancelled before its
    // first song, to be finished by Update Session).
    void NoteSessionWithoutSongs(const QString& session);
    // Songs the intake wrote anew in place (a rescan keeps their IDs).
    void NoteChanged(const QList<qint64>& ids);

    // Makes the catalogue's searches ignore accents or not (CDatabase::SetFoldsAccents), in
    // a write of its own; no song changes, so nothing is announced.
    void SetFoldsAccents(bool on, CProgress* progress) { m_db.SetFoldsAccents(on, progress); }

    // Starts (or stops) looking for other processes' commits once a second.
    void Watch(bool on);
    // Looks now; true when another process committed since the last look.
    bool LookForOtherWriters();

Q_SIGNALS:
    // After a commit, in this order, each only when there is something to say.
    // The songs gone, each with its length in seconds (the lists' totals follow).
    void SongsRemoved(const QHash<qint64, qint64>& secondsById);
    void SongsChanged(const QList<qint64>& ids);
    // The sessions named were added, renamed, merged, rescanned or removed.
    // `withoutSongs` stay listed though they hold no song yet.
    void SessionsChanged(const QStringList& sessions, const QStringList& withoutSongs);
    // The number of songs changed by `delta` (before SessionsChanged, which recounts).
    void CountChanged(qint64 delta);
    // Another process committed: anything shown may have changed.
    void ChangedElsewhere();

private:
    struct SPending
    {
        QSet<qint64> changed;          // a Multisave notes thousands
        QHash<qint64, qint64> removed; // with the songs' seconds
        QStringList sessions;
        QStringList withoutSongs;
        qint64 delta = 0;
        void Add(const SPending& more);
    };
    // Runs a write inside the open change or one of its own.
    template <typename F> auto Write(const F& write);
    void Announce();
    qint64 DataVersion();

    CDatabase& m_db;
    CCdlistSet& m_set;
    int m_open = 0;       // changes open
    int m_held = 0;       // holds open
    SPending m_pending;   // of the change open
    SPending m_committed; // committed, not announced yet
    QTimer m_watch;
    qint64 m_dataVersion = -1;
};
