#pragma once

#include <QString>
#include <QVariant>
#include <stdexcept>

struct sqlite3;
struct sqlite3_stmt;

// A database failure, carrying the message the user sees.
class CDbException : public std::runtime_error
{
public:
    explicit CDbException(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {}
    const QString& Message() const { return m_message; }

private:
    QString m_message;
};

// The connection to the song database (SQLite, WAL mode). Opening creates the file with
// the schema when it is missing and refuses files that are not Cratewise databases.
// Every connection registers the collation "UNOCASE", which ignores letter case for all
// of Unicode.
class CDatabase
{
public:
    static constexpr int kSchemaVersion = 3;
    static constexpr int kApplicationId = 0x43725745; // "CrWE"
    // How long a write waits for another process's write (about, in milliseconds).
    static constexpr int kBusyTimeoutMs = 10000;

    CDatabase() = default;
    ~CDatabase();
    CDatabase(const CDatabase&) = delete;
    CDatabase& operator=(const CDatabase&) = delete;

    // Throws CDbException with a message naming the file when it cannot be used.
    void Open(const QString& path);
    void Close();
    bool IsOpen() const { return m_db != nullptr; }
    const QString& Path() const { return m_path; }
    sqlite3* Handle() const { return m_db; }

    void Exec(const char* sql);
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
        CTransaction(const CTransaction&) = delete;
        CTransaction& operator=(const CTransaction&) = delete;

    private:
        CDatabase& m_db;
        bool m_done = false;
    };

    // Case-insensitive comparison of two UTF-8 texts, as the database makes it.
    static int CompareNoCase(const char* a, int na, const char* b, int nb);

private:
    void Configure();
    void CreateSchema();
    void CheckSchema();

    sqlite3* m_db = nullptr;
    QString m_path;
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
    CStatement& BindInt(int index, qint64 value);
    // Steps once: true while a row is available.
    bool Step();
    void Reset();
    QString Text(int column) const;
    qint64 Int(int column) const;
    bool IsNull(int column) const;
    sqlite3_stmt* Handle() const { return m_stmt; }

private:
    CDatabase& m_db;
    sqlite3_stmt* m_stmt = nullptr;
};
