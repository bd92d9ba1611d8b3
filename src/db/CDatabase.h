#pragma once

#include "db/CTextFold.h"

#include <QString>
#include <QVariant>
#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;
struct sqlite3_mutex;

class CProgress;

// A database failure, carrying the message the user sees.
class CDbException : public std::runtime_error
{
public:
    explicit CDbException(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {}
    const QString& Message() const { return m_message; }
    // The same failure, naming on a line of its own what was being stored (a file, a folder).
    CDbException Naming(const QString& what) const
    {
        return CDbException(m_message + u'\n' + what);
    }

private:
    QString m_message;
};

// The connection to the song database (SQLite, WAL mode). Opening creates the file with
// the schema when it is missing and refuses files that are not Cratewise databases.
// Nothing of the program's own is in the schema, so any SQLite tool can read and write the
// file: case-insensitive lookups go through folded copies of TITLE, ARTIST, ALBUM, MELODI
// and GENRE (the *_FOLDED columns) that the program keeps. Another tool's insert or
// change gets them through triggers (CFoldTriggers), but for very long texts, which it
// leaves NULL: every open folds those rows again. Each connection also
// registers the collation "UNOCASE" for sorting in queries; no index or trigger uses it.
class CDatabase
{
public:
    static constexpr int kSchemaVersion = 13;
    // The oldest layout a read-only catalogue may have (it then has no covers).
    static constexpr int kOldestReadable = 5;
    // A conversion of this many songs or more shows its progress.
    static constexpr int kConversionShownFrom = 20000;
    static constexpr int kFoldBatch = 4096;
    // Songs taken into a substring index being made anew between two looks at the window.
    static constexpr int kIndexBatch = 32768;
    // Refolding this many rows changed by another program (about half a second) shows
    // its progress.
    static constexpr int kRefoldShownFrom = 8000;
    static constexpr int kApplicationId = 0x43725745; // "CrWE"
    // How long a write waits for another process's write (about, in milliseconds).
    static constexpr int kBusyTimeoutMs = 10000;

    CDatabase() = default;
    ~CDatabase();
    CDatabase(const CDatabase&) = delete;
    CDatabase& operator=(const CDatabase&) = delete;

    // Throws CDbException with a message naming the file when it cannot be used.
    // Makes the progress display shown while an older catalogue is converted, or many rows
    // changed by another program are folded again, at open.
    using ProgressFactory = std::function<std::unique_ptr<class CProgress>(const QString& caption)>;
    void Open(const QString& path, const ProgressFactory& conversionProgress = {});
    // Opens an existing catalogue of the current layout for reading only (on a read-only
    // mount, say): nothing is created, converted or folded. A private reader is one
    // thread's alone, beside a connection that may write the file: it is never read as a
    // file nobody changes, and SQLite takes no lock at its every call.
    enum class EReader
    {
        Shared,
        Private
    };
    void OpenForReading(const QString& path, EReader reader = EReader::Shared);
    void Close();
    bool IsOpen() const { return m_db != nullptr; }
    const QString& Path() const { return m_path; }
    sqlite3* Handle() const { return m_db; }
    // Whether the catalogue has the covers table (every one but an older read-only one).
    bool HasCovers() const { return m_hasCovers; }
    // Whether the song table has the track number (every one but an older read-only one).
    bool HasTrack() const { return m_hasTrack; }
    // A catalogue of a newer layout than this program's is opened for reading only: its
    // layout may need rules this program does not know. Empty for any other catalogue,
    // else the one message naming the file and both layouts; every write is refused
    // with it.
    QString NewerLayoutNotice() const;

    void Exec(const char* sql);
    // Begins or commits a write; a failure (a full disk, another program's lock) names the
    // catalogue, as WriteFailure does.
    void ExecWrite(const char* sql);
    // A failure to begin or commit a write, naming the catalogue.
    CDbException WriteFailure(const CDbException& e) const;
    QString LastError() const;
    qint64 LastInsertId() const;
    int Changes() const; // rows changed by the last statement

    // Groups many writes into one commit; rolls back unless Commit() was called.
    class CTransaction
    {
    public:
        explicit CTransaction(CDatabase& db);
        ~CTransaction();
        void Commit();
        // Ends it now, with nothing kept (the destructor does the same).
        void Rollback();
        CTransaction(const CTransaction&) = delete;
        CTransaction& operator=(const CTransaction&) = delete;

    private:
        CDatabase& m_db;
        bool m_done = false;
    };

    // Case-insensitive comparison of two UTF-8 texts, as the database makes it.
    static int CompareNoCase(const char* a, int na, const char* b, int nb);
    // How this catalogue folds: the form the *_FOLDED columns and the substring index hold
    // and searches compare with. Its table Folding says whether accents fold too, so that
    // every program and tool folds one file alike: read at the open and at the start of
    // every write, since another process may change it.
    CTextFold Folding() const { return CTextFold(m_foldAccents); }
    QString Fold(const QString& text) const { return Folding().Text(text); }
    QByteArray FoldedUtf8(const QString& text) const { return Folding().Utf8(text); }
    // Reads how the catalogue folds (after another process may have changed it).
    void ReadFolding();
    // Makes searches ignore accents or not: the table Folding refilled, every song's folded
    // copies made anew and the substring index rebuilt, in one transaction, one step of the
    // progress (SetRange by this) a batch. Cancel leaves it all as it was and throws.
    void SetFoldsAccents(bool on, CProgress* progress = nullptr);
    // The steps SetFoldsAccents takes.
    int RefoldSteps();
    // Held while the program inserts a new song: inside a transaction the song waits, with
    // the transaction's other new ones, for the substring index, which takes them all in
    // one statement (IndexStagedSongs) before the commit and before any lookup.
    [[nodiscard]] std::unique_lock<std::mutex> StageNewSong();
    void IndexStagedSongs();

private:
    void Configure();
    // False when the file holds tables already (another program made them meanwhile).
    bool CreateSchema();
    void OpenOnce(const QString& path, const ProgressFactory& conversionProgress);
    void ExecIndexes();
    // The table and the triggers that keep another tool's texts folded (CFoldTriggers).
    void InstallFoldTriggers();
    // The table Folding, filled for the way the catalogue folds.
    void FillFoldTable();
    // Every row's copies folded anew (the substring index and lookups dropped meanwhile).
    void RefoldAll(qint64 lastId, CProgress* progress);
    // False for a database with nothing in it; throws for one that is not a catalogue.
    bool CheckSchema();
    qint64 Version();
    // Layout 3 to the current one, in one transaction; throws naming the file.
    void Convert(const ProgressFactory& progressFactory);
    bool HasColumn(const char* name); // of the song table
    void FoldChangedRows(const ProgressFactory& progressFactory);
    // The refold of FoldChangedRows, in one transaction.
    void RefoldRows(qint64 rows, const ProgressFactory& progressFactory);
    // FoldRows with the substring index's merging held off meanwhile.
    void FoldRowsUnmerged(CProgress* progress);
    void FoldRows(CProgress* progress = nullptr);
    // Indexes the songs a mark left in the file holds.
    void IndexLeftSongs();
    // Fills the substring index just made, one step of the progress a batch.
    void BuildTextIndex(qint64 lastId, CProgress* progress);

    sqlite3* m_db = nullptr;
    QString m_path;
    bool m_refusedBusy = false; // the last open failed on another program's lock
    bool m_hasCovers = false;
    std::atomic<bool> m_foldAccents = false;
    bool m_hasTrack = false;
    qint64 m_newerLayout = 0; // the layout of a newer catalogue opened for reading
    // Whether new songs wait for the substring index. A scan stages from its storing thread
    // while the window's lookups index what waits; a rollback drops what waited.
    std::mutex m_staging;
    std::atomic<bool> m_staged = false;
};

// Holds the connection for this thread through a read of many rows: SQLite takes its lock
// at every call (a step, each column), and taken once here, each of those is a count on the
// thread's own lock instead (a fifth of a large sort's time). Another thread's call on the
// connection waits until the read ends; a visit inside must not wait for such a thread.
class CConnectionHold
{
public:
    explicit CConnectionHold(const CDatabase& db);
    ~CConnectionHold();
    CConnectionHold(const CConnectionHold&) = delete;
    CConnectionHold& operator=(const CConnectionHold&) = delete;

private:
    sqlite3_mutex* m_mutex;
};

// A prepared statement with bound values; finalised on destruction.
class CStatement
{
public:
    CStatement(CDatabase& db, const QString& sql);
    ~CStatement();
    CStatement(const CStatement&) = delete;
    CStatement& operator=(const CStatement&) = delete;

    CStatement& Bind(int index, const QVariant& value); // 1-based
    CStatement& BindText(int index, const QString& value);
    // UTF-8 text, kept by the statement until the parameter is bound again: no copy.
    CStatement& BindUtf8(int index, QByteArray utf8);
    CStatement& BindInt(int index, qint64 value);
    CStatement& BindBlob(int index, const QByteArray& bytes);
    // Steps once: true while a row is available.
    bool Step();
    void Reset();
    QString Text(int column) const;
    // The column's UTF-8 bytes, valid until the next step (empty for NULL).
    std::string_view Bytes(int column) const;
    qint64 Int(int column) const;
    QByteArray Blob(int column) const;
    bool IsNull(int column) const;
    sqlite3_stmt* Handle() const { return m_stmt; }

private:
    CDatabase& m_db;
    sqlite3_stmt* m_stmt = nullptr;
    std::vector<QByteArray> m_kept; // by parameter index
    // Whole numbers that Bytes gives as text, by column: written here, faster than
    // SQLite's own conversion, which a read of every song's track number pays a million times.
    mutable std::vector<std::array<char, 24>> m_numbers;
};
