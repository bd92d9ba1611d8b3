#include "db/CCdlistSet.h"

#include "db/CFoldTriggers.h"
#include "db/CSplitScan.h"
#include "platform/CCollation.h"
#include "platform/CText.h"

#include <QStringList>
#include <algorithm>
#include <array>
#include <atomic>
#include <sqlite3.h>

namespace {

constexpr const char* kAllColumns =
    "ID, CD, LIST, PATH, MELODI, TITLE, ARTIST, ALBUM, GENRE, YEAR, LYRICS, BITRATE, COMMENT, "
    "DURATION, [USE], EXTENDED1, EXTENDED2, TRACK";

constexpr const char* kInsert =
    "INSERT INTO Songs(CD, LIST, PATH, MELODI, TITLE, ARTIST, ALBUM, GENRE, YEAR, LYRICS, "
    "BITRATE, COMMENT, DURATION, EXTENDED1, EXTENDED2, TITLE_FOLDED, ARTIST_FOLDED, "
    "ALBUM_FOLDED, MELODI_FOLDED, GENRE_FOLDED, TRACK) "
    "VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";

// The triggers that fold other tools' changes fire for the program's own too, and leave a
// very long text without its copy; the program stores its own copies of such a change right
// after, in the same write.
constexpr const char* kStoreFolded =
    "UPDATE Songs SET MELODI_FOLDED=?, TITLE_FOLDED=?, ARTIST_FOLDED=?, ALBUM_FOLDED=?, "
    "GENRE_FOLDED=? WHERE ID=?";

// The text columns in the order of kInsert.
constexpr ESongColumn kTextColumns[] = {
    ESongColumn::CD,       ESongColumn::LIST,      ESongColumn::PATH,      ESongColumn::MELODI,
    ESongColumn::TITLE,    ESongColumn::ARTIST,    ESongColumn::ALBUM,     ESongColumn::GENRE,
    ESongColumn::YEAR,     ESongColumn::LYRICS,    ESongColumn::BITRATE,   ESongColumn::COMMENT,
    ESongColumn::DURATION, ESongColumn::EXTENDED1, ESongColumn::EXTENDED2,
};

// The columns with folded copies, in the order of kStoreFolded.
constexpr ESongColumn kFoldedColumns[] = {
    ESongColumn::MELODI, ESongColumn::TITLE, ESongColumn::ARTIST,
    ESongColumn::ALBUM,  ESongColumn::GENRE,
};

// A text as its column keeps it.
QString Stored(ESongColumn column, const QString& value)
{
    if (column == ESongColumn::TRACK)
        return SSong::TrackNumber(value);
    const int max = CSongColumns::MaxLength(column);
    return max > 0 ? CText::Left(value, max) : value;
}

SSong LoadSong(const CStatement& s)
{
    SSong song;
    song.m_ID = s.Int(0);
    song.m_CD = s.Text(1);
    song.m_LIST = s.Text(2);
    song.m_PATH = s.Text(3);
    song.m_MELODI = s.Text(4);
    song.m_TITLE = s.Text(5);
    song.m_ARTIST = s.Text(6);
    song.m_ALBUM = s.Text(7);
    song.m_GENRE = s.Text(8);
    song.m_YEAR = s.Text(9);
    song.m_LYRICS = s.Text(10);
    song.m_BITRATE = s.Text(11);
    song.m_COMMENT = s.Text(12);
    song.m_DURATION = s.Text(13);
    song.m_USE = s.Int(14);
    song.m_EXTENDED1 = s.Text(15);
    song.m_EXTENDED2 = s.Text(16);
    song.m_TRACK = s.Text(17);
    return song;
}

// The track is a number, NULL when unknown.
QVariant TrackValue(const QString& stored)
{
    return stored.isEmpty() ? QVariant() : QVariant(stored.toLongLong());
}

// Every column of the song table; an older layout read as it is has no track.
QString AllColumns(const CDatabase& db)
{
    QString columns = QLatin1String(kAllColumns);
    if (!db.HasTrack())
        columns.replace(QLatin1String("TRACK"), QLatin1String("NULL AS TRACK"));
    return columns;
}

// One column in a query, the same way.
QString ColumnSql(const CDatabase& db, ESongColumn column)
{
    if (column == ESongColumn::TRACK && !db.HasTrack())
        return QStringLiteral("NULL");
    return QLatin1String(CSongColumns::SqlName(column));
}

QString OrderBy(ESongColumn sort)
{
    if (sort == ESongColumn::ID)
        return QStringLiteral("ID");
    const QLatin1String name(CSongColumns::SqlName(sort));
    if (sort == ESongColumn::USE)
        return name + QLatin1String(", ID");
    // The database's order ignores case; equal names stay together byte for byte.
    return QStringLiteral("%1 COLLATE UNOCASE, %1, ID").arg(name);
}

QString Where(const CFilter& filter)
{
    return filter.IsEmpty() ? QString() : QLatin1String(" WHERE ") + filter.Sql();
}

void BindFilter(CStatement& statement, const CFilter& filter, int first = 1)
{
    int index = first;
    for (const QVariant& value : filter.Values())
        statement.Bind(index++, value);
}

// Opens a transaction of its own unless the caller's is open: a change of several
// statements is made whole or not at all.
class COwnTransaction
{
public:
    explicit COwnTransaction(CDatabase& db)
    {
        if (sqlite3_get_autocommit(db.Handle()))
            m_transaction.emplace(db);
    }
    void Commit()
    {
        if (m_transaction)
            m_transaction->Commit();
    }

private:
    std::optional<CDatabase::CTransaction> m_transaction;
};

} // namespace

CCdlistSet::~CCdlistSet()
{
    Close();
}

void CCdlistSet::Open(CDatabase& db)
{
    Close();
    m_db = &db;
}

void CCdlistSet::Close()
{
    m_lookup.reset();
    m_insert.reset();
    m_storeFolded.reset();
    m_use.reset();
    m_rowTestName.clear();
    m_db = nullptr;
}

void CCdlistSet::Require() const
{
    if (!m_db)
        throw CDbException(QStringLiteral("The song set is not open."));
}

CStatement& CCdlistSet::Prepared(std::unique_ptr<CStatement>& slot, const QString& sql)
{
    if (!slot)
        slot = std::make_unique<CStatement>(*m_db, sql);
    slot->Reset();
    return *slot;
}

std::optional<SSong> CCdlistSet::FindSongById(qint64 id)
{
    if (!m_db)
        return std::nullopt;
    CStatement& s = Prepared(
        m_lookup, QStringLiteral("SELECT %1 FROM Songs WHERE ID = ?").arg(AllColumns(*m_db)));
    s.BindInt(1, id);
    std::optional<SSong> song;
    if (s.Step())
        song = LoadSong(s);
    s.Reset(); // do not hold the read transaction
    return song;
}

std::optional<SSong> CCdlistSet::FindFirst(const CFilter& filter, ESongColumn sort)
{
    Require();
    m_db->IndexStagedSongs(); // a search may read the substring index
    CStatement s(*m_db, QStringLiteral("SELECT %1 FROM Songs%2 ORDER BY %3 LIMIT 1")
                            .arg(AllColumns(*m_db), Where(filter), OrderBy(sort)));
    BindFilter(s, filter);
    if (!s.Step())
        return std::nullopt;
    return LoadSong(s);
}

qint64 CCdlistSet::Insert(const SSong& song)
{
    Require();
    CStatement& s = Prepared(m_insert, QLatin1String(kInsert));
    // Each column as stored, cut to its length once for the text and its folded copy.
    std::array<QString, CSongColumns::kCount> values;
    const auto stored = [&values](ESongColumn column) -> const QString& {
        return values[size_t(column)];
    };
    int index = 1;
    for (ESongColumn column : kTextColumns) {
        values[size_t(column)] = Stored(column, song.Text(column));
        s.BindUtf8(index++, stored(column).toUtf8());
    }
    for (ESongColumn column : {ESongColumn::TITLE, ESongColumn::ARTIST, ESongColumn::ALBUM,
                               ESongColumn::MELODI, ESongColumn::GENRE})
        s.BindUtf8(index++, m_db->FoldedUtf8(stored(column)));
    s.Bind(index, TrackValue(Stored(ESongColumn::TRACK, song.m_TRACK)));
    {
        const auto staging = m_db->StageNewSong();
        s.Step();
    }
    s.Reset();
    const qint64 id = m_db->LastInsertId();
    return id;
}

void CCdlistSet::StoreFolded(const SSong& song)
{
    CStatement& folded = Prepared(m_storeFolded, QLatin1String(kStoreFolded));
    int index = 1;
    for (ESongColumn column : kFoldedColumns)
        folded.BindUtf8(index++, m_db->FoldedUtf8(song.Text(column)));
    folded.BindInt(index, song.m_ID);
    folded.Step();
    folded.Reset();
}

bool CCdlistSet::Update(qint64 id, const SSongChanges& changes)
{
    Require();
    // Both statements or neither: a half-done change would lose the folded copies.
    COwnTransaction transaction(*m_db);
    std::optional<SSong> song = FindSongById(id);
    if (!song)
        return false;
    QStringList assignments;
    std::vector<QVariant> values;
    bool folded = false;
    for (const auto& [column, value] : changes.columns) {
        if (column == ESongColumn::ID || column == ESongColumn::USE)
            throw CDbException(QStringLiteral("A song's number and play count are not edited."));
        const QString text = Stored(column, value);
        song->SetText(column, text);
        assignments << QLatin1String(CSongColumns::SqlName(column)) + QLatin1String(" = ?");
        values.push_back(column == ESongColumn::TRACK ? TrackValue(text) : QVariant(text.toUtf8()));
        // The triggers fold every changed text but a very long one (measured in UTF-16 here,
        // never fewer units than SQLite's characters).
        folded = folded || (CSongColumns::FoldedName(column) != nullptr &&
                            text.size() > CFoldTriggers::kLongest);
    }
    if (!assignments.isEmpty()) {
        CStatement s(*m_db, QStringLiteral("UPDATE Songs SET %1 WHERE ID = ?")
                                .arg(assignments.join(QLatin1String(", "))));
        int index = 1;
        for (const QVariant& value : values)
            s.Bind(index++, value);
        s.BindInt(index, id);
        s.Step();
        if (folded)
            StoreFolded(*song);
    }
    transaction.Commit();
    return true;
}

bool CCdlistSet::IncrementUse(qint64 id)
{
    Require();
    CStatement& s =
        Prepared(m_use, QStringLiteral("UPDATE Songs SET [USE] = [USE] + 1 WHERE ID = ?"));
    s.BindInt(1, id);
    s.Step();
    s.Reset();
    return m_db->Changes() > 0;
}

bool CCdlistSet::Delete(qint64 id)
{
    Require();
    CStatement s(*m_db, QStringLiteral("DELETE FROM Songs WHERE ID = ?"));
    s.BindInt(1, id);
    s.Step();
    return m_db->Changes() > 0;
}

int CCdlistSet::DeleteWhere(const CFilter& filter)
{
    Require();
    m_db->IndexStagedSongs();
    CStatement s(*m_db, QStringLiteral("DELETE FROM Songs") + Where(filter));
    BindFilter(s, filter);
    s.Step();
    return m_db->Changes();
}

int CCdlistSet::RenameSession(const QString& from, const QString& to)
{
    Require();
    CStatement s(*m_db, QStringLiteral("UPDATE Songs SET CD = ? WHERE CD = ? COLLATE BINARY"));
    s.BindText(1, Stored(ESongColumn::CD, to)).BindText(2, from);
    s.Step();
    return m_db->Changes();
}

QList<QPair<QString, qint64>> CCdlistSet::SessionCounts()
{
    Require();
    // Grouping on the session index reads only that index.
    CStatement s(*m_db,
                 QStringLiteral("SELECT CD, count(*) FROM Songs GROUP BY CD COLLATE BINARY"));
    QList<QPair<QString, qint64>> sessions;
    while (s.Step())
        sessions.append({s.Text(0), s.Int(1)});
    std::stable_sort(sessions.begin(), sessions.end(), [](const auto& a, const auto& b) {
        return CCollation::NameLess(a.first, b.first);
    });
    return sessions;
}

qint64 CCdlistSet::CountAll()
{
    return Count(CFilter());
}

qint64 CCdlistSet::Count(const CFilter& filter)
{
    Require();
    m_db->IndexStagedSongs();
    CStatement s(*m_db, QStringLiteral("SELECT count(*) FROM Songs") + Where(filter));
    BindFilter(s, filter);
    return s.Step() ? s.Int(0) : 0;
}

std::vector<qint64> CCdlistSet::Ids(const CFilter& filter)
{
    Require();
    m_db->IndexStagedSongs();
    CStatement s(*m_db, QStringLiteral("SELECT ID FROM Songs") + Where(filter) +
                            QLatin1String(" ORDER BY ID"));
    BindFilter(s, filter);
    std::vector<qint64> ids;
    const CConnectionHold hold(*m_db);
    while (s.Step())
        ids.push_back(s.Int(0));
    return ids;
}

std::vector<qint64> CCdlistSet::AllIds()
{
    Require();
    // An index instead of every row of the table: the session index holds each session's
    // songs in ID order, and sessions are mostly added in turn, so the numbers seldom need
    // sorting here. Without it (dropped by another tool) the smallest index is read.
    std::vector<qint64> ids;
    const auto read = [&](const char* sql) {
        CStatement s(*m_db, QLatin1String(sql));
        const CConnectionHold hold(*m_db);
        while (s.Step())
            ids.push_back(s.Int(0));
    };
    try {
        read("SELECT ID FROM Songs INDEXED BY SongsBySession");
    } catch (const CDbException&) {
        ids.clear();
        read("SELECT ID FROM Songs");
    }
    if (!std::is_sorted(ids.begin(), ids.end()))
        std::sort(ids.begin(), ids.end());
    return ids;
}

void CCdlistSet::ScanColumn(const CFilter& filter, ESongColumn column,
                            const std::function<void(qint64, std::string_view)>& visit)
{
    Require();
    m_db->IndexStagedSongs();
    // In no set order: the database may read an index that holds the column.
    CStatement s(*m_db, QStringLiteral("SELECT ID, %1 FROM Songs").arg(ColumnSql(*m_db, column)) +
                            Where(filter));
    BindFilter(s, filter);
    const CConnectionHold hold(*m_db);
    while (s.Step())
        visit(s.Int(0), s.Bytes(1));
}

void CCdlistSet::ScanColumns(
    const CFilter& filter, const std::vector<ESongColumn>& columns,
    const std::function<void(qint64 id, const std::string_view* texts)>& visit)
{
    Require();
    m_db->IndexStagedSongs();
    QStringList names;
    for (ESongColumn column : columns) {
        if (column == ESongColumn::GENRE)
            names << QStringLiteral("GENRE_FOLDED");
        else
            names << ColumnSql(*m_db, column);
    }
    const QString select = QStringLiteral("SELECT ID, %1 FROM Songs").arg(names.join(u','));
    if (filter.IsEmpty() && CSplitScan::Run(*m_db, select, int(columns.size()), visit))
        return;
    CStatement s(*m_db, select + Where(filter));
    BindFilter(s, filter);
    std::vector<std::string_view> texts(columns.size());
    const CConnectionHold hold(*m_db);
    while (s.Step()) {
        for (size_t i = 0; i < texts.size(); ++i)
            texts[i] = s.Bytes(int(i) + 1);
        visit(s.Int(0), texts.data());
    }
}

void CCdlistSet::Walk(const CFilter& filter, const std::function<bool(const SSong&)>& visit)
{
    Scan(
        filter, [&visit](const CScanRow& row) { return visit(row.Song()); }, true);
}

SSong CCdlistSet::CScanRow::Song() const
{
    return LoadSong(m_statement);
}

std::string_view CCdlistSet::CScanRow::Bytes(ESongColumn column) const
{
    sqlite3_stmt* s = m_statement.Handle();
    const int i = static_cast<int>(column);
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s, i));
    return text ? std::string_view(text, size_t(sqlite3_column_bytes(s, i))) : std::string_view();
}

QString CCdlistSet::CScanRow::Text(ESongColumn column) const
{
    return m_statement.Text(static_cast<int>(column));
}

namespace {

constexpr int kMaxTested = 16;

void CallRowTest(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    const auto* test = *static_cast<const CCdlistSet::RowTest**>(sqlite3_user_data(context));
    std::string_view values[kMaxTested];
    for (int i = 0; i < argc && i < kMaxTested; ++i) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[i]));
        values[i] = text ? std::string_view(text, size_t(sqlite3_value_bytes(argv[i])))
                         : std::string_view();
    }
    sqlite3_result_int(context, test && (*test)(values) ? 1 : 0);
}

// Points the set's row test at one test for the length of a scan.
class CRowTestScope
{
public:
    CRowTestScope(const CCdlistSet::RowTest*& slot, const CCdlistSet::RowTest& test) : m_slot(slot)
    {
        m_slot = &test;
    }
    ~CRowTestScope() { m_slot = nullptr; }
    CRowTestScope(const CRowTestScope&) = delete;
    CRowTestScope& operator=(const CRowTestScope&) = delete;

private:
    const CCdlistSet::RowTest*& m_slot;
};

QString WalkColumns(const CDatabase& db, bool withLyrics)
{
    QString columns = AllColumns(db);
    if (!withLyrics)
        columns.replace(QLatin1String("LYRICS"), QLatin1String("'' AS LYRICS"));
    return columns;
}

void VisitRows(CStatement& s, const std::function<bool(const CCdlistSet::CScanRow&)>& visit)
{
    const CCdlistSet::CScanRow row(s);
    while (s.Step()) {
        if (!visit(row))
            break;
    }
}

} // namespace

void CCdlistSet::Scan(const CFilter& filter, const std::function<bool(const CScanRow&)>& visit,
                      bool withLyrics)
{
    Require();
    m_db->IndexStagedSongs();
    CStatement s(*m_db, QStringLiteral("SELECT %1 FROM Songs").arg(WalkColumns(*m_db, withLyrics)) +
                            Where(filter) + QLatin1String(" ORDER BY ID"));
    BindFilter(s, filter);
    VisitRows(s, visit);
}

namespace {

CCdlistSet::STotals SumTotals(CDatabase& db, const CFilter& filter)
{
    CStatement s(db, QStringLiteral("SELECT count(*), total(max(CAST(DURATION AS INTEGER), 0)) "
                                    "FROM Songs") +
                         Where(filter));
    BindFilter(s, filter);
    CCdlistSet::STotals totals;
    if (s.Step()) {
        totals.songs = s.Int(0);
        totals.seconds = s.Int(1);
    }
    return totals;
}

} // namespace

CCdlistSet::STotals CCdlistSet::Totals(const CFilter& filter)
{
    Require();
    m_db->IndexStagedSongs();
    return SumTotals(*m_db, filter);
}

CCdlistSet::STotals CCdlistSet::TotalsOf(const QString& path, const CFilter& filter)
{
    CDatabase reader;
    reader.OpenForReading(path);
    return SumTotals(reader, filter);
}

bool CCdlistSet::InTransaction() const
{
    return m_db && !sqlite3_get_autocommit(m_db->Handle());
}

void CCdlistSet::Scan(const std::vector<ESongColumn>& tested, const RowTest& test,
                      const std::function<bool(const CScanRow&)>& visit)
{
    Scan(CFilter(), tested, test, visit);
}

void CCdlistSet::Scan(const CFilter& candidates, const std::vector<ESongColumn>& tested,
                      const RowTest& test, const std::function<bool(const CScanRow&)>& visit)
{
    Require();
    if (tested.empty() || tested.size() > size_t(kMaxTested))
        throw CDbException(QStringLiteral("A row test needs 1 to 16 columns."));
    QStringList names;
    for (ESongColumn column : tested)
        names << QLatin1String(CSongColumns::SqlName(column));
    m_db->IndexStagedSongs();
    const QByteArray& function = RowTestFunction();
    const CRowTestScope scope(m_rowTest, test);
    QString where = QStringLiteral("%1(%2)").arg(QLatin1String(function), names.join(u','));
    if (!candidates.IsEmpty())
        where = u'(' + candidates.Sql() + QLatin1String(") AND ") + where;
    CStatement s(*m_db, QStringLiteral("SELECT %1 FROM Songs WHERE %2 ORDER BY ID")
                            .arg(WalkColumns(*m_db, false), where));
    int index = 1;
    for (const QVariant& value : candidates.Values())
        s.Bind(index++, value);
    VisitRows(s, visit);
}

const QByteArray& CCdlistSet::RowTestFunction()
{
    if (!m_rowTestName.isEmpty())
        return m_rowTestName;
    // A name of its own for every set: a function cannot be replaced while statements
    // of the connection are running.
    static std::atomic<int> sets{0};
    const QByteArray name = "cratewise_row_test_" + QByteArray::number(++sets);
    if (sqlite3_create_function_v2(m_db->Handle(), name.constData(), -1, SQLITE_UTF8, &m_rowTest,
                                   CallRowTest, nullptr, nullptr, nullptr) != SQLITE_OK)
        throw CDbException(m_db->LastError());
    m_rowTestName = name;
    return m_rowTestName;
}

std::vector<qint64> CCdlistSet::TextIndexIds(const QString& textQuery)
{
    Require();
    m_db->IndexStagedSongs();
    CStatement s(*m_db, QStringLiteral("SELECT rowid FROM SongsText WHERE SongsText MATCH "
                                       "cratewise_fold_phrases(?) ORDER BY rowid"));
    s.Bind(1, textQuery);
    std::vector<qint64> ids;
    while (s.Step())
        ids.push_back(s.Int(0));
    return ids;
}
