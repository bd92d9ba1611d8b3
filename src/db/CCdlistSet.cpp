#include "db/CCdlistSet.h"

#include "platform/CText.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <optional>
#include <sqlite3.h>

namespace {

constexpr const char* kAllColumns =
    "ID, CD, LIST, PATH, MELODI, TITLE, ARTIST, ALBUM, GENRE, YEAR, LYRICS, BITRATE, COMMENT, "
    "DURATION, [USE], EXTENDED1, EXTENDED2";

constexpr const char* kInsert =
    "INSERT INTO Songs(CD, LIST, PATH, MELODI, TITLE, ARTIST, ALBUM, GENRE, YEAR, LYRICS, "
    "BITRATE, COMMENT, DURATION, EXTENDED1, EXTENDED2, ARTIST_FOLDED, ALBUM_FOLDED, "
    "MELODI_FOLDED, PATH_FOLDED, GENRE_FOLDED) "
    "VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";

// The trigger that marks rows other tools change clears the folded copies whenever the
// folded columns change; the program stores them again right after, in the same write.
constexpr const char* kStoreFolded =
    "UPDATE Songs SET PATH_FOLDED=?, MELODI_FOLDED=?, TITLE_FOLDED=?, ARTIST_FOLDED=?, "
    "ALBUM_FOLDED=?, GENRE_FOLDED=? WHERE ID=?";

constexpr const char* kUpdate =
    "UPDATE Songs SET CD=?, LIST=?, PATH=?, MELODI=?, TITLE=?, ARTIST=?, ALBUM=?, GENRE=?, "
    "YEAR=?, LYRICS=?, BITRATE=?, COMMENT=?, DURATION=?, EXTENDED1=?, EXTENDED2=?, [USE]=? "
    "WHERE ID=?";

// The text columns in the order of kInsert and kUpdate.
constexpr ESongColumn kTextColumns[] = {
    ESongColumn::CD,       ESongColumn::LIST,      ESongColumn::PATH,      ESongColumn::MELODI,
    ESongColumn::TITLE,    ESongColumn::ARTIST,    ESongColumn::ALBUM,     ESongColumn::GENRE,
    ESongColumn::YEAR,     ESongColumn::LYRICS,    ESongColumn::BITRATE,   ESongColumn::COMMENT,
    ESongColumn::DURATION, ESongColumn::EXTENDED1, ESongColumn::EXTENDED2,
};

// The columns with folded copies, in the order of kStoreFolded.
constexpr ESongColumn kFoldedColumns[] = {
    ESongColumn::PATH,   ESongColumn::MELODI, ESongColumn::TITLE,
    ESongColumn::ARTIST, ESongColumn::ALBUM,  ESongColumn::GENRE,
};

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

} // namespace

CCdlistSet::~CCdlistSet()
{
    Close();
}

void CCdlistSet::Open(CDatabase& db)
{
    Close();
    m_db = &db;
    Requery();
    FinishWalk(); // open at rest, without a read cursor
}

void CCdlistSet::Close()
{
    m_walk.reset();
    m_lookup.reset();
    m_insert.reset();
    m_update.reset();
    m_storeFolded.reset();
    m_positions.clear();
    m_positionsValid = false;
    m_rowTestName.clear();
    m_db = nullptr;
    m_bof = m_eof = true;
}

QString CCdlistSet::SelectSql(const QString& columns) const
{
    QString sql = QStringLiteral("SELECT %1 FROM Songs").arg(columns);
    if (!m_filter.IsEmpty())
        sql += QLatin1String(" WHERE ") + m_filter.Sql();
    return sql + QLatin1String(" ORDER BY ") + OrderBy(m_sort);
}

void CCdlistSet::BindFilter(CStatement& statement, int first) const
{
    int index = first;
    for (const QVariant& value : m_filter.Values())
        statement.Bind(index++, value);
}

void CCdlistSet::LoadRow(const CStatement& s)
{
    m_ID = qint32(s.Int(0));
    m_CD = s.Text(1);
    m_LIST = s.Text(2);
    m_PATH = s.Text(3);
    m_MELODI = s.Text(4);
    m_TITLE = s.Text(5);
    m_ARTIST = s.Text(6);
    m_ALBUM = s.Text(7);
    m_GENRE = s.Text(8);
    m_YEAR = s.Text(9);
    m_LYRICS = s.Text(10);
    m_BITRATE = s.Text(11);
    m_COMMENT = s.Text(12);
    m_DURATION = s.Text(13);
    m_USE = qint32(s.Int(14));
    m_EXTENDED1 = s.Text(15);
    m_EXTENDED2 = s.Text(16);
}

void CCdlistSet::FinishWalk()
{
    // Releases the read transaction the open statement holds.
    m_walk.reset();
}

bool CCdlistSet::Fetch()
{
    if (m_walk && m_walk->Step()) {
        LoadRow(*m_walk);
        m_eof = false;
        return true;
    }
    FinishWalk();
    m_eof = true;
    return false;
}

void CCdlistSet::Requery()
{
    if (!m_db)
        throw CDbException(QStringLiteral("The song set is not open."));
    m_mode = EMode::None;
    m_positions.clear();
    m_positionsValid = false;
    MoveFirst();
    m_bof = m_eof;
}

void CCdlistSet::Unfilter()
{
    m_filter = CFilter();
    m_sort = ESongColumn::ID;
    m_mode = EMode::None;
    m_positions.clear();
    m_positionsValid = false;
    // At rest the set holds no read cursor: an open read transaction would keep this
    // connection from ever taking the write lock while another process writes.
    FinishWalk();
    m_bof = m_eof = true;
}

CUnfilterOnExit::~CUnfilterOnExit()
{
    try {
        m_set.Unfilter();
    } catch (const CDbException&) {
        // The set keeps its filter; the next operation's requery reports the failure.
    }
}

void CCdlistSet::MoveFirst()
{
    if (!m_db)
        return;
    m_db->StoreStagedFolds(); // lookups compare the folded copies
    m_walk = std::make_unique<CStatement>(*m_db, SelectSql(QLatin1String(kAllColumns)));
    BindFilter(*m_walk);
    Fetch();
}

void CCdlistSet::MoveNext()
{
    if (m_eof)
        return;
    if (m_walk) {
        Fetch();
        return;
    }
    // Positioned by ID or by absolute position: continue in set order.
    BuildPositions();
    auto it = m_sort == ESongColumn::ID
                  ? std::upper_bound(m_positions.begin(), m_positions.end(), m_ID)
                  : std::find(m_positions.begin(), m_positions.end(), m_ID);
    if (m_sort != ESongColumn::ID && it != m_positions.end())
        ++it;
    if (it == m_positions.end() || !FindSongById(*it))
        m_eof = true;
}

void CCdlistSet::BuildPositions()
{
    if (m_positionsValid)
        return;
    m_positions.clear();
    m_db->StoreStagedFolds();
    CStatement s(*m_db, SelectSql(QStringLiteral("ID")));
    BindFilter(s);
    while (s.Step())
        m_positions.push_back(qint32(s.Int(0)));
    m_positionsValid = true;
}

bool CCdlistSet::SetAbsolutePosition(qint64 pos)
{
    BuildPositions();
    if (pos < 1 || pos > qint64(m_positions.size())) {
        m_eof = true;
        return false;
    }
    return FindSongById(m_positions[size_t(pos - 1)]);
}

qint64 CCdlistSet::GetRecordCount()
{
    if (m_positionsValid)
        return qint64(m_positions.size());
    m_db->StoreStagedFolds();
    QString sql = QStringLiteral("SELECT count(*) FROM Songs");
    if (!m_filter.IsEmpty())
        sql += QLatin1String(" WHERE ") + m_filter.Sql();
    CStatement s(*m_db, sql);
    BindFilter(s);
    return s.Step() ? s.Int(0) : 0;
}

CStatement& CCdlistSet::Prepared(std::unique_ptr<CStatement>& slot, const QString& sql)
{
    if (!slot)
        slot = std::make_unique<CStatement>(*m_db, sql);
    slot->Reset();
    return *slot;
}

bool CCdlistSet::LoadById(qint64 id)
{
    CStatement& s = Prepared(
        m_lookup,
        QStringLiteral("SELECT %1 FROM Songs WHERE ID = ?").arg(QLatin1String(kAllColumns)));
    s.BindInt(1, id);
    const bool found = s.Step();
    if (found)
        LoadRow(s);
    s.Reset(); // do not hold the read transaction
    return found;
}

bool CCdlistSet::FindSongById(qint64 id)
{
    if (!m_db)
        return false;
    FinishWalk();
    if (!LoadById(id))
        return false;
    m_eof = m_bof = false;
    return true;
}

void CCdlistSet::ClearRecord()
{
    m_ID = 0;
    m_USE = 0;
    for (ESongColumn column : kTextColumns)
        SetText(column, QString());
}

void CCdlistSet::AddNew()
{
    ClearRecord();
    m_mode = EMode::Add;
}

void CCdlistSet::Edit()
{
    const qint32 id = m_ID;
    if (m_walk) {
        // Keep the walk where it is: re-read the row through a lookup of its own.
        CStatement s(
            *m_db,
            QStringLiteral("SELECT %1 FROM Songs WHERE ID = ?").arg(QLatin1String(kAllColumns)));
        s.BindInt(1, id);
        if (s.Step())
            LoadRow(s);
    } else {
        FindSongById(id);
    }
    m_mode = EMode::Edit;
}

void CCdlistSet::Update()
{
    if (m_mode == EMode::None)
        return;
    const bool adding = m_mode == EMode::Add;
    m_mode = EMode::None;
    CStatement& s = adding ? Prepared(m_insert, QLatin1String(kInsert))
                           : Prepared(m_update, QLatin1String(kUpdate));
    // Each column as stored, cut to its length once for the text and its folded copy.
    std::array<QString, CSongColumns::kCount> values;
    const auto stored = [&values](ESongColumn column) -> const QString& {
        return values[size_t(column)];
    };
    int index = 1;
    for (ESongColumn column : kTextColumns) {
        values[size_t(column)] = CText::Left(Text(column), CSongColumns::MaxLength(column));
        s.BindUtf8(index++, stored(column).toUtf8());
    }
    if (adding) {
        // Without TITLE_FOLDED the row stays out of the substring index until the title's
        // copy joins it, with the other new rows', in one statement (see CDatabase).
        for (ESongColumn column : {ESongColumn::ARTIST, ESongColumn::ALBUM, ESongColumn::MELODI,
                                   ESongColumn::PATH, ESongColumn::GENRE})
            s.BindUtf8(index++, CDatabase::FoldedUtf8(stored(column)));
        s.Step();
        s.Reset();
        m_ID = qint32(m_db->LastInsertId());
        m_USE = 0;
        m_db->StageTitleFold(m_ID, stored(ESongColumn::TITLE));
        if (sqlite3_get_autocommit(m_db->Handle()))
            m_db->StoreStagedFolds();
    } else {
        m_db->StoreStagedFolds(); // a staged copy must not overwrite this edit's
        // Both statements or neither: a half-done edit would lose the folded copies.
        std::optional<CDatabase::CTransaction> transaction;
        if (sqlite3_get_autocommit(m_db->Handle()))
            transaction.emplace(*m_db);
        s.BindInt(index++, m_USE);
        s.BindInt(index++, m_ID);
        s.Step();
        s.Reset();
        CStatement& folded = Prepared(m_storeFolded, QLatin1String(kStoreFolded));
        int first = 1;
        for (ESongColumn column : kFoldedColumns)
            folded.BindUtf8(first++, CDatabase::FoldedUtf8(stored(column)));
        folded.BindInt(int(std::size(kFoldedColumns)) + 1, m_ID);
        folded.Step();
        folded.Reset();
        if (transaction)
            transaction->Commit();
    }
    m_positionsValid = false;
}

void CCdlistSet::Delete()
{
    if (m_eof && m_bof)
        return;
    CStatement s(*m_db, QStringLiteral("DELETE FROM Songs WHERE ID = ?"));
    s.BindInt(1, m_ID);
    s.Step();
    m_positionsValid = false;
}

int CCdlistSet::DeleteWhere(const CFilter& filter)
{
    FinishWalk();
    m_db->StoreStagedFolds();
    QString sql = QStringLiteral("DELETE FROM Songs");
    if (!filter.IsEmpty())
        sql += QLatin1String(" WHERE ") + filter.Sql();
    CStatement s(*m_db, sql);
    int index = 1;
    for (const QVariant& value : filter.Values())
        s.Bind(index++, value);
    s.Step();
    m_positionsValid = false;
    return m_db->Changes();
}

int CCdlistSet::RenameSession(const QString& from, const QString& to)
{
    FinishWalk();
    CStatement s(*m_db, QStringLiteral("UPDATE Songs SET CD = ? WHERE CD = ? COLLATE BINARY"));
    s.BindText(1, CText::Left(to, CSongColumns::MaxLength(ESongColumn::CD))).BindText(2, from);
    s.Step();
    m_positionsValid = false;
    return m_db->Changes();
}

QList<QPair<QString, qint64>> CCdlistSet::SessionCounts()
{
    // Grouping on the session index reads only that index.
    CStatement s(*m_db,
                 QStringLiteral("SELECT CD, count(*) FROM Songs GROUP BY CD COLLATE BINARY"));
    QList<QPair<QString, qint64>> sessions;
    while (s.Step())
        sessions.append({s.Text(0), s.Int(1)});
    std::stable_sort(sessions.begin(), sessions.end(), [](const auto& a, const auto& b) {
        const QByteArray ua = a.first.toUtf8(), ub = b.first.toUtf8();
        return CDatabase::CompareNoCase(ua.constData(), int(ua.size()), ub.constData(),
                                        int(ub.size())) < 0;
    });
    return sessions;
}

qint64 CCdlistSet::CountAll()
{
    CStatement s(*m_db, QStringLiteral("SELECT count(*) FROM Songs"));
    return s.Step() ? s.Int(0) : 0;
}

QString CCdlistSet::Text(ESongColumn column) const
{
    switch (column) {
    case ESongColumn::ID:
        return QString::number(m_ID);
    case ESongColumn::CD:
        return m_CD;
    case ESongColumn::LIST:
        return m_LIST;
    case ESongColumn::PATH:
        return m_PATH;
    case ESongColumn::MELODI:
        return m_MELODI;
    case ESongColumn::TITLE:
        return m_TITLE;
    case ESongColumn::ARTIST:
        return m_ARTIST;
    case ESongColumn::ALBUM:
        return m_ALBUM;
    case ESongColumn::GENRE:
        return m_GENRE;
    case ESongColumn::YEAR:
        return m_YEAR;
    case ESongColumn::LYRICS:
        return m_LYRICS;
    case ESongColumn::BITRATE:
        return m_BITRATE;
    case ESongColumn::COMMENT:
        return m_COMMENT;
    case ESongColumn::DURATION:
        return m_DURATION;
    case ESongColumn::USE:
        return QString::number(m_USE);
    case ESongColumn::EXTENDED1:
        return m_EXTENDED1;
    case ESongColumn::EXTENDED2:
        return m_EXTENDED2;
    }
    return {};
}

void CCdlistSet::SetText(ESongColumn column, const QString& value)
{
    switch (column) {
    case ESongColumn::ID:
        m_ID = value.toInt();
        break;
    case ESongColumn::CD:
        m_CD = value;
        break;
    case ESongColumn::LIST:
        m_LIST = value;
        break;
    case ESongColumn::PATH:
        m_PATH = value;
        break;
    case ESongColumn::MELODI:
        m_MELODI = value;
        break;
    case ESongColumn::TITLE:
        m_TITLE = value;
        break;
    case ESongColumn::ARTIST:
        m_ARTIST = value;
        break;
    case ESongColumn::ALBUM:
        m_ALBUM = value;
        break;
    case ESongColumn::GENRE:
        m_GENRE = value;
        break;
    case ESongColumn::YEAR:
        m_YEAR = value;
        break;
    case ESongColumn::LYRICS:
        m_LYRICS = value;
        break;
    case ESongColumn::BITRATE:
        m_BITRATE = value;
        break;
    case ESongColumn::COMMENT:
        m_COMMENT = value;
        break;
    case ESongColumn::DURATION:
        m_DURATION = value;
        break;
    case ESongColumn::USE:
        m_USE = value.toInt();
        break;
    case ESongColumn::EXTENDED1:
        m_EXTENDED1 = value;
        break;
    case ESongColumn::EXTENDED2:
        m_EXTENDED2 = value;
        break;
    }
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

QString ScanColumns(bool withLyrics)
{
    QString columns = QLatin1String(kAllColumns);
    if (!withLyrics)
        columns.replace(QLatin1String("LYRICS"), QLatin1String("'' AS LYRICS"));
    return columns;
}

void Walk(CStatement& s, const std::function<bool(const CCdlistSet::CScanRow&)>& visit)
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
    if (!m_db)
        throw CDbException(QStringLiteral("The song set is not open."));
    m_db->StoreStagedFolds();
    QString sql = QStringLiteral("SELECT %1 FROM Songs").arg(ScanColumns(withLyrics));
    if (!filter.IsEmpty())
        sql += QLatin1String(" WHERE ") + filter.Sql();
    CStatement s(*m_db, sql + QLatin1String(" ORDER BY ID"));
    int index = 1;
    for (const QVariant& value : filter.Values())
        s.Bind(index++, value);
    Walk(s, visit);
}

CCdlistSet::STotals CCdlistSet::Totals(const CFilter& filter)
{
    if (!m_db)
        throw CDbException(QStringLiteral("The song set is not open."));
    m_db->StoreStagedFolds();
    QString sql = QStringLiteral("SELECT count(*), total(max(CAST(DURATION AS INTEGER), 0)) "
                                 "FROM Songs");
    if (!filter.IsEmpty())
        sql += QLatin1String(" WHERE ") + filter.Sql();
    CStatement s(*m_db, sql);
    int index = 1;
    for (const QVariant& value : filter.Values())
        s.Bind(index++, value);
    STotals totals;
    if (s.Step()) {
        totals.songs = s.Int(0);
        totals.seconds = s.Int(1);
    }
    return totals;
}

void CCdlistSet::Scan(const std::vector<ESongColumn>& tested, const RowTest& test,
                      const std::function<bool(const CScanRow&)>& visit)
{
    Scan(CFilter(), tested, test, visit);
}

void CCdlistSet::Scan(const CFilter& candidates, const std::vector<ESongColumn>& tested,
                      const RowTest& test, const std::function<bool(const CScanRow&)>& visit)
{
    if (!m_db)
        throw CDbException(QStringLiteral("The song set is not open."));
    if (tested.empty() || tested.size() > size_t(kMaxTested))
        throw CDbException(QStringLiteral("A row test needs 1 to 16 columns."));
    QStringList names;
    for (ESongColumn column : tested)
        names << QLatin1String(CSongColumns::SqlName(column));
    m_db->StoreStagedFolds();
    const QByteArray& function = RowTestFunction();
    const CRowTestScope scope(m_rowTest, test);
    QString where = QStringLiteral("%1(%2)").arg(QLatin1String(function), names.join(u','));
    if (!candidates.IsEmpty())
        where = u'(' + candidates.Sql() + QLatin1String(") AND ") + where;
    CStatement s(
        *m_db,
        QStringLiteral("SELECT %1 FROM Songs WHERE %2 ORDER BY ID").arg(ScanColumns(false), where));
    int index = 1;
    for (const QVariant& value : candidates.Values())
        s.Bind(index++, value);
    Walk(s, visit);
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

std::vector<qint32> CCdlistSet::TextIndexIds(const QString& textQuery)
{
    if (!m_db)
        throw CDbException(QStringLiteral("The song set is not open."));
    m_db->StoreStagedFolds();
    CStatement s(*m_db, QStringLiteral("SELECT rowid FROM SongsText WHERE SongsText MATCH ? "
                                       "ORDER BY rowid"));
    s.Bind(1, textQuery);
    std::vector<qint32> ids;
    while (s.Step())
        ids.push_back(qint32(s.Int(0)));
    return ids;
}

void CCdlistSet::LoadRecord(const CScanRow& row)
{
    FinishWalk();
    LoadRow(row.Statement());
    m_bof = m_eof = false;
}
