#include "db/CFilter.h"

namespace {

struct SColumnInfo
{
    const char* name;
    const char* sql;
    int maxLength;
};

constexpr SColumnInfo kColumns[CSongColumns::kCount] = {
    {"ID", "ID", 0},
    {"CD", "CD", 255},
    {"LIST", "LIST", 255},
    {"PATH", "PATH", 255},
    {"MELODI", "MELODI", 255},
    {"TITLE", "TITLE", 255},
    {"ARTIST", "ARTIST", 255},
    {"ALBUM", "ALBUM", 255},
    {"GENRE", "GENRE", 255},
    {"YEAR", "YEAR", 255},
    {"LYRICS", "LYRICS", 5000},
    {"BITRATE", "BITRATE", 255},
    {"COMMENT", "COMMENT", 255},
    {"DURATION", "DURATION", 255},
    {"USE", "[USE]", 0},
    {"EXTENDED1", "EXTENDED1", 255},
    {"EXTENDED2", "EXTENDED2", 255},
};

const SColumnInfo& Info(ESongColumn column)
{
    return kColumns[static_cast<int>(column)];
}

} // namespace

const char* CSongColumns::SqlName(ESongColumn column)
{
    return Info(column).sql;
}

const char* CSongColumns::Name(ESongColumn column)
{
    return Info(column).name;
}

int CSongColumns::MaxLength(ESongColumn column)
{
    return Info(column).maxLength;
}

CFilter CFilter::Equals(ESongColumn column, const QString& value)
{
    return CFilter(
        QStringLiteral("%1 = ? COLLATE UNOCASE").arg(QLatin1String(CSongColumns::SqlName(column))),
        {value});
}

CFilter CFilter::Exactly(ESongColumn column, const QString& value)
{
    return CFilter(
        QStringLiteral("%1 = ? COLLATE BINARY").arg(QLatin1String(CSongColumns::SqlName(column))),
        {value});
}

CFilter CFilter::Prefix(ESongColumn column, const QString& value)
{
    const QLatin1String name(CSongColumns::SqlName(column));
    // substr() counts characters, as the criterion's length does.
    const qint64 length = value.toUcs4().size();
    if (value.isEmpty())
        return CFilter(QStringLiteral("substr(%1, 1, ?) = ? COLLATE UNOCASE").arg(name),
                       {length, value});
    // UNOCASE orders texts by their case-folded characters, so the texts that begin with
    // the value lie between it and the value followed by the highest character: a range
    // an index on the column can serve. The substr() test stays the exact condition.
    // The likelihood hints tell the planner that a prefix is selective; without them it
    // prefers a table scan over several indexes joined by OR.
    const QString above = value + QChar(0xFFFF);
    return CFilter(QStringLiteral("likelihood(%1 >= ? COLLATE UNOCASE, 0.05) AND "
                                  "likelihood(%1 < ? COLLATE UNOCASE, 0.05) AND "
                                  "substr(%1, 1, ?) = ? COLLATE UNOCASE")
                       .arg(name),
                   {value, above, length, value});
}

CFilter CFilter::IdEquals(qint64 id)
{
    return CFilter(QStringLiteral("ID = ?"), {id});
}

CFilter CFilter::Join(const CFilter& other, const char* op) const
{
    if (IsEmpty())
        return other;
    if (other.IsEmpty())
        return *this;
    QVariantList values = m_values;
    values += other.m_values;
    return CFilter(u'(' + m_sql + u')' + QLatin1String(op) + u'(' + other.m_sql + u')',
                   std::move(values));
}
