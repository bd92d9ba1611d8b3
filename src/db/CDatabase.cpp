#include "db/CDatabase.h"

#include "platform/CProgress.h"

#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QUrl>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char* kSchema = R"SQL(
CREATE TABLE Songs(
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    CD TEXT NOT NULL DEFAULT '',
    LIST TEXT NOT NULL DEFAULT '',
    PATH TEXT NOT NULL DEFAULT '',
    MELODI TEXT NOT NULL DEFAULT '',
    TITLE TEXT NOT NULL DEFAULT '',
    ARTIST TEXT NOT NULL DEFAULT '',
    ALBUM TEXT NOT NULL DEFAULT '',
    GENRE TEXT NOT NULL DEFAULT '',
    YEAR TEXT NOT NULL DEFAULT '',
    LYRICS TEXT NOT NULL DEFAULT '',
    BITRATE TEXT NOT NULL DEFAULT '',
    COMMENT TEXT NOT NULL DEFAULT '',
    DURATION TEXT NOT NULL DEFAULT '',
    [USE] INTEGER NOT NULL DEFAULT 0,
    EXTENDED1 TEXT NOT NULL DEFAULT '',
    EXTENDED2 TEXT NOT NULL DEFAULT '',
    TITLE_FOLDED TEXT,
    ARTIST_FOLDED TEXT,
    ALBUM_FOLDED TEXT,
    MELODI_FOLDED TEXT,
    PATH_FOLDED TEXT,
    GENRE_FOLDED TEXT);
CREATE TABLE ExcludeList(
    ID2 INTEGER PRIMARY KEY AUTOINCREMENT,
    EXCLUDED TEXT NOT NULL DEFAULT '');
)SQL";

// The folded copies a catalogue of layout 3 lacks.
constexpr const char* kAddFolded = R"SQL(
ALTER TABLE Songs ADD COLUMN TITLE_FOLDED TEXT;
ALTER TABLE Songs ADD COLUMN ARTIST_FOLDED TEXT;
ALTER TABLE Songs ADD COLUMN ALBUM_FOLDED TEXT;
ALTER TABLE Songs ADD COLUMN MELODI_FOLDED TEXT;
ALTER TABLE Songs ADD COLUMN PATH_FOLDED TEXT;
ALTER TABLE Songs ADD COLUMN GENRE_FOLDED TEXT;
)SQL";

// Layout 3 indexed through the program's own collation, which other tools lack.
constexpr const char* kDropCollatedIndexes = R"SQL(
DROP INDEX IF EXISTS SongsByFile;
DROP INDEX IF EXISTS SongsByTitle;
DROP INDEX IF EXISTS SongsByArtist;
DROP INDEX IF EXISTS SongsByAlbum;
DROP INDEX IF EXISTS SongsByGenre;
)SQL";

// Indexes for the lookups the program makes, on plain columns and the folded copies, so
// that any SQLite tool can use the file. Created when missing at every open.
// A row another tool changes loses its folded copies (the trigger), and a row it inserts
// has none: SongsToFold finds both for the refold at the next open.
constexpr const char* kIndexes = R"SQL(
CREATE INDEX IF NOT EXISTS SongsBySession ON Songs(CD);
CREATE INDEX IF NOT EXISTS SongsByFile ON Songs(MELODI_FOLDED, PATH_FOLDED);
CREATE INDEX IF NOT EXISTS SongsByTitle ON Songs(TITLE_FOLDED);
CREATE INDEX IF NOT EXISTS SongsByArtist ON Songs(ARTIST_FOLDED);
CREATE INDEX IF NOT EXISTS SongsByAlbum ON Songs(ALBUM_FOLDED);
CREATE INDEX IF NOT EXISTS SongsByGenre ON Songs(GENRE_FOLDED);
CREATE INDEX IF NOT EXISTS SongsToFold ON Songs(ID) WHERE TITLE_FOLDED IS NULL OR
    ARTIST_FOLDED IS NULL OR ALBUM_FOLDED IS NULL OR MELODI_FOLDED IS NULL OR
    PATH_FOLDED IS NULL OR GENRE_FOLDED IS NULL;
CREATE TRIGGER IF NOT EXISTS SongsUnfold AFTER UPDATE OF TITLE, ARTIST, ALBUM, MELODI, PATH,
    GENRE ON Songs
BEGIN
    UPDATE Songs SET TITLE_FOLDED = NULL, ARTIST_FOLDED = NULL, ALBUM_FOLDED = NULL,
        MELODI_FOLDED = NULL, PATH_FOLDED = NULL, GENRE_FOLDED = NULL WHERE ID = NEW.ID;
END;
)SQL";

// The substring index of the full search: SQLite's own trigram tokenizer over the folded
// copies, taken byte for byte (the tokenizer's own folding differs from the program's,
// for "İ" say), so that a case-insensitive criterion's answer is exact; kept by plain-SQL triggers
// inside every change's transaction. It holds the rows whose copies are present (TITLE_FOLDED not
// NULL): a row without them waits for its refold. SQLite 3.40's FTS5 writes its pending terms at
// every statement of a transaction, so a new song is stored with all copies but TITLE_FOLDED, which
// joins it in one statement per commit (StageTitleFold).
constexpr const char* kTextIndex = R"SQL(
CREATE VIRTUAL TABLE IF NOT EXISTS SongsText USING fts5(
    TITLE_FOLDED, ARTIST_FOLDED, ALBUM_FOLDED, MELODI_FOLDED,
    content='Songs', content_rowid='ID', tokenize='trigram case_sensitive 1');
CREATE TRIGGER IF NOT EXISTS SongsTextInsert AFTER INSERT ON Songs
    WHEN NEW.TITLE_FOLDED IS NOT NULL
BEGIN
    INSERT INTO SongsText(rowid, TITLE_FOLDED, ARTIST_FOLDED, ALBUM_FOLDED, MELODI_FOLDED)
    VALUES(NEW.ID, NEW.TITLE_FOLDED, NEW.ARTIST_FOLDED, NEW.ALBUM_FOLDED, NEW.MELODI_FOLDED);
END;
CREATE TRIGGER IF NOT EXISTS SongsTextDelete AFTER DELETE ON Songs
    WHEN OLD.TITLE_FOLDED IS NOT NULL
BEGIN
    INSERT INTO SongsText(SongsText, rowid, TITLE_FOLDED, ARTIST_FOLDED, ALBUM_FOLDED,
        MELODI_FOLDED)
    VALUES('delete', OLD.ID, OLD.TITLE_FOLDED, OLD.ARTIST_FOLDED, OLD.ALBUM_FOLDED,
        OLD.MELODI_FOLDED);
END;
CREATE TRIGGER IF NOT EXISTS SongsTextUpdate AFTER UPDATE OF TITLE_FOLDED, ARTIST_FOLDED,
    ALBUM_FOLDED, MELODI_FOLDED ON Songs
BEGIN
    INSERT INTO SongsText(SongsText, rowid, TITLE_FOLDED, ARTIST_FOLDED, ALBUM_FOLDED,
        MELODI_FOLDED)
    SELECT 'delete', OLD.ID, OLD.TITLE_FOLDED, OLD.ARTIST_FOLDED, OLD.ALBUM_FOLDED,
        OLD.MELODI_FOLDED WHERE OLD.TITLE_FOLDED IS NOT NULL;
    INSERT INTO SongsText(rowid, TITLE_FOLDED, ARTIST_FOLDED, ALBUM_FOLDED, MELODI_FOLDED)
    SELECT NEW.ID, NEW.TITLE_FOLDED, NEW.ARTIST_FOLDED, NEW.ALBUM_FOLDED, NEW.MELODI_FOLDED
    WHERE NEW.TITLE_FOLDED IS NOT NULL;
END;
)SQL";

// Layout 4 folded its substring index a second time, in the tokenizer's own way.
constexpr const char* kDropTextIndex = R"SQL(
DROP TRIGGER IF EXISTS SongsTextInsert;
DROP TRIGGER IF EXISTS SongsTextDelete;
DROP TRIGGER IF EXISTS SongsTextUpdate;
DROP TABLE IF EXISTS SongsText;
)SQL";

constexpr const char* kToFold =
    "TITLE_FOLDED IS NULL OR ARTIST_FOLDED IS NULL OR ALBUM_FOLDED IS NULL OR MELODI_FOLDED IS "
    "NULL OR PATH_FOLDED IS NULL OR GENRE_FOLDED IS NULL";

int Collate(void*, int na, const void* a, int nb, const void* b)
{
    return CDatabase::CompareNoCase(static_cast<const char*>(a), na, static_cast<const char*>(b),
                                    nb);
}

inline unsigned char AsciiLower(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
}

// UTF-8 text as a JSON string.
void AppendJsonString(QByteArray& out, const QByteArray& utf8)
{
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    for (const char c : utf8) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            out += "\\u00";
            out += kHex[u >> 4];
            out += kHex[u & 15];
        } else {
            out += c;
        }
    }
    out += '"';
}

QString SystemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// SQLite names a refused write "readonly database" or "unable to open", whatever the
// cause; the system's own answer names it. The file must open for writing, and its
// folder must take new files: a new database and the -wal and -shm files live there.
// Empty when both work.
QString WriteProblem(const QString& path)
{
    const QByteArray file = QFile::encodeName(path);
    const int fd = ::open(file.constData(), O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    const bool exists = fd >= 0 || errno != ENOENT;
    if (fd >= 0)
        ::close(fd);
    else if (exists)
        return QStringLiteral("Cannot write the song database %1: %2.")
            .arg(path, SystemError(errno));
    const QString folder = QFileInfo(path).absolutePath();
    QByteArray probe = QFile::encodeName(folder + QStringLiteral("/.songs-probe-XXXXXX"));
    const int made = ::mkostemp(probe.data(), O_CLOEXEC);
    if (made < 0) {
        const QString why = SystemError(errno);
        if (!exists)
            return QStringLiteral("Cannot create the song database %1: %2.").arg(path, why);
        return QStringLiteral("Cannot write the song database %1: no files can be created in "
                              "%2 (%3).")
            .arg(path, folder, why);
    }
    ::close(made);
    ::unlink(probe.constData());
    return {};
}

} // namespace

int CDatabase::CompareNoCase(const char* a, int na, const char* b, int nb)
{
    const auto* ua = reinterpret_cast<const unsigned char*>(a);
    const auto* ub = reinterpret_cast<const unsigned char*>(b);
    const int n = na < nb ? na : nb;
    int i = 0;
    for (; i < n; ++i) {
        const unsigned char ca = ua[i], cb = ub[i];
        if ((ca | cb) & 0x80)
            break; // leave the rest to the Unicode comparison
        const unsigned char la = AsciiLower(ca), lb = AsciiLower(cb);
        if (la != lb)
            return la < lb ? -1 : 1;
    }
    if (i == n)
        return na == nb ? 0 : (na < nb ? -1 : 1);
    // Step back to the start of the character we stopped in.
    while (i > 0 && (ua[i] & 0xC0) == 0x80)
        --i;
    const QString fa = QString::fromUtf8(a + i, na - i).toCaseFolded();
    const QString fb = QString::fromUtf8(b + i, nb - i).toCaseFolded();
    const int c = fa.compare(fb);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

CDatabase::~CDatabase()
{
    Close();
}

void CDatabase::Open(const QString& path, const ProgressFactory& conversionProgress)
{
    Close();
    const QFileInfo info(path);
    const bool fresh = !info.exists() || info.size() == 0;
    const QByteArray native = QFile::encodeName(path);
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(native.constData(), &db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        const QString why =
            db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory");
        sqlite3_close(db);
        const QString problem = WriteProblem(path);
        throw CDbException(
            problem.isEmpty()
                ? QStringLiteral("Cannot open the song database %1: %2").arg(path, why)
                : problem);
    }
    m_db = db;
    m_path = path;
    try {
        Configure();
        // SQLite falls back to reading a file it may not write; every change would fail.
        if (sqlite3_db_readonly(m_db, "main") == 1)
            throw CDbException(
                QStringLiteral("Cannot write the song database %1: it opens only for reading.")
                    .arg(path));
        if (!fresh)
            CheckSchema(); // before anything is written to a file that may not be ours
        Exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA cache_size=-32768; "
             "PRAGMA mmap_size=1073741824;");
        if (fresh)
            CreateSchema();
        else if (Version() < kSchemaVersion)
            Convert(conversionProgress);
        Exec(kIndexes);
        Exec(kTextIndex);
        FoldChangedRows();
    } catch (const CDbException&) {
        Close();
        // A file or folder the system will not let us write is no fault of the file.
        const QString problem = WriteProblem(path);
        if (!problem.isEmpty())
            throw CDbException(problem);
        throw;
    }
}

void CDatabase::OpenForReading(const QString& path)
{
    Close();
    const QByteArray file = "file:" + QUrl::toPercentEncoding(QFile::encodeName(path), "/");
    // A catalogue in WAL mode needs its shared-memory file, which read-only media may lack
    // and cannot get; it is then read as a file nobody changes.
    const char* const modes[] = {"?mode=ro", "?immutable=1"};
    for (const char* mode : modes) {
        sqlite3* db = nullptr;
        const QByteArray uri = file + mode;
        if (sqlite3_open_v2(uri.constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI,
                            nullptr) != SQLITE_OK) {
            sqlite3_close(db);
            continue;
        }
        m_db = db;
        m_path = path;
        try {
            Configure();
            CheckSchema();
            if (Version() < kSchemaVersion)
                throw CDbException(QStringLiteral("%1 has an older layout, which can only be "
                                                  "converted where it can be written.")
                                       .arg(path));
            return;
        } catch (const CDbException&) {
            Close();
            if (mode == modes[1])
                throw;
        }
    }
    throw CDbException(QStringLiteral("Cannot open the song database %1 for reading.").arg(path));
}

void CDatabase::Close()
{
    if (m_db) {
        m_stagedTitles.clear();
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

namespace {

// Waits for another writer in steps of a millisecond: the built-in handler's longer steps
// almost never meet the moment between two of another scan's transactions.
int WaitForWriter(void*, int attempts)
{
    if (attempts >= CDatabase::kBusyTimeoutMs)
        return 0;
    sqlite3_sleep(1);
    return 1;
}

} // namespace

void CDatabase::Configure()
{
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_handler(m_db, &WaitForWriter, nullptr);
    sqlite3_create_collation_v2(m_db, "UNOCASE", SQLITE_UTF8, nullptr, &Collate, nullptr);
    // Staged copies belong to rows a rollback removes; their IDs may come again.
    sqlite3_rollback_hook(
        m_db, [](void* self) { static_cast<CDatabase*>(self)->m_stagedTitles.clear(); }, this);
}

void CDatabase::CreateSchema()
{
    CTransaction transaction(*this);
    Exec(kSchema);
    Exec(kIndexes);
    Exec(kTextIndex);
    Exec(QStringLiteral("PRAGMA application_id=%1; PRAGMA user_version=%2;")
             .arg(kApplicationId)
             .arg(kSchemaVersion)
             .toUtf8()
             .constData());
    transaction.Commit();
}

qint64 CDatabase::Version()
{
    CStatement s(*this, QStringLiteral("PRAGMA user_version"));
    return s.Step() ? s.Int(0) : 0;
}

void CDatabase::Convert(const ProgressFactory& progressFactory)
{
    try {
        CTransaction transaction(*this);
        std::unique_ptr<CProgress> progress;
        qint64 rows = 0;
        {
            CStatement count(*this, QStringLiteral("SELECT max(ID) FROM Songs"));
            rows = count.Step() ? count.Int(0) : 0;
        }
        // Small catalogues convert in a blink; a window would only flicker.
        if (progressFactory && rows >= kConversionShownFrom) {
            progress = progressFactory(QStringLiteral("Cratewise"));
            progress->SetMessage(QStringLiteral("Converting the song database for this version "
                                                "of Cratewise..."));
            // Folding is about half of the work, the indexes the other half.
            progress->SetRange(0, int(2 * ((rows + kFoldBatch - 1) / kFoldBatch)), 1);
        }
        if (Version() < 4) {
            Exec(kDropCollatedIndexes);
            Exec(kAddFolded);
            FoldRows(progress.get()); // before the indexes: filling them afterwards is faster
        }
        Exec(kDropTextIndex);
        if (progress) {
            progress->SetMessage(QStringLiteral("Building the search index..."));
            progress->Pump(false);
        }
        Exec(kIndexes);
        Exec(kTextIndex);
        Exec("INSERT INTO SongsText(SongsText) VALUES('rebuild')");
        Exec(QStringLiteral("PRAGMA user_version=%1;").arg(kSchemaVersion).toUtf8().constData());
        transaction.Commit();
    } catch (const CDbException& e) {
        throw CDbException(QStringLiteral("Cannot convert the song database %1 to the new layout "
                                          "(%2); it was left as it was.")
                               .arg(m_path, e.Message()));
    }
}

QString CDatabase::Fold(const QString& text)
{
    return text.toCaseFolded();
}

QByteArray CDatabase::FoldedUtf8(const QString& text)
{
    const qsizetype n = text.size();
    const QChar* in = text.constData();
    QByteArray out(n, Qt::Uninitialized);
    char* o = out.data();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = in[i].unicode();
        if (c >= 0x80)
            return Fold(text).toUtf8();
        // Within ASCII, case folding maps A-Z and nothing else.
        o[i] = char(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
    }
    return out;
}

void CDatabase::FoldChangedRows()
{
    {
        CStatement any(
            *this,
            QStringLiteral("SELECT 1 FROM Songs WHERE %1 LIMIT 1").arg(QLatin1String(kToFold)));
        if (!any.Step())
            return; // no write lock taken when nothing waits
    }
    CTransaction transaction(*this);
    FoldRows();
    transaction.Commit();
}

void CDatabase::FoldRows(CProgress* progress)
{
    // In batches by ID: the rows being folded leave the index the pick reads.
    constexpr int kBatch = kFoldBatch;
    CStatement pick(*this,
                    QStringLiteral("SELECT ID, TITLE, ARTIST, ALBUM, MELODI, PATH, GENRE FROM "
                                   "Songs WHERE ID > ? AND (%1) ORDER BY ID LIMIT %2")
                        .arg(QLatin1String(kToFold))
                        .arg(kBatch));
    // One statement per batch, its rows as one bound JSON text: [id, six folded texts].
    CStatement store(
        *this,
        QStringLiteral("UPDATE Songs SET TITLE_FOLDED = json_extract(j.value, '$[1]'), "
                       "ARTIST_FOLDED = json_extract(j.value, '$[2]'), "
                       "ALBUM_FOLDED = json_extract(j.value, '$[3]'), "
                       "MELODI_FOLDED = json_extract(j.value, '$[4]'), "
                       "PATH_FOLDED = json_extract(j.value, '$[5]'), "
                       "GENRE_FOLDED = json_extract(j.value, '$[6]') "
                       "FROM json_each(?) AS j WHERE Songs.ID = json_extract(j.value, '$[0]')"));
    qint64 last = 0;
    for (;;) {
        pick.Reset();
        pick.BindInt(1, last);
        QByteArray json = "[";
        while (pick.Step()) {
            last = pick.Int(0);
            json += json.size() > 1 ? ",[" : "[";
            json += QByteArray::number(last);
            for (int column = 1; column <= 6; ++column) {
                json += ',';
                AppendJsonString(json, FoldedUtf8(pick.Text(column)));
            }
            json += ']';
        }
        pick.Reset();
        if (json.size() == 1)
            return;
        json += ']';
        store.Reset();
        store.BindUtf8(1, std::move(json));
        store.Step();
        if (progress) {
            progress->Step();
            progress->Pump(false);
        }
    }
}

void CDatabase::StageTitleFold(qint64 id, const QString& title)
{
    // A JSON object of ID and folded title, written directly: the document classes cost
    // more than the intake's store itself.
    m_stagedTitles += m_stagedTitles.isEmpty() ? "{\"" : ",\"";
    m_stagedTitles += QByteArray::number(id);
    m_stagedTitles += "\":";
    AppendJsonString(m_stagedTitles, FoldedUtf8(title));
}

void CDatabase::StoreStagedFolds()
{
    if (!m_stagedTitles.isEmpty()) {
        QByteArray json = std::move(m_stagedTitles);
        m_stagedTitles.clear();
        json += '}';
        CStatement store(*this, QStringLiteral("UPDATE Songs SET TITLE_FOLDED = j.value FROM "
                                               "json_each(?) AS j WHERE Songs.ID = "
                                               "CAST(j.key AS INTEGER)"));
        store.BindUtf8(1, std::move(json));
        store.Step();
    }
}

void CDatabase::CheckSchema()
{
    qint64 id = 0, count = 0;
    try {
        CStatement app(*this, QStringLiteral("PRAGMA application_id"));
        id = app.Step() ? app.Int(0) : 0;
        CStatement tables(*this,
                          QStringLiteral("SELECT count(*) FROM sqlite_master WHERE "
                                         "type='table' AND name IN ('Songs','ExcludeList')"));
        count = tables.Step() ? tables.Int(0) : 0;
    } catch (const CDbException& e) {
        // Only a file SQLite cannot read as a database is not ours; locks and I/O are not.
        const int code = sqlite3_errcode(m_db) & 0xff;
        if (code != SQLITE_NOTADB && code != SQLITE_CORRUPT)
            throw CDbException(
                QStringLiteral("Cannot open the song database %1: %2").arg(m_path, e.Message()));
        throw CDbException(
            QStringLiteral("%1 is not a Cratewise song database (%2).").arg(m_path, e.Message()));
    }
    if (id != kApplicationId || count != 2)
        throw CDbException(QStringLiteral("%1 is not a Cratewise song database.").arg(m_path));
}

void CDatabase::Exec(const char* sql)
{
    char* error = nullptr;
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        const QString message = QString::fromUtf8(error ? error : sqlite3_errmsg(m_db));
        sqlite3_free(error);
        throw CDbException(message);
    }
}

qint64 CDatabase::LastInsertId() const
{
    return sqlite3_last_insert_rowid(m_db);
}

int CDatabase::Changes() const
{
    return sqlite3_changes(m_db);
}

QString CDatabase::LastError() const
{
    return m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString();
}

CDatabase::CTransaction::CTransaction(CDatabase& db) : m_db(db)
{
    m_db.Exec("BEGIN IMMEDIATE");
}

CDatabase::CTransaction::~CTransaction()
{
    if (!m_done && m_db.IsOpen())
        sqlite3_exec(m_db.Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void CDatabase::CTransaction::Commit()
{
    m_db.StoreStagedFolds();
    m_db.Exec("COMMIT");
    m_done = true;
}

CStatement::CStatement(CDatabase& db, const QString& sql) : m_db(db)
{
    if (!db.IsOpen())
        throw CDbException(QStringLiteral("The song database is not open."));
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(db.Handle(), text.constData(), int(text.size()), &m_stmt, nullptr) !=
        SQLITE_OK)
        throw CDbException(db.LastError());
}

CStatement::~CStatement()
{
    sqlite3_finalize(m_stmt);
}

CStatement& CStatement::Bind(int index, const QVariant& value)
{
    if (value.isNull())
        sqlite3_bind_null(m_stmt, index);
    else if (value.typeId() == QMetaType::Int || value.typeId() == QMetaType::LongLong)
        BindInt(index, value.toLongLong());
    else if (value.typeId() == QMetaType::QByteArray)
        BindUtf8(index, value.toByteArray()); // raw UTF-8, range bounds past every character
    else
        BindText(index, value.toString());
    return *this;
}

CStatement& CStatement::BindText(int index, const QString& value)
{
    const QByteArray utf8 = value.toUtf8();
    sqlite3_bind_text(m_stmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    return *this;
}

CStatement& CStatement::BindUtf8(int index, QByteArray utf8)
{
    if (index < 1)
        throw CDbException(QStringLiteral("No parameter %1.").arg(index));
    if (m_kept.size() < size_t(index))
        m_kept.resize(size_t(index));
    QByteArray& kept = m_kept[size_t(index - 1)];
    kept = std::move(utf8);
    sqlite3_bind_text(m_stmt, index, kept.constData(), int(kept.size()), SQLITE_STATIC);
    return *this;
}

CStatement& CStatement::BindInt(int index, qint64 value)
{
    sqlite3_bind_int64(m_stmt, index, value);
    return *this;
}

bool CStatement::Step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    const QString message = m_db.LastError();
    sqlite3_reset(m_stmt);
    throw CDbException(message);
}

void CStatement::Reset()
{
    sqlite3_reset(m_stmt);
}

QString CStatement::Text(int column) const
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
    const int bytes = sqlite3_column_bytes(m_stmt, column);
    return text ? QString::fromUtf8(text, bytes) : QString();
}

std::string_view CStatement::Bytes(int column) const
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
    return text ? std::string_view(text, size_t(sqlite3_column_bytes(m_stmt, column)))
                : std::string_view();
}

qint64 CStatement::Int(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

bool CStatement::IsNull(int column) const
{
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}
