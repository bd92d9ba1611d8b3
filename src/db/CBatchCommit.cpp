#include "db/CBatchCommit.h"

#include "db/CDatabase.h"

#include <sqlite3.h>

CBatchCommit::CBatchCommit(CDatabase& db) : m_db(db)
{
    Begin();
}

CBatchCommit::~CBatchCommit()
{
    if (!m_open)
        return;
    try {
        m_db.IndexStagedSongs(); // with the rows they belong to
    } catch (const CDbException&) {
        // The rows wait for the index; the next open indexes them.
    }
    if (sqlite3_exec(m_db.Handle(), "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        EndOpenTransaction();
}

void CBatchCommit::Tick()
{
    if (m_open && m_clock.elapsed() >= kMaxOpenMs) {
        Finish();
        // A moment without the lock lets another process's writer in between two batches,
        // so two scans take turns instead of one waiting out its time limit.
        sqlite3_sleep(2);
        Begin();
    }
}

void CBatchCommit::Finish()
{
    if (!m_open)
        return;
    m_open = false;
    try {
        m_db.IndexStagedSongs();
        m_db.Exec("COMMIT");
    } catch (const CDbException& e) {
        EndOpenTransaction();
        throw m_db.WriteFailure(e);
    }
}

void CBatchCommit::EndOpenTransaction()
{
    if (!sqlite3_get_autocommit(m_db.Handle()))
        sqlite3_exec(m_db.Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void CBatchCommit::Begin()
{
    if (!m_db.IsOpen())
        return;
    // Immediate: a writer that must wait for another one waits here, within the busy
    // time limit, instead of failing later when its first write needs the lock.
    m_db.ExecWrite("BEGIN IMMEDIATE");
    m_open = true;
    m_clock.start();
}
