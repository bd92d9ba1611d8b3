#pragma once

#include <QElapsedTimer>

class CDatabase;

// Groups the writes of a long job into short transactions: one commit per record would
// make the database write its log for every file. A commit at least every quarter second
// keeps what a crash can take back small; the end of the job (also by Cancel or a
// failure) commits what was written.
class CBatchCommit
{
public:
    explicit CBatchCommit(CDatabase& db);
    ~CBatchCommit();
    CBatchCommit(const CBatchCommit&) = delete;
    CBatchCommit& operator=(const CBatchCommit&) = delete;

    // Commits when the open transaction has lasted long enough, and opens the next one.
    void Tick();
    // Commits; throws CDbException when the commit fails.
    void Finish();

private:
    static constexpr qint64 kMaxOpenMs = 250;
    void Begin();
    // A commit that fails can leave the transaction open: every later change would then
    // join it and be lost when the program ends. Its records are given up instead.
    void EndOpenTransaction();

    CDatabase& m_db;
    bool m_open = false;
    QElapsedTimer m_clock;
};
