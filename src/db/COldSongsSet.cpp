#include "db/COldSongsSet.h"

#include "db/CDatabase.h"
#include "platform/CFileNames.h"

#include <sqlite3.h>

namespace {

using ELayout = COldSongsSet::ELayout;

// Every column a layout binds, so that a table lacking one does not open in it.
const char* Columns(ELayout layout)
{
    switch (layout) {
    case ELayout::Version28:
        return "[ID], [LIST], [CD], [PATH], [MELODI], [TITLE], [ARTIST], [ALBUM], [GENRE], "
               "[YEAR], [LYRICS], [BITRATE], [COMMENT], [DURATION], [EXTENDED1], [EXTENDED2]";
    case ELayout::Version25:
        return "[ID], [LIST], [CD], [PATH], [MELODI], [TITLE], [ARTIST], [ALBUM], [GENRE], "
               "[YEAR], [LYRICS]";
    case ELayout::Version2:
        return "[ID], [CD], [PATH], [MELODI], [TITLE], [ARTIST], [ALBUM], [GENRE], [YEAR]";
    }
    return "";
}

QString Text(sqlite3_stmt* s, int column)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s, column));
    return text ? QString::fromUtf8(text, sqlite3_column_bytes(s, column)) : QString();
}

} // namespace

COldSongsSet::~COldSongsSet()
{
    Close();
}

void COldSongsSet::Close()
{
    sqlite3_finalize(m_walk);
    m_walk = nullptr;
    if (m_db)
        sqlite3_close_v2(m_db);
    m_db = nullptr;
    m_eof = true;
}

void COldSongsSet::Fail()
{
    const QString message = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString();
    const int code = m_db ? sqlite3_errcode(m_db) & 0xff : SQLITE_NOMEM;
    m_locked = code == SQLITE_BUSY || code == SQLITE_LOCKED;
    Close();
    throw CDbException(message.isEmpty() ? QStringLiteral("out of memory") : message);
}

void COldSongsSet::Open(const QString& path, ELayout layout)
{
    Close();
    m_layout = layout;
    if (sqlite3_open_v2(CFileNames::Encode(path).constData(), &m_db, SQLITE_OPEN_READONLY,
                        nullptr) != SQLITE_OK)
        Fail();
    sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
    // Preparing reads the schema: a file that is no database, a locked one and a table of
    // another layout all fail here.
    const QByteArray sql =
        QByteArray("SELECT ") + Columns(layout) + " FROM [Songs] ORDER BY [CD], [ID]";
    if (sqlite3_prepare_v2(m_db, sql.constData(), -1, &m_walk, nullptr) != SQLITE_OK)
        Fail();
}

qint64 COldSongsSet::GetRecordCount()
{
    sqlite3_stmt* count = nullptr;
    if (sqlite3_prepare_v2(m_db, "SELECT count(*) FROM [Songs]", -1, &count, nullptr) != SQLITE_OK)
        Fail();
    const int rc = sqlite3_step(count);
    const qint64 rows = rc == SQLITE_ROW ? sqlite3_column_int64(count, 0) : 0;
    sqlite3_finalize(count);
    if (rc != SQLITE_ROW)
        Fail();
    return rows;
}

void COldSongsSet::MoveFirst()
{
    sqlite3_reset(m_walk);
    Fetch();
}

void COldSongsSet::MoveNext()
{
    if (!m_eof)
        Fetch();
}

void COldSongsSet::Fetch()
{
    const int rc = sqlite3_step(m_walk);
    if (rc == SQLITE_DONE) {
        m_eof = true;
        return;
    }
    if (rc != SQLITE_ROW)
        Fail();
    m_eof = false;
    m_row = SSong();
    int c = 1; // after ID, which nothing carries over
    if (m_layout != ELayout::Version2)
        m_row.m_LIST = Text(m_walk, c++);
    for (QString* field : {&m_row.m_CD, &m_row.m_PATH, &m_row.m_MELODI, &m_row.m_TITLE,
                           &m_row.m_ARTIST, &m_row.m_ALBUM, &m_row.m_GENRE, &m_row.m_YEAR})
        *field = Text(m_walk, c++);
    if (m_layout == ELayout::Version2)
        return;
    m_row.m_LYRICS = Text(m_walk, c++);
    if (m_layout == ELayout::Version25)
        return;
    m_row.m_BITRATE = Text(m_walk, c++);
    m_row.m_COMMENT = Text(m_walk, c++);
    m_row.m_DURATION = Text(m_walk, c++);
}
