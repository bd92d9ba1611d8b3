#pragma once

#include "db/CDatabase.h"
#include "db/CFilter.h"
#include "db/CSongColumns.h"
#include "db/SSong.h"

#include <QList>
#include <QPair>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

// The song table: songs are found, inserted and changed as values (SSong), and walked by
// filters. It holds no current record and no cursor between calls, so what one caller
// does can never move what another one shows.
//
// It is built for a million songs: a lookup by ID is an index lookup, a walk streams its
// rows from the database in one query and reads only the rows its filter selects.
class CCdlistSet
{
public:
    CCdlistSet() = default;
    ~CCdlistSet();
    CCdlistSet(const CCdlistSet&) = delete;
    CCdlistSet& operator=(const CCdlistSet&) = delete;

    void Open(CDatabase& db);
    void Close();
    bool IsOpen() const { return m_db != nullptr; }
    CDatabase* Database() const { return m_db; }

    // The song with this ID; none when there is no such song. Throws CDbException.
    std::optional<SSong> FindSongById(qint64 id);
    // The first song a filter selects in the order of `sort` (ties by ID).
    std::optional<SSong> FindFirst(const CFilter& filter, ESongColumn sort = ESongColumn::ID);
    // Stores a new song, each text cut to its column's length; returns its ID (ID and USE
    // of the value are not stored: the table numbers songs, a new song is unplayed).
    qint64 Insert(const SSong& song);
    // Writes only the changed columns of one song, cut to their lengths; false when there
    // is no such song.
    bool Update(qint64 id, const SSongChanges& changes);
    // Adds one play to the song's count; false when there is no such song.
    bool IncrementUse(qint64 id);
    bool Delete(qint64 id);

    // Whole-set operations, each one statement.
    int DeleteWhere(const CFilter& filter);
    int RenameSession(const QString& from, const QString& to); // byte-for-byte match
    // Distinct session names (byte-wise distinct) with their song counts, ordered by name
    // ignoring case.
    QList<QPair<QString, qint64>> SessionCounts();
    qint64 CountAll();
    qint64 Count(const CFilter& filter);
    // The IDs a filter selects, in ID order, read from the index alone where it can.
    std::vector<qint64> Ids(const CFilter& filter);
    // Every song's ID, in ID order, read from the smallest index (a tenth of the table).
    std::vector<qint64> AllIds();
    // One column's bytes of every row a filter selects, in any order (an index that holds
    // the column is read instead of the table), valid during the visit.
    void ScanColumn(const CFilter& filter, ESongColumn column,
                    const std::function<void(qint64 id, std::string_view utf8)>& visit);

    // The same with some columns at once (texts[i] is columns[i]'s). GENRE comes as its
    // folded copy, which its index holds (a sort that ignores case reads it instead of
    // every row; empty for a row whose copy is still to be made). A read of a large
    // catalogue's every song is shared by two connections (CSplitScan).
    void ScanColumns(const CFilter& filter, const std::vector<ESongColumn>& columns,
                     const std::function<void(qint64 id, const std::string_view* texts)>& visit);

    // One row met by a walk: its columns' raw UTF-8 bytes, valid during the visit.
    class CScanRow
    {
    public:
        explicit CScanRow(const CStatement& statement) : m_statement(statement) {}
        std::string_view Bytes(ESongColumn column) const;
        QString Text(ESongColumn column) const;
        qint64 Id() const { return m_statement.Int(0); }
        // The whole row as a value.
        SSong Song() const;

    private:
        const CStatement& m_statement;
    };
    // Streams every row a filter selects, in ID order, in one query (searches over the
    // whole table). The visitor returns false to stop early. LYRICS, the one long
    // column, reads as empty unless asked for.
    void Scan(const CFilter& filter, const std::function<bool(const CScanRow&)>& visit,
              bool withLyrics = false);
    // The same with a test made by the program inside the query, so that the rows it
    // refuses are never read out: it gets the bytes of the tested columns, in order.
    using RowTest = std::function<bool(const std::string_view* values)>;
    void Scan(const std::vector<ESongColumn>& tested, const RowTest& test,
              const std::function<bool(const CScanRow&)>& visit);
    // The same over the rows a filter selects (candidates from an index).
    void Scan(const CFilter& candidates, const std::vector<ESongColumn>& tested,
              const RowTest& test, const std::function<bool(const CScanRow&)>& visit);
    // How many songs a filter selects and their total length in seconds, summed by the
    // database (an empty DURATION counts 0).
    struct STotals
    {
        qint64 songs = 0;
        qint64 seconds = 0;
    };
    STotals Totals(const CFilter& filter);
    // The same read through a connection of its own to the catalogue at `path`, for another
    // thread; sees what is committed.
    static STotals TotalsOf(const QString& path, const CFilter& filter);
    // Whether changes of this connection wait for their commit (another connection would
    // not see them).
    bool InTransaction() const;
    // The songs a filter selects, whole, in ID order, handed out one at a time.
    void Walk(const CFilter& filter, const std::function<bool(const SSong&)>& visit);
    // The songs a substring index query (CFilter::TextQuery) finds, in ID order, read from
    // the index alone.
    std::vector<qint64> TextIndexIds(const QString& textQuery);

private:
    // Statements prepared once per open set.
    CStatement& Prepared(std::unique_ptr<CStatement>& slot, const QString& sql);
    void Require() const;
    const QByteArray& RowTestFunction();
    void StoreFolded(const SSong& song);

    CDatabase* m_db = nullptr;
    std::unique_ptr<CStatement> m_lookup;
    std::unique_ptr<CStatement> m_insert;
    std::unique_ptr<CStatement> m_storeFolded;
    std::unique_ptr<CStatement> m_use;
    // The connection's function that runs the current row test (registered once).
    QByteArray m_rowTestName;
    const RowTest* m_rowTest = nullptr;
};
