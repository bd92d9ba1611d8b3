#include "db/CFoldTriggers.h"

#include <QString>
#include <QStringList>
#include <iterator>

qint64 CFoldTriggers::FoldCount(bool accents)
{
    const auto count = [](bool withAccents) {
        qint64 n = 0;
        ForEachFold(withAccents, [&n](char32_t, const QString&) { ++n; });
        return n;
    };
    static const qint64 counts[] = {count(false), count(true)};
    return counts[accents ? 1 : 0];
}

namespace {

// The folded form of a character `u` (an expression) SQLite read from valid UTF-8.
QString CharFoldSql(const QString& u)
{
    return QStringLiteral("coalesce((SELECT FOLDED FROM Folding WHERE CAPITAL = %1), lower(%1))")
        .arg(u);
}

// What the program reads in a step `u` of a text that is not valid UTF-8 (SQLite steps over a
// lead byte and all continuation bytes after it), folded: the character its first bytes make,
// where they make one, and U+FFFD for each other byte, as Qt decodes UTF-8. Qt takes the
// non-characters U+FFFE and U+FFFF, which SQLite reads as U+FFFD.
QString BrokenStepSql(const QString& u)
{
    return QStringLiteral(R"SQL((SELECT CASE WHEN ok
        THEN %2 || replace(hex(zeroblob(size - need)), '00', char(65533))
        ELSE replace(hex(zeroblob(size)), '00', char(65533)) END
    FROM (SELECT first, size, need, need > 0 AND size >= need
            AND (char(unicode(first)) = first OR first IN (char(65534), char(65535))) AS ok
        FROM (SELECT CAST(substr(bytes, 1, need) AS TEXT) AS first, length(bytes) AS size, need
            FROM (SELECT bytes, CASE WHEN lead BETWEEN 'C2' AND 'DF' THEN 2
                    WHEN lead BETWEEN 'E0' AND 'EF' THEN 3
                    WHEN lead BETWEEN 'F0' AND 'F4' THEN 4 ELSE 0 END AS need
                FROM (SELECT CAST(%1 AS BLOB) AS bytes,
                    hex(substr(CAST(%1 AS BLOB), 1, 1)) AS lead))))))SQL")
        .arg(u, CharFoldSql(QStringLiteral("first")));
}

// The folded copy of the text `text` (an expression), as the program folds what it reads.
// Plain ASCII folds through lower(); anything else goes a step at a time. The last step holds
// the whole text (picked by its number: sorting the steps cost a tenth of a bulk insert).
QString FoldSql(const QString& text)
{
    return QStringLiteral(
               "CASE WHEN %1 NOT GLOB '*[^ -~]*' THEN lower(%1)\n"
               "    WHEN length(%1) > %2 THEN NULL\n"
               "    ELSE (WITH RECURSIVE s(i, step, folded) AS (SELECT 1, substr(%1, 1, 1), ''\n"
               "        UNION ALL SELECT i + 1, substr(%1, i + 1, 1), folded ||\n"
               "            CASE WHEN char(unicode(step)) = step THEN %3 ELSE %4 END\n"
               "        FROM s WHERE i <= length(%1))\n"
               "    SELECT folded FROM s WHERE i > length(%1)) END")
        .arg(text, QString::number(CFoldTriggers::kLongest), CharFoldSql(QStringLiteral("step")),
             BrokenStepSql(QStringLiteral("step")));
}

// A changed text gets its new copy. A new row gets all of its copies in one write, unless it
// carries some: the program's own rows carry them all; a row of another tool that carries
// the title's waits for the refold (the substring index took it in with the copies it had). The
// fold of a new row runs in a trigger of a view of its own: SQLite readies the whole program of a
// row trigger for every row inserted, even one its condition passes over, and the program's own
// intake paid for the five folds at every song.
constexpr const char* kFoldedColumns[][2] = {{"Title", "TITLE"},
                                             {"Artist", "ARTIST"},
                                             {"Album", "ALBUM"},
                                             {"File", "MELODI"},
                                             {"Genre", "GENRE"}};
// One trigger a column, two for new rows.

} // namespace

QByteArray CFoldTriggers::TriggersSql()
{
    QString sql;
    QStringList lacking, copies;
    for (const auto& column : kFoldedColumns) {
        const QString name = QLatin1String(column[1]);
        sql += QStringLiteral("CREATE TRIGGER IF NOT EXISTS SongsFold%1\n"
                              "    AFTER UPDATE OF %2 ON Songs WHEN NEW.%2 IS NOT OLD.%2\n"
                              "BEGIN UPDATE Songs SET %2_FOLDED = %3 WHERE ID = NEW.ID; END;\n")
                   .arg(QLatin1String(column[0]), name, FoldSql(QStringLiteral("NEW.") + name));
        if (name != QLatin1String("TITLE"))
            lacking << QStringLiteral("NEW.%1_FOLDED IS NULL").arg(name);
        copies << QStringLiteral("%1_FOLDED = %2").arg(name, FoldSql(name));
    }
    sql +=
        QStringLiteral("CREATE VIEW IF NOT EXISTS SongsFoldNew AS SELECT ID FROM Songs WHERE 0;\n"
                       "CREATE TRIGGER IF NOT EXISTS SongsFoldNewRow INSTEAD OF INSERT ON "
                       "SongsFoldNew\n"
                       "BEGIN UPDATE Songs SET %1 WHERE ID = NEW.ID; END;\n"
                       "CREATE TRIGGER IF NOT EXISTS SongsFoldInserted AFTER INSERT ON Songs\n"
                       "    WHEN NEW.TITLE_FOLDED IS NULL AND (%2)\n"
                       "BEGIN INSERT INTO SongsFoldNew(ID) VALUES(NEW.ID); END;\n")
            .arg(copies.join(QLatin1String(",\n")), lacking.join(QLatin1String(" OR ")));
    return sql.toUtf8();
}

int CFoldTriggers::TriggerCount()
{
    return int(std::size(kFoldedColumns)) + 2;
}

const char* CFoldTriggers::TableSql()
{
    return "CREATE TABLE IF NOT EXISTS Folding(CAPITAL TEXT PRIMARY KEY, "
           "FOLDED TEXT NOT NULL) WITHOUT ROWID;";
}

QByteArray CFoldTriggers::DropSql()
{
    QByteArray sql;
    for (const auto& column : kFoldedColumns)
        sql += QByteArray("DROP TRIGGER IF EXISTS SongsFold") + column[0] + ";\n";
    // The view's own trigger goes with it.
    return sql + "DROP TRIGGER IF EXISTS SongsFoldInserted; DROP VIEW IF EXISTS SongsFoldNew;";
}
