// The prepared statement declared beside the connection in CDatabase.h.
#include "db/CDatabase.h"

#include <charconv>
#include <sqlite3.h>

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

CStatement& CStatement::BindBlob(int index, const QByteArray& bytes)
{
    sqlite3_bind_blob64(m_stmt, index, bytes.constData(), sqlite3_uint64(bytes.size()),
                        SQLITE_TRANSIENT);
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
    if (sqlite3_column_type(m_stmt, column) == SQLITE_INTEGER) {
        if (m_numbers.size() <= size_t(column))
            m_numbers.resize(size_t(column) + 1);
        std::array<char, 24>& number = m_numbers[size_t(column)];
        const auto written = std::to_chars(number.data(), number.data() + number.size(),
                                           sqlite3_column_int64(m_stmt, column));
        return std::string_view(number.data(), size_t(written.ptr - number.data()));
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
    return text ? std::string_view(text, size_t(sqlite3_column_bytes(m_stmt, column)))
                : std::string_view();
}

QByteArray CStatement::Blob(int column) const
{
    const void* data = sqlite3_column_blob(m_stmt, column);
    return data ? QByteArray(static_cast<const char*>(data), sqlite3_column_bytes(m_stmt, column))
                : QByteArray();
}

qint64 CStatement::Int(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

bool CStatement::IsNull(int column) const
{
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

CConnectionHold::CConnectionHold(const CDatabase& db) : m_mutex(sqlite3_db_mutex(db.Handle()))
{
    sqlite3_mutex_enter(m_mutex); // no lock when SQLite runs without them: nothing to do
}

CConnectionHold::~CConnectionHold()
{
    sqlite3_mutex_leave(m_mutex);
}
