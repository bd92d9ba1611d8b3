#include "db/CDatabase.h"

#include "db/CFoldTriggers.h"
#include "db/CSchemaSql.h"
#include "platform/CProgress.h"
#include "platform/CRegularFile.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <iterator>
#include <limits>
#include <memory>
#include <sqlite3.h>
#include <unistd.h>
#include <vector>

namespace {

int Collate(void*, int na, const void* a, int nb, const void* b)
{
    return CDatabase::CompareNoCase(static_cast<const char*>(a), na, static_cast<const char*>(b),
                                    nb);
}

// The folded text without its accents (the marks its letters decompose into), folded
// again: "İ" is "I" with a dot.
QString Unaccented(const QString& folded)
{
    QString base = folded.normalized(QString::NormalizationForm_D);
    base.removeIf([](QChar c) { return c.category() == QChar::Mark_NonSpacing; });
    return base.toCaseFolded();
}

inline unsigned char AsciiLower(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
}

// The folded copy of a text, as CDatabase::FoldedUtf8 makes it.
QByteArray FoldedValue(sqlite3_context* context, sqlite3_value* value)
{
    const auto* text = sqlite3_value_text(value);
    const int n = sqlite3_value_bytes(value);
    QByteArray folded(n, Qt::Uninitialized);
    for (int i = 0; i < n; ++i) {
        if (text[i] & 0x80) {
            // As CStatement::Text reads it: what is not UTF-8 folds as its replacement.
            const auto* db = static_cast<const CDatabase*>(sqlite3_user_data(context));
            return db->Fold(QString::fromUtf8(reinterpret_cast<const char*>(text), n)).toUtf8();
        }
        folded[i] = char(AsciiLower(text[i]));
    }
    return folded;
}

// cratewise_fold(text): the folded copy of a text, for the program's own statements (never
// the schema, which other tools must be able to use).
void FoldFunction(sqlite3_context* context, int, sqlite3_value** argv)
{
    const QByteArray folded = FoldedValue(context, argv[0]);
    sqlite3_result_text(context, folded.constData(), int(folded.size()), SQLITE_TRANSIENT);
}

// cratewise_fold_phrases(query): a substring index query with the text inside its quotes
// folded, and its column names and operators (which FTS5 takes in capitals) as they are.
void FoldPhrasesFunction(sqlite3_context* context, int, sqlite3_value** argv)
{
    const auto* db = static_cast<const CDatabase*>(sqlite3_user_data(context));
    const QString query = QString::fromUtf8(
        reinterpret_cast<const char*>(sqlite3_value_text(argv[0])), sqlite3_value_bytes(argv[0]));
    // Every other part between quotes is inside them ("" inside a phrase makes an empty one).
    QStringList parts = query.split(u'"');
    for (qsizetype i = 1; i < parts.size(); i += 2)
        parts[i] = db->Fold(parts[i]);
    const QByteArray folded = parts.join(u'"').toUtf8();
    sqlite3_result_text(context, folded.constData(), int(folded.size()), SQLITE_TRANSIENT);
}

// cratewise_fold_end(text): the end of the range of folded copies that begin with the folded
// text: it followed by a byte no UTF-8 text holds.
void FoldEndFunction(sqlite3_context* context, int, sqlite3_value** argv)
{
    const QByteArray end = FoldedValue(context, argv[0]) + char(0xFF);
    sqlite3_result_text(context, end.constData(), int(end.size()), SQLITE_TRANSIENT);
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
    // Accents count only between names that are otherwise the same: "José" sorts beside
    // "Jose", not after "Zoe". Equal stays equal ignoring case alone.
    int c = Unaccented(fa).compare(Unaccented(fb));
    if (c == 0)
        c = fa.compare(fb);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

CDatabase::~CDatabase()
{
    Close();
}

namespace {

// A pipe or a device under the catalogue's name would hang the first read or never end.
void RefuseIrregular(const QString& path)
{
    if (QFileInfo::exists(path) && !CRegularFile::IsRegular(path))
        throw CDbException(QStringLiteral("Cannot open the song database %1: %2")
                               .arg(path, CRegularFile::NotRegular()));
}

// Before the first connection: SQLite keeps no memory statistics (the program reads none),
// so that its allocations take no lock that every connection of the process shares.
void ConfigureLibrary()
{
    static const bool configured = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0) == SQLITE_OK;
    (void)configured;
}

} // namespace

void CDatabase::Open(const QString& path, const ProgressFactory& conversionProgress)
{
    // Two programs setting up one file at the same moment (a new catalogue, a change of
    // journal mode) can meet where SQLite refuses one at once rather than let both wait:
    // that one opens again, as a waiting writer would, within the usual time.
    const qint64 until = QDateTime::currentMSecsSinceEpoch() + kBusyTimeoutMs;
    for (;;) {
        m_refusedBusy = false;
        try {
            OpenOnce(path, conversionProgress);
            return;
        } catch (const CDbException&) {
            if (!m_refusedBusy || QDateTime::currentMSecsSinceEpoch() >= until)
                throw;
        }
        sqlite3_sleep(5);
    }
}

void CDatabase::OpenOnce(const QString& path, const ProgressFactory& conversionProgress)
{
    Close();
    RefuseIrregular(path);
    ConfigureLibrary();
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
        // Checked before anything is written to a file that may not be ours.
        const bool empty = fresh || !CheckSchema();
        if (!empty && Version() > kSchemaVersion) {
            const qint64 newer = Version();
            OpenForReading(path);
            m_newerLayout = newer;
            return;
        }
        // A new catalogue's pages are 16 KB: a read of every song (the sort of a column
        // no index holds) costs a quarter of the reads of 4 KB pages, a third less time,
        // and the file is no larger. An older catalogue keeps its pages.
        if (empty)
            Exec("PRAGMA page_size=16384;");
        // No memory map: it made a large catalogue's pages count against the window's
        // memory and bought no measurable speed.
        Exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA cache_size=-32768;");
        if (!empty || !CreateSchema()) {
            if (empty)
                CheckSchema(); // made by another program meanwhile
            ReadFolding();
            if (Version() < kSchemaVersion)
                Convert(conversionProgress);
        }
        // The statement journals of everyday writes (the substring index's merges at a
        // commit of new songs, say) stay in memory instead of temporary files; a
        // conversion above may rewrite the whole table in one statement, so it keeps them
        // on disk.
        Exec("PRAGMA temp_store=MEMORY;");
        Exec(CSchemaSql::kFoldIndex);
        ExecIndexes();
        Exec(CSchemaSql::kTextIndex);
        IndexLeftSongs();
        FoldChangedRows(conversionProgress);
        m_hasCovers = true;
        m_hasTrack = true;
    } catch (const CDbException& e) {
        // The code, unless a rollback on the way reset it; SQLite's own words, else.
        const int code = m_db ? sqlite3_errcode(m_db) : SQLITE_OK;
        m_refusedBusy = code == SQLITE_BUSY || code == SQLITE_LOCKED ||
                        e.Message() == QLatin1String(sqlite3_errstr(SQLITE_BUSY));
        Close();
        // A file or folder the system will not let us write is no fault of the file.
        const QString problem = WriteProblem(path);
        if (!problem.isEmpty())
            throw CDbException(problem);
        throw;
    }
}

void CDatabase::OpenForReading(const QString& path, EReader reader)
{
    Close();
    RefuseIrregular(path);
    ConfigureLibrary();
    const QByteArray file = "file:" + QUrl::toPercentEncoding(QFile::encodeName(path), "/");
    // A catalogue in WAL mode needs its shared-memory file, which read-only media may lack
    // and cannot get; it is then read as a file nobody changes.
    const char* const modes[] = {"?mode=ro", "?immutable=1"};
    for (const char* mode : modes) {
        if (reader == EReader::Private && mode == modes[1])
            break;
        sqlite3* db = nullptr;
        const QByteArray uri = file + mode;
        const int flags = SQLITE_OPEN_READONLY | SQLITE_OPEN_URI |
                          (reader == EReader::Private ? SQLITE_OPEN_NOMUTEX : 0);
        if (sqlite3_open_v2(uri.constData(), &db, flags, nullptr) != SQLITE_OK) {
            sqlite3_close(db);
            continue;
        }
        m_db = db;
        m_path = path;
        try {
            Configure();
            if (!CheckSchema()) // an empty database is no catalogue to read
                throw CDbException(
                    QStringLiteral("%1 is not a Cratewise song database.").arg(path));
            // The layout before covers reads as it is, without them.
            const qint64 version = Version();
            if (version < kOldestReadable)
                throw CDbException(QStringLiteral("%1 has an older layout, which can only be "
                                                  "converted where it can be written.")
                                       .arg(path));
            m_hasCovers = version >= 6;
            ReadFolding();
            m_hasTrack = HasColumn("TRACK");
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
    m_newerLayout = 0;
    m_foldAccents = false;
    if (m_db) {
        m_staged = false;
        m_hasCovers = false;
        m_hasTrack = false;
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
    sqlite3_create_function_v2(m_db, "cratewise_fold", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, this,
                               &FoldFunction, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(m_db, "cratewise_fold_phrases", 1,
                               SQLITE_UTF8 | SQLITE_DETERMINISTIC, this, &FoldPhrasesFunction,
                               nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(m_db, "cratewise_fold_end", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                               this, &FoldEndFunction, nullptr, nullptr, nullptr);
    // A rollback takes the mark of the staged songs with them.
    sqlite3_rollback_hook(
        m_db, [](void* self) { static_cast<CDatabase*>(self)->m_staged = false; }, this);
}

bool CDatabase::CreateSchema()
{
    CTransaction transaction(*this);
    // The file was empty before the write lock was ours: another program started at the
    // same time may have filled it meanwhile.
    if (CStatement(*this, QStringLiteral("SELECT 1 FROM sqlite_master")).Step())
        return false;
    Exec(CSchemaSql::kSchema);
    Exec(CSchemaSql::kCovers);
    m_foldAccents = true; // a new catalogue's searches ignore accents

    Exec(CSchemaSql::kFoldIndex);
    ExecIndexes();
    Exec(CSchemaSql::kTextIndex);
    Exec(QStringLiteral("PRAGMA application_id=%1; PRAGMA user_version=%2;")
             .arg(kApplicationId)
             .arg(kSchemaVersion)
             .toUtf8()
             .constData());
    transaction.Commit();
    return true;
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
        const qint64 version = Version();
        // Small catalogues convert in a blink; a window would only flicker.
        if (progressFactory && rows >= kConversionShownFrom && version < 11) {
            progress = progressFactory(QStringLiteral("Cratewise"));
            progress->SetMessage(QStringLiteral("Converting the song database for this version "
                                                "of Cratewise..."));
            const int folds = version < 4 ? int((rows + kFoldBatch - 1) / kFoldBatch) : 0;
            progress->SetRange(0, folds + int((rows + kIndexBatch - 1) / kIndexBatch), 1);
        }
        // The track number: a column at the end costs nothing until a song has one, and
        // a song gets it when its session is updated; the album index holds it.
        if (version < 13 && !HasColumn("TRACK"))
            Exec(CSchemaSql::kAddTrack);
        if (version < 4) {
            Exec(CSchemaSql::kDropCollatedIndexes);
            Exec(CSchemaSql::kAddFolded);
            // Before the other indexes: filling them afterwards is faster.
            Exec(CSchemaSql::kFoldIndex);
            FoldRows(progress.get());
        }
        if (version < 7) {
            Exec(CSchemaSql::kDropFolderCopy);
            if (HasColumn("PATH_FOLDED"))
                Exec("ALTER TABLE Songs DROP COLUMN PATH_FOLDED;");
        }
        if (version < 12) {
            Exec(CSchemaSql::kDropTextTriggers);
            Exec(CSchemaSql::kTextIndex);
        }
        // The substring index is made anew: it changed its form in layouts 5, 7 and 11.
        if (version < 11) {
            Exec(CSchemaSql::kDropTextTriggers);
            Exec(CSchemaSql::kDropTextIndex);
            if (progress) {
                progress->SetMessage(QStringLiteral("Building the search index..."));
                progress->Pump(false);
            }
            Exec(CSchemaSql::kFoldIndex);
            ExecIndexes();
            Exec(CSchemaSql::kTextIndex);
            BuildTextIndex(rows, progress.get());
        }
        // Layout 7's triggers left every text outside ASCII for the refold, layout 8's sorted
        // the steps of each fold, layout 9's left text that is not UTF-8 for the refold.
        if (version < 10)
            Exec(CFoldTriggers::DropSql().constData());
        if (version < 6) {
            if (!HasColumn("COVER"))
                Exec("ALTER TABLE Songs ADD COLUMN COVER TEXT;");
            Exec(CSchemaSql::kCovers);
        }
        Exec(QStringLiteral("PRAGMA user_version=%1;").arg(kSchemaVersion).toUtf8().constData());
        transaction.Commit();
    } catch (const CDbException& e) {
        throw CDbException(QStringLiteral("Cannot convert the song database %1 to the new layout "
                                          "(%2); it was left as it was.")
                               .arg(m_path, e.Message()));
    }
}

bool CDatabase::HasColumn(const char* name)
{
    CStatement column(*this,
                      QStringLiteral("SELECT 1 FROM pragma_table_info('Songs') WHERE name = ?"));
    column.BindUtf8(1, QByteArray(name));
    return column.Step();
}

bool CDatabase::CheckSchema()
{
    qint64 id = 0, count = 0, all = 0;
    try {
        CStatement app(*this, QStringLiteral("PRAGMA application_id"));
        id = app.Step() ? app.Int(0) : 0;
        CStatement tables(*this, QStringLiteral("SELECT count(type='table' AND name IN "
                                                "('Songs','ExcludeList') OR NULL), count(*) "
                                                "FROM sqlite_master"));
        if (tables.Step()) {
            count = tables.Int(0);
            all = tables.Int(1);
        }
    } catch (const CDbException& e) {
        // Only a file SQLite cannot read as a database is not ours; locks and I/O are not.
        const int code = sqlite3_errcode(m_db) & 0xff;
        if (code != SQLITE_NOTADB && code != SQLITE_CORRUPT)
            throw CDbException(
                QStringLiteral("Cannot open the song database %1: %2").arg(m_path, e.Message()));
        throw CDbException(
            QStringLiteral("%1 is not a Cratewise song database (%2).").arg(m_path, e.Message()));
    }
    // Nothing in it yet: a program started at the same time has only begun to make it.
    if (id == 0 && all == 0)
        return false;
    if (id != kApplicationId || count != 2)
        throw CDbException(QStringLiteral("%1 is not a Cratewise song database.").arg(m_path));
    return true;
}

void CDatabase::ExecIndexes()
{
    Exec(CSchemaSql::kIndexes);
    InstallFoldTriggers();
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

QString CDatabase::NewerLayoutNotice() const
{
    if (m_newerLayout == 0)
        return {};
    return QStringLiteral("%1 was written by a newer Cratewise (layout %2; this one knows layouts "
                          "up to %3): it is opened for reading only, and nothing is written to "
                          "it.")
        .arg(m_path)
        .arg(m_newerLayout)
        .arg(kSchemaVersion);
}

CDatabase::CTransaction::CTransaction(CDatabase& db) : m_db(db)
{
    if (const QString notice = m_db.NewerLayoutNotice(); !notice.isEmpty())
        throw CDbException(notice);
    m_db.ExecWrite("BEGIN IMMEDIATE");
    m_db.ReadFolding(); // what this write folds, as another process may have changed it
}

CDatabase::CTransaction::~CTransaction()
{
    Rollback();
}

void CDatabase::CTransaction::Rollback()
{
    if (!m_done && m_db.IsOpen())
        sqlite3_exec(m_db.Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    m_done = true;
}

void CDatabase::CTransaction::Commit()
{
    m_db.IndexStagedSongs();
    m_db.ExecWrite("COMMIT");
    m_done = true;
}

void CDatabase::ExecWrite(const char* sql)
{
    try {
        Exec(sql);
    } catch (const CDbException& e) {
        throw WriteFailure(e);
    }
}

CDbException CDatabase::WriteFailure(const CDbException& e) const
{
    // The database's own words (a full disk, another program's lock) name no file.
    return CDbException(
        QStringLiteral("Cannot write the song database %1: %2").arg(m_path, e.Message()));
}
