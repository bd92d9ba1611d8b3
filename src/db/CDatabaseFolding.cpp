// The folded copies of the song texts (the case-insensitive search reads them) and the
// substring index: made at a conversion, kept by the triggers another tool's writes run.
#include "db/CDatabase.h"
#include "db/CFoldTriggers.h"
#include "db/CSchemaSql.h"
#include "platform/CProgress.h"

#include <QString>
#include <QStringList>
#include <algorithm>
#include <limits>
#include <sqlite3.h>

namespace {

const QString kCancelled = QStringLiteral("Cancel was pressed");

// One step of a long job on the whole catalogue, events let through between steps. The job
// is one transaction, so Cancel (or Escape) undoes all of it and the file stays as it was.
void Advance(CProgress* progress)
{
    if (!progress)
        return;
    progress->Step();
    if (progress->Pump(true))
        throw CDbException(kCancelled);
}

} // namespace

void CDatabase::ReadFolding()
{
    // A catalogue being made, or one of an older layout, has no table yet: case alone.
    CStatement table(*this, QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' "
                                           "AND name = 'Folding'"));
    if (!table.Step()) {
        m_foldAccents = false;
        return;
    }
    table.Reset();
    CStatement probe(*this, QStringLiteral("SELECT FOLDED FROM Folding WHERE CAPITAL = ?"));
    probe.BindText(1, QString::fromUtf8(CFoldTriggers::kAccentProbe));
    m_foldAccents =
        probe.Step() && probe.Text(0) == QString::fromUtf8(CFoldTriggers::kAccentProbeFolded);
}

int CDatabase::RefoldSteps()
{
    CStatement last(*this, QStringLiteral("SELECT max(ID) FROM Songs"));
    const qint64 lastId = last.Step() ? last.Int(0) : 0;
    return int((lastId + kFoldBatch - 1) / kFoldBatch) +
           int((lastId + kIndexBatch - 1) / kIndexBatch) + 1;
}

void CDatabase::SetFoldsAccents(bool on, CProgress* progress)
{
    try {
        CTransaction transaction(*this);
        if (m_foldAccents == on)
            return;
        m_foldAccents = on;
        FillFoldTable();
        Advance(progress);
        CStatement last(*this, QStringLiteral("SELECT max(ID) FROM Songs"));
        const qint64 lastId = last.Step() ? last.Int(0) : 0;
        last.Reset();
        // Made anew afterwards: faster than kept up row by row (as at a large refold).
        Exec(CSchemaSql::kDropFoldedLookups);
        Exec(CSchemaSql::kDropTextTriggers);
        Exec(CSchemaSql::kDropTextIndex);
        RefoldAll(lastId, progress);
        if (progress) {
            progress->SetMessage(QStringLiteral("Building the search index..."));
            progress->Pump(false);
        }
        ExecIndexes();
        Exec(CSchemaSql::kTextIndex);
        BuildTextIndex(lastId, progress);
        transaction.Commit();
    } catch (const CDbException& e) {
        m_foldAccents = !on;
        if (e.Message() != kCancelled)
            throw;
        throw CDbException(QStringLiteral("The search copies of the songs in %1 were not made "
                                          "anew (Cancel was pressed); the catalogue was left as "
                                          "it was.")
                               .arg(m_path));
    }
}

void CDatabase::RefoldAll(qint64 lastId, CProgress* progress)
{
    static constexpr const char* kColumns[] = {"TITLE", "ARTIST", "ALBUM", "MELODI", "GENRE"};
    QStringList all;
    for (const char* column : kColumns)
        all << QStringLiteral("%1_FOLDED = cratewise_fold(%1)").arg(QLatin1String(column));
    CStatement store(*this, QStringLiteral("UPDATE Songs SET %1 WHERE ID > ? AND ID <= ?")
                                .arg(all.join(QLatin1String(", "))));
    for (qint64 low = std::numeric_limits<qint64>::min(); low < lastId;) {
        const qint64 high = std::max<qint64>(low, 0) + kFoldBatch;
        store.Reset();
        store.BindInt(1, low).BindInt(2,
                                      high >= lastId ? std::numeric_limits<qint64>::max() : high);
        store.Step();
        low = high;
        Advance(progress);
    }
}

void CDatabase::FoldChangedRows(const ProgressFactory& progressFactory)
{
    qint64 rows = 0;
    {
        CStatement count(
            *this, QStringLiteral("SELECT count(*) FROM Songs INDEXED BY SongsToFold WHERE %1")
                       .arg(QLatin1String(CSchemaSql::kToFold)));
        rows = count.Step() ? count.Int(0) : 0;
    }
    if (rows == 0)
        return; // no write lock taken when nothing waits
    try {
        RefoldRows(rows, progressFactory);
    } catch (const CDbException& e) {
        if (e.Message() != kCancelled)
            throw;
        throw CDbException(QStringLiteral("The search copies of the songs another program changed "
                                          "in %1 were not made (Cancel was pressed); the file was "
                                          "left as it was, and they are made at the next start.")
                               .arg(m_path));
    }
}

void CDatabase::RefoldRows(qint64 rows, const ProgressFactory& progressFactory)
{
    CTransaction transaction(*this);
    // Most of a large catalogue (another tool's bulk insert the triggers could not fold) folds
    // faster with the lookup and substring indexes made anew afterwards than kept up row by row.
    bool rebuild = false;
    if (rows >= kConversionShownFrom) {
        CStatement all(*this, QStringLiteral("SELECT count(*) FROM Songs"));
        rebuild = all.Step() && rows * 3 >= all.Int(0);
    }
    std::unique_ptr<CProgress> progress;
    qint64 lastId = 0;
    if (rebuild) {
        CStatement last(*this, QStringLiteral("SELECT max(ID) FROM Songs"));
        lastId = last.Step() ? last.Int(0) : 0;
    }
    if (progressFactory && rows >= kRefoldShownFrom) {
        progress = progressFactory(QStringLiteral("Cratewise"));
        progress->SetMessage(QStringLiteral("Updating the search copies of songs changed by "
                                            "another program..."));
        progress->SetRange(0,
                           int((rows + kFoldBatch - 1) / kFoldBatch) +
                               int((lastId + kIndexBatch - 1) / kIndexBatch),
                           1);
        progress->Pump(false);
    }
    if (!rebuild) {
        FoldRowsUnmerged(progress.get());
    } else {
        Exec(CSchemaSql::kDropFoldedLookups);
        Exec(CSchemaSql::kDropTextTriggers);
        Exec(CSchemaSql::kDropTextIndex);
        FoldRows(progress.get());
        if (progress) {
            progress->SetMessage(QStringLiteral("Building the search index..."));
            progress->Pump(false);
        }
        ExecIndexes();
        Exec(CSchemaSql::kTextIndex);
        BuildTextIndex(lastId, progress.get());
    }
    transaction.Commit();
}

void CDatabase::FoldRowsUnmerged(CProgress* progress)
{
    // The substring index takes the rows as new segments without merging them into its large
    // ones meanwhile (merging rewrote much of it); the segments are merged by later writes.
    // Set back in the caller's transaction, so a refold cut short leaves the index's setting
    // as it was.
    qint64 merge = 4; // the index's default
    {
        CStatement setting(*this,
                           QStringLiteral("SELECT v FROM SongsText_config WHERE k = 'automerge'"));
        if (setting.Step())
            merge = setting.Int(0);
    }
    Exec("INSERT INTO SongsText(SongsText, rank) VALUES('automerge', 0)");
    FoldRows(progress);
    CStatement restore(
        *this, QStringLiteral("INSERT INTO SongsText(SongsText, rank) VALUES('automerge', ?)"));
    restore.BindInt(1, merge);
    restore.Step();
}

void CDatabase::FoldRows(CProgress* progress)
{
    // In batches of IDs read from the index of the rows to fold, folding inside the database:
    // first the rows that lack every copy (another tool's inserts), each written once; then
    // one statement a column. Only the copies that are missing are written, so only their
    // indexes change; the title goes last, so that the substring index takes a row once.
    // The rows come from the index of the rows to fold (the planner would walk every row
    // without one of the copies through the copies' indexes), and the unary + keeps it from
    // doing so for the copy being written.
    CStatement pick(*this, QStringLiteral("SELECT ID FROM Songs INDEXED BY SongsToFold WHERE (%1) "
                                          "AND ID > ? ORDER BY ID LIMIT %2")
                               .arg(QLatin1String(CSchemaSql::kToFold))
                               .arg(kFoldBatch));
    static constexpr const char* kColumns[] = {"ARTIST", "ALBUM", "MELODI", "GENRE", "TITLE"};
    std::vector<std::unique_ptr<CStatement>> stores;
    QStringList all, none;
    for (const char* column : kColumns) {
        all << QStringLiteral("%1_FOLDED = cratewise_fold(%1)").arg(QLatin1String(column));
        none << QStringLiteral("+%1_FOLDED IS NULL").arg(QLatin1String(column));
    }
    stores.push_back(std::make_unique<CStatement>(
        *this, QStringLiteral("UPDATE Songs SET %1 WHERE ID IN (SELECT ID FROM Songs INDEXED BY "
                              "SongsToFold WHERE (%2) AND ID > ? AND ID <= ?) AND %3")
                   .arg(all.join(QLatin1String(", ")), QLatin1String(CSchemaSql::kToFold),
                        none.join(QLatin1String(" AND ")))));
    for (const char* column : kColumns) {
        // A column none of whose copies is missing (asked of its index) is passed over.
        CStatement missing(*this, QStringLiteral("SELECT 1 FROM Songs WHERE %1_FOLDED IS NULL "
                                                 "LIMIT 1")
                                      .arg(QLatin1String(column)));
        if (!missing.Step())
            continue;
        stores.push_back(std::make_unique<CStatement>(
            *this,
            QStringLiteral("UPDATE Songs SET %1_FOLDED = cratewise_fold(%1) WHERE ID IN "
                           "(SELECT ID FROM Songs INDEXED BY SongsToFold WHERE (%2) AND ID > ? AND "
                           "ID <= ?) AND "
                           "+%1_FOLDED IS NULL")
                .arg(QLatin1String(column), QLatin1String(CSchemaSql::kToFold))));
    }
    qint64 last = std::numeric_limits<qint64>::min();
    for (;;) {
        pick.Reset();
        pick.BindInt(1, last);
        qint64 high = last;
        while (pick.Step())
            high = pick.Int(0);
        pick.Reset();
        if (high == last)
            return;
        for (const std::unique_ptr<CStatement>& store : stores) {
            store->Reset();
            store->BindInt(1, last).BindInt(2, high);
            store->Step();
        }
        last = high;
        Advance(progress);
    }
}

void CDatabase::BuildTextIndex(qint64 lastId, CProgress* progress)
{
    // FTS5's own 'rebuild' takes no less time but stands still for all of it, and it would also
    // take the other copies of a row still waiting for its title's, which the triggers then
    // add a second time.
    const QLatin1String columns(CSchemaSql::kTextColumns);
    CStatement add(*this,
                   QStringLiteral("INSERT INTO SongsText(rowid, %1) SELECT ID, %1 FROM Songs "
                                  "WHERE ID > ? AND ID <= ? AND TITLE_FOLDED IS NOT NULL")
                       .arg(columns));
    for (qint64 low = std::numeric_limits<qint64>::min(); low < lastId;) {
        const qint64 high = std::max<qint64>(low, 0) + kIndexBatch;
        add.Reset();
        add.BindInt(1, low).BindInt(2, high >= lastId ? std::numeric_limits<qint64>::max() : high);
        add.Step();
        low = high;
        Advance(progress);
    }
}

std::unique_lock<std::mutex> CDatabase::StageNewSong()
{
    std::unique_lock lock(m_staging);
    if (!m_staged && !sqlite3_get_autocommit(m_db)) {
        // No new song can get an ID below the highest one's next.
        Exec("INSERT INTO SongsTextPending(FROM_ID) SELECT coalesce(max(ID), 0) + 1 FROM Songs "
             "WHERE NOT EXISTS (SELECT 1 FROM SongsTextPending)");
        m_staged = true;
    }
    return lock;
}

void CDatabase::IndexLeftSongs()
{
    // Only a failed write at the end of a scan's batch leaves the mark committed.
    if (!CStatement(*this, QStringLiteral("SELECT 1 FROM SongsTextPending")).Step())
        return;
    m_staged = true;
    IndexStagedSongs();
}

void CDatabase::IndexStagedSongs()
{
    const std::lock_guard lock(m_staging);
    if (!m_staged)
        return;
    Exec("DELETE FROM SongsTextPending"); // its trigger indexes the songs
    m_staged = false;
}

void CDatabase::InstallFoldTriggers()
{
    Exec(CFoldTriggers::TableSql());
    FillFoldTable();
    // Present ones are of this layout (a conversion drops older ones): parsing their text
    // anyway took a third of an open. The count's read ends before the write: a write that
    // follows a read another program's commit made stale fails at once, without waiting.
    bool present = false;
    {
        CStatement count(*this, QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = "
                                               "'trigger' AND name GLOB 'SongsFold*'"));
        present = count.Step() && count.Int(0) == CFoldTriggers::TriggerCount();
    }
    if (!present)
        Exec(CFoldTriggers::TriggersSql().constData());
}

void CDatabase::FillFoldTable()
{
    {
        CStatement count(*this, QStringLiteral("SELECT count(*) FROM Folding"));
        if (count.Step() && count.Int(0) == CFoldTriggers::FoldCount(m_foldAccents))
            return;
    }
    // A savepoint: the open may be inside the transaction of a conversion.
    Exec("SAVEPOINT folding; DELETE FROM Folding;");
    CStatement insert(*this, QStringLiteral("INSERT INTO Folding(CAPITAL, FOLDED) VALUES(?, ?)"));
    CFoldTriggers::ForEachFold(m_foldAccents, [&insert](char32_t c, const QString& folded) {
        insert.BindText(1, QString::fromUcs4(&c, 1)).BindText(2, folded);
        insert.Step();
        insert.Reset();
    });
    Exec("RELEASE folding");
}
