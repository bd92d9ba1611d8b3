#pragma once

#include "db/CSongColumns.h"

#include <QString>
#include <QVariantList>
#include <vector>

// A condition on the song table. Column names come from the fixed column list and every
// value is bound as a parameter, so names with quotes, percent signs, backslashes or any
// other character are compared as they are, never read as SQL.
class CFilter
{
public:
    CFilter() = default; // no condition: every row

    // Equal, ignoring letter case (as the database compares).
    static CFilter Equals(ESongColumn column, const QString& value);
    // Equal byte for byte (session names: "Rock" and "rock" are two sessions).
    static CFilter Exactly(ESongColumn column, const QString& value);
    // The column's first n characters equal the n characters of value, ignoring case.
    static CFilter Prefix(ESongColumn column, const QString& value);
    // The substring index's query for songs whose folded copy of one of the columns
    // (TITLE, ARTIST, ALBUM, MELODI) holds the folded value: exact for values IsIndexable
    // accepts. Queries join with " AND ".
    static QString TextQuery(const std::vector<ESongColumn>& columns, const QString& value);
    static bool IsIndexable(const QString& value);
    // The songs a TextQuery finds; Contains, those of one query.
    static CFilter Matches(const QString& textQuery);
    static CFilter Contains(const std::vector<ESongColumn>& columns, const QString& value)
    {
        return Matches(TextQuery(columns, value));
    }
    // The songs whose name in the list is not their title (read through an index of them).
    static CFilter ListNamed() { return CFilter(QStringLiteral("LIST <> TITLE"), {}); }
    // The songs of a list of IDs, however long, in one bound value.
    static CFilter IdIn(const std::vector<qint64>& ids);

    CFilter And(const CFilter& other) const { return Join(other, " AND "); }
    CFilter Or(const CFilter& other) const { return Join(other, " OR "); }

    bool IsEmpty() const { return m_sql.isEmpty(); }
    // The WHERE clause without the word WHERE, with '?' for every value.
    const QString& Sql() const { return m_sql; }
    const QVariantList& Values() const { return m_values; }

    bool operator==(const CFilter& other) const
    {
        return m_sql == other.m_sql && m_values == other.m_values;
    }

private:
    CFilter(QString sql, QVariantList values) : m_sql(std::move(sql)), m_values(std::move(values))
    {}
    CFilter Join(const CFilter& other, const char* op) const;

    QString m_sql;
    QVariantList m_values;
};
