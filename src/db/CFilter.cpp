#include "db/CFilter.h"

#include "db/CDatabase.h"

#include <QStringList>

namespace {

struct SColumnInfo
{
    const char* name;
    const char* sql;
    int maxLength;
    const char* folded = nullptr; // the column of its folded copy, when kept
};

constexpr SColumnInfo kColumns[CSongColumns::kCount] = {
    {"ID", "ID", 0},
    {"CD", "CD", 255},
    {"LIST", "LIST", 255},
    {"PATH", "PATH", 0}, // whole: any length the file system allows
    {"MELODI", "MELODI", 0, "MELODI_FOLDED"},
    {"TITLE", "TITLE", 0, "TITLE_FOLDED"},
    {"ARTIST", "ARTIST", 0, "ARTIST_FOLDED"},
    {"ALBUM", "ALBUM", 0, "ALBUM_FOLDED"},
    {"GENRE", "GENRE", 255, "GENRE_FOLDED"},
    {"YEAR", "YEAR", 255},
    {"LYRICS", "LYRICS", 5000},
    {"BITRATE", "BITRATE", 255},
    {"COMMENT", "COMMENT", 255},
    {"DURATION", "DURATION", 255},
    {"USE", "[USE]", 0},
    {"EXTENDED1", "EXTENDED1", 255},
    {"EXTENDED2", "EXTENDED2", 255},
    {"TRACK", "TRACK", 0},
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

const char* CSongColumns::FoldedName(ESongColumn column)
{
    return Info(column).folded;
}

int CSongColumns::MaxLength(ESongColumn column)
{
    return Info(column).maxLength;
}

int CSongColumns::KeptLength(ESongColumn column)
{
    switch (column) {
    case ESongColumn::YEAR:
        return 30;
    case ESongColumn::COMMENT:
        return 250;
    case ESongColumn::BITRATE:
    case ESongColumn::DURATION:
        return 50;
    case ESongColumn::LYRICS:
        return 5000;
    default:
        return 0;
    }
}

CFilter CFilter::Equals(ESongColumn column, const QString& value)
{
    // The folded copy's index finds the candidates; where the catalogue folds accents too,
    // the text itself tells "Café.mp3" from "Cafe.mp3".
    if (const char* folded = CSongColumns::FoldedName(column))
        return CFilter(
            QStringLiteral("%1 = cratewise_fold(?) AND %2 = ? COLLATE UNOCASE")
                .arg(QLatin1String(folded), QLatin1String(CSongColumns::SqlName(column))),
            {value, value});
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
    const char* folded = CSongColumns::FoldedName(column);
    if (value.isEmpty() || !folded) {
        // substr() counts characters, as the criterion's length does.
        const qint64 length = value.toUcs4().size();
        return CFilter(QStringLiteral("substr(%1, 1, ?) = ? COLLATE UNOCASE").arg(name),
                       {length, value});
    }
    // The folded texts that begin with the folded value lie between it and it followed by
    // a byte no UTF-8 text holds: exactly the range the index on the folded copy serves.
    // The value is folded by the connection, as the catalogue folds. The likelihood hints
    // tell the planner that a prefix is selective; without them it prefers a table scan over
    // several indexes joined by OR.
    return CFilter(QStringLiteral("likelihood(%1 >= cratewise_fold(?), 0.05) AND "
                                  "likelihood(%1 < cratewise_fold_end(?), 0.05)")
                       .arg(QLatin1String(folded)),
                   {value, value});
}

QString CFilter::TextQuery(const std::vector<ESongColumn>& columns, const QString& value)
{
    // The phrase is the value in FTS5's quotes; the whole query is a bound value, whose
    // phrases the connection folds as the catalogue folds (nothing folds into a quote).
    QString phrase = value;
    phrase.replace(u'"', QStringLiteral("\"\""));
    QStringList names;
    for (ESongColumn column : columns)
        names << QLatin1String(CSongColumns::FoldedName(column));
    return QStringLiteral("{%1} : \"%2\"").arg(names.join(u' '), phrase);
}

CFilter CFilter::Matches(const QString& textQuery)
{
    return CFilter(QStringLiteral("ID IN (SELECT rowid FROM SongsText WHERE SongsText MATCH "
                                  "cratewise_fold_phrases(?))"),
                   {textQuery});
}

CFilter CFilter::IdIn(const std::vector<qint64>& ids)
{
    QByteArray json = "[";
    for (const qint64 id : ids)
        json += QByteArray::number(id) + ',';
    if (!ids.empty())
        json.chop(1);
    json += ']';
    return CFilter(QStringLiteral("ID IN (SELECT value FROM json_each(?))"),
                   {QString::fromLatin1(json)});
}

bool CFilter::IsIndexable(const QString& value)
{
    // The trigram index answers only for three characters or more, counted as they are
    // when accents fold (marks of their own fold away; otherwise one for one).
    return CTextFold(true).Text(value).toUcs4().size() >= 3;
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
