#include "model/CCatalogue.h"

#include "db/CFilter.h"
#include "platform/CText.h"

#include <algorithm>
#include <sqlite3.h>

CCatalogue::CCatalogue(CDatabase& db, CCdlistSet& set, QObject* parent)
    : QObject(parent), m_db(db), m_set(set)
{
    m_watch.setInterval(1000);
    connect(&m_watch, &QTimer::timeout, this, [this] {
        if (m_open == 0 && LookForOtherWriters())
            Q_EMIT ChangedElsewhere();
    });
}

CCatalogue::CChange::CChange(CCatalogue& catalogue) : m_catalogue(catalogue)
{
    // A change inside another joins its transaction.
    if (catalogue.m_open == 0)
        m_transaction.emplace(catalogue.m_db);
    ++m_catalogue.m_open;
    m_active = true;
}

CCatalogue::CChange::~CChange()
{
    Rollback();
}

void CCatalogue::CChange::Commit()
{
    if (!m_active)
        return;
    if (m_transaction)
        m_transaction->Commit();
    m_transaction.reset();
    m_active = false;
    if (--m_catalogue.m_open == 0) {
        m_catalogue.m_committed.Add(std::exchange(m_catalogue.m_pending, SPending()));
        if (m_catalogue.m_held == 0)
            m_catalogue.Announce();
    }
}

void CCatalogue::CChange::Rollback()
{
    if (!m_active)
        return;
    m_transaction.reset();
    m_active = false;
    if (--m_catalogue.m_open == 0)
        m_catalogue.m_pending = SPending();
}

CCatalogue::CHold::CHold(CCatalogue& catalogue) : m_catalogue(catalogue)
{
    ++m_catalogue.m_held;
}

CCatalogue::CHold::~CHold()
{
    if (--m_catalogue.m_held == 0 && m_catalogue.m_open == 0)
        m_catalogue.Announce();
}

void CCatalogue::SPending::Add(const SPending& more)
{
    changed.unite(more.changed);
    removed.insert(more.removed);
    sessions << more.sessions;
    withoutSongs << more.withoutSongs;
    delta += more.delta;
}

template <typename F> auto CCatalogue::Write(const F& write)
{
    CChange change(*this);
    auto result = write();
    change.Commit();
    return result;
}

bool CCatalogue::Update(qint64 id, const SSongChanges& changes)
{
    return Write([&] {
        const bool done = m_set.Update(id, changes);
        if (done)
            m_pending.changed.insert(id);
        return done;
    });
}

bool CCatalogue::IncrementUse(qint64 id)
{
    // A catalogue that is only read counts no plays: playing it is no change the user made.
    if (!m_db.NewerLayoutNotice().isEmpty())
        return false;
    return Write([&] {
        const bool done = m_set.IncrementUse(id);
        if (done)
            m_pending.changed.insert(id);
        return done;
    });
}

bool CCatalogue::Delete(qint64 id)
{
    return Write([&] {
        const std::optional<SSong> song = m_set.FindSongById(id);
        const bool done = song && m_set.Delete(id);
        if (done) {
            m_pending.removed.insert(id, std::max<qint64>(0, song->m_DURATION.toLongLong()));
            --m_pending.delta;
        }
        return done;
    });
}

int CCatalogue::DeleteWhere(const CFilter& filter)
{
    return Write([&] {
        std::vector<qint64> ids;
        m_set.ScanColumn(filter, ESongColumn::DURATION, [&](qint64 id, std::string_view utf8) {
            ids.push_back(id);
            m_pending.removed.insert(id, std::max<qint64>(0, CText::LeadingInteger(utf8)));
        });
        const int deleted = ids.empty() ? 0 : m_set.DeleteWhere(CFilter::IdIn(ids));
        m_pending.delta -= deleted;
        return deleted;
    });
}

int CCatalogue::RenameSession(const QString& from, const QString& to)
{
    return Write([&] {
        const int renamed = m_set.RenameSession(from, to);
        m_pending.sessions << from << to;
        return renamed;
    });
}

void CCatalogue::NoteSession(const QString& session, int added)
{
    m_pending.sessions << session;
    m_pending.delta += added;
    if (m_open == 0) {
        m_committed.Add(std::exchange(m_pending, SPending()));
        if (m_held == 0)
            Announce();
    }
}

void CCatalogue::NoteSessionWithoutSongs(const QString& session)
{
    m_pending.withoutSongs << session;
    NoteSession(session);
}

void CCatalogue::NoteChanged(const QList<qint64>& ids)
{
    m_pending.changed.unite(QSet<qint64>(ids.cbegin(), ids.cend()));
}

void CCatalogue::Announce()
{
    SPending pending = std::exchange(m_committed, SPending());
    // What this process wrote is no news from elsewhere.
    LookForOtherWriters();
    if (!pending.removed.isEmpty())
        Q_EMIT SongsRemoved(pending.removed);
    pending.changed.removeIf([&](qint64 id) { return pending.removed.contains(id); });
    if (!pending.changed.isEmpty())
        Q_EMIT SongsChanged(pending.changed.values());
    if (pending.delta != 0)
        Q_EMIT CountChanged(pending.delta);
    pending.sessions.removeDuplicates();
    if (!pending.sessions.isEmpty())
        Q_EMIT SessionsChanged(pending.sessions, pending.withoutSongs);
}

qint64 CCatalogue::DataVersion()
{
    if (!m_db.IsOpen())
        return -1;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(m_db.Handle(), "PRAGMA data_version", -1, &statement, nullptr) !=
        SQLITE_OK)
        return -1;
    const qint64 version =
        sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int64(statement, 0) : -1;
    sqlite3_finalize(statement);
    return version;
}

bool CCatalogue::LookForOtherWriters()
{
    const qint64 now = DataVersion();
    const bool changed = m_dataVersion >= 0 && now >= 0 && now != m_dataVersion;
    m_dataVersion = now;
    return changed;
}

void CCatalogue::Watch(bool on)
{
    if (on) {
        LookForOtherWriters();
        m_watch.start();
    } else {
        m_watch.stop();
    }
}
