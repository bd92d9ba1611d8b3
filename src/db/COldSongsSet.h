#pragma once

#include "db/SSong.h"

#include <QString>

struct sqlite3;
struct sqlite3_stmt;

// The song table of a database written by an earlier version, read in one of its three
// layouts and sorted by session. The file is only read, never changed.
class COldSongsSet
{
public:
    enum class ELayout
    {
        Version28, // the current columns without USE
        Version25, // ID, LIST, CD, PATH, MELODI, TITLE, ARTIST, ALBUM, GENRE, YEAR, LYRICS
        Version2,  // ID, CD, PATH, MELODI, TITLE, ARTIST, ALBUM, GENRE, YEAR
    };
    // How long a read waits for another program's write to the old file (milliseconds).
    static constexpr int kBusyTimeoutMs = 2000;

    COldSongsSet() = default;
    ~COldSongsSet();
    COldSongsSet(const COldSongsSet&) = delete;
    COldSongsSet& operator=(const COldSongsSet&) = delete;

    // Opens the file's table Songs in this layout. Throws CDbException when the file
    // cannot be read, is no database, is locked, or its table lacks a column of the layout.
    void Open(const QString& path, ELayout layout);
    void Close();
    ELayout Layout() const { return m_layout; }
    // The last failure was another program's lock, which no other layout gets past either.
    bool WasLocked() const { return m_locked; }

    qint64 GetRecordCount();
    // Positions on the first row; IsEOF when there is none. Throws CDbException.
    void MoveFirst();
    void MoveNext();
    bool IsEOF() const { return m_eof; }
    // The current row; the columns the layout lacks stay empty, ID and USE are 0.
    const SSong& Row() const { return m_row; }

private:
    void Fetch();
    [[noreturn]] void Fail();

    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_walk = nullptr;
    ELayout m_layout = ELayout::Version28;
    bool m_eof = true;
    bool m_locked = false;
    SSong m_row;
};
