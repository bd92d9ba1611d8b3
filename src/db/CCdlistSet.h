#pragma once

#include "db/CDatabase.h"
#include "db/CFilter.h"
#include "db/CSongColumns.h"

#include <QList>
#include <QPair>
#include <QString>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

// The song record set: one current record in the m_ members, a filter and a sort, and
// the walk and change operations every feature uses. Between operations it is left
// unfiltered and sorted by ID.
//
// It is built for a million songs: a requery does not copy the table (a walk streams
// rows from the database), FindSongById is an index lookup, and the list of IDs needed
// for absolute positions is built only when a caller asks for one.
class CCdlistSet
{
public:
    CCdlistSet() = default;
    ~CCdlistSet();
    CCdlistSet(const CCdlistSet&) = delete;
    CCdlistSet& operator=(const CCdlistSet&) = delete;

    // The record, one member per column.
    qint32 m_ID = 0;
    QString m_CD;
    QString m_LIST;
    QString m_PATH;
    QString m_MELODI;
    QString m_TITLE;
    QString m_ARTIST;
    QString m_ALBUM;
    QString m_GENRE;
    QString m_YEAR;
    QString m_LYRICS;
    QString m_BITRATE;
    QString m_COMMENT;
    QString m_DURATION;
    qint32 m_USE = 0;
    QString m_EXTENDED1;
    QString m_EXTENDED2;

    void Open(CDatabase& db);
    void Close();
    bool IsOpen() const { return m_db != nullptr; }
    CDatabase* Database() const { return m_db; }

    void SetFilter(const CFilter& filter) { m_filter = filter; }
    const CFilter& Filter() const { return m_filter; }
    void SetSort(ESongColumn column) { m_sort = column; }
    ESongColumn Sort() const { return m_sort; }

    // Runs the query again with the current filter and sort; positioned on the first row.
    void Requery();
    // Back to the resting state every lookup by ID expects: no filter, sorted by ID.
    void Unfilter();
    bool IsBOF() const { return m_bof; }
    bool IsEOF() const { return m_eof; }
    void MoveFirst();
    void MoveNext();
    // Positions on the pos-th row (from 1) of the current filter and sort; false when
    // there is no such row (the set is then at its end).
    bool SetAbsolutePosition(qint64 pos);
    // Rows of the current filter.
    qint64 GetRecordCount();

    // Positions the set on the song with this ID; false when there is none.
    bool FindSongById(qint64 id);

    // Changing rows: AddNew or Edit, assign members, Update. Edit re-reads the whole
    // current row first, so a walk over some columns never stores blanks in the others.
    void AddNew();
    void Edit();
    void Update(); // text is cut to the column's length; throws CDbException
    void CancelUpdate() { m_mode = EMode::None; }
    void Delete(); // the current row

    // Whole-set operations, each one statement.
    int DeleteWhere(const CFilter& filter);
    int RenameSession(const QString& from, const QString& to); // byte-for-byte match
    // Distinct session names (byte-wise distinct) with their song counts, ordered by name
    // ignoring case.
    QList<QPair<QString, qint64>> SessionCounts();
    qint64 CountAll();

    // One row met by Scan: its columns' raw UTF-8 bytes, valid during the visit.
    class CScanRow
    {
    public:
        explicit CScanRow(const CStatement& statement) : m_statement(statement) {}
        std::string_view Bytes(ESongColumn column) const;
        QString Text(ESongColumn column) const;
        qint32 Id() const { return qint32(m_statement.Int(0)); }
        const CStatement& Statement() const { return m_statement; }

    private:
        const CStatement& m_statement;
    };
    // Streams every row a filter selects, in ID order, in one query, without touching the
    // set's filter, sort, walk or record (searches over the whole table). The visitor
    // returns false to stop early. LoadRecord makes a visited row the current record.
    // LYRICS, the one long column, reads as empty unless asked for.
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
    // The IDs a substring index query (CFilter::TextQuery) finds, in ID order, read from
    // the index alone.
    std::vector<qint32> TextIndexIds(const QString& textQuery);
    // A record loaded so is like one found by FindSongById: MoveNext goes on from it.
    void LoadRecord(const CScanRow& row);

    // Columns of the current record by enumerator.
    QString Text(ESongColumn column) const;
    void SetText(ESongColumn column, const QString& value);
    void ClearRecord();

private:
    enum class EMode
    {
        None,
        Add,
        Edit
    };

    QString SelectSql(const QString& columns) const;
    void BindFilter(CStatement& statement, int first = 1) const;
    void LoadRow(const CStatement& statement);
    bool Fetch();
    void FinishWalk();
    void BuildPositions();
    const QByteArray& RowTestFunction();
    // Statements prepared once per open set.
    CStatement& Prepared(std::unique_ptr<CStatement>& slot, const QString& sql);
    bool LoadById(qint64 id);

    CDatabase* m_db = nullptr;
    CFilter m_filter;
    ESongColumn m_sort = ESongColumn::ID;
    std::unique_ptr<CStatement> m_walk;
    std::unique_ptr<CStatement> m_lookup;
    std::unique_ptr<CStatement> m_insert;
    std::unique_ptr<CStatement> m_update;
    std::unique_ptr<CStatement> m_storeFolded;
    std::vector<qint32> m_positions; // IDs in set order, built on demand
    bool m_positionsValid = false;
    bool m_bof = true;
    bool m_eof = true;
    EMode m_mode = EMode::None;
    // The connection's function that runs the current row test (registered once).
    QByteArray m_rowTestName;
    const RowTest* m_rowTest = nullptr;
};

// Puts the set back to rest (Unfilter) however the operation that made it ends.
class CUnfilterOnExit
{
public:
    explicit CUnfilterOnExit(CCdlistSet& set) : m_set(set) {}
    ~CUnfilterOnExit();
    CUnfilterOnExit(const CUnfilterOnExit&) = delete;
    CUnfilterOnExit& operator=(const CUnfilterOnExit&) = delete;

private:
    CCdlistSet& m_set;
};
