#include "db/CFoldTriggers.h"

#include "db/CDatabase.h"

#include <QString>
#include <QStringList>

namespace {

// Calls back every character past ASCII whose folded form differs from it, with that form
// (QChar's folding is the one the program's QString folding makes of each character).
template <typename F> void ForEachFold(F&& take)
{
    for (char32_t c = 0x80; c <= CFoldTriggers::kLastFolded; ++c) {
        const char32_t folded = QChar::toCaseFolded(c);
        if (folded != c)
            take(c, folded);
    }
}

qint64 FoldCount()
{
    static const qint64 count = [] {
        qint64 n = 0;
        ForEachFold([&n](char32_t, char32_t) { ++n; });
        return n;
    }();
    return count;
}

constexpr const char* kTable = "CREATE TABLE IF NOT EXISTS Folding(CAPITAL TEXT PRIMARY KEY, "
                               "FOLDED TEXT NOT NULL) WITHOUT ROWID;";

void FillTable(CDatabase& db)
{
    {
        CStatement count(db, QStringLiteral("SELECT count(*) FROM Folding"));
        if (count.Step() && count.Int(0) == FoldCount())
            return;
    }
    // A savepoint: the open may be inside the transaction of a conversion.
    db.Exec("SAVEPOINT folding; DELETE FROM Folding;");
    CStatement insert(db, QStringLiteral("INSERT INTO Folding(CAPITAL, FOLDED) VALUES(?, ?)"));
    ForEachFold([&insert](char32_t c, char32_t folded) {
        insert.BindText(1, QString::fromUcs4(&c, 1)).BindText(2, QString::fromUcs4(&folded, 1));
        insert.Step();
        insert.Reset();
    });
    db.Exec("RELEASE folding");
}

// The folded copy of the text `text` (an expression). Plain ASCII folds through lower().
// Anything else goes a character at a time, the text rebuilt alongside from the characters
// SQLite read: where that differs from the text, it was not valid UTF-8 (which the program
// reads otherwise), and the copy is left to it. The last step of the walk holds the whole
// text (picked by its number: sorting the steps cost a tenth of a bulk insert).
QString FoldSql(const QString& text)
{
    return QStringLiteral(
               "CASE WHEN %1 NOT GLOB '*[^ -~]*' THEN lower(%1)\n"
               "    WHEN length(%1) > %2 THEN NULL\n"
               "    ELSE (WITH RECURSIVE s(i, source, folded) AS (SELECT 1, '', '' UNION ALL\n"
               "        SELECT i + 1, source || char(unicode(substr(%1, i, 1))),\n"
               "            folded || coalesce((SELECT FOLDED FROM Folding\n"
               "                WHERE CAPITAL = substr(%1, i, 1)),\n"
               "                lower(substr(%1, i, 1)))\n"
               "        FROM s WHERE i <= length(%1))\n"
               "    SELECT CASE WHEN source = %1 THEN folded END FROM s\n"
               "    WHERE i > length(%1)) END")
        .arg(text, QString::number(CFoldTriggers::kLongest));
}

// A changed text gets its new copy. A new row gets all of its copies in one write, unless it
// carries some: the program's own rows carry all but the title's, which it stores with the
// other new rows' at the commit; a row of another tool that carries the title's waits for
// the refold (the substring index took it in with the copies it had).
QByteArray TriggersSql()
{
    static constexpr const char* kColumns[][2] = {{"Title", "TITLE"},
                                                  {"Artist", "ARTIST"},
                                                  {"Album", "ALBUM"},
                                                  {"File", "MELODI"},
                                                  {"Genre", "GENRE"}};
    QString sql;
    QStringList lacking, copies;
    for (const auto& column : kColumns) {
        const QString name = QLatin1String(column[1]);
        const QString folded = FoldSql(QStringLiteral("NEW.") + name);
        sql += QStringLiteral("CREATE TRIGGER IF NOT EXISTS SongsFold%1\n"
                              "    AFTER UPDATE OF %2 ON Songs WHEN NEW.%2 IS NOT OLD.%2\n"
                              "BEGIN UPDATE Songs SET %2_FOLDED = %3 WHERE ID = NEW.ID; END;\n")
                   .arg(QLatin1String(column[0]), name, folded);
        if (name != QLatin1String("TITLE"))
            lacking << QStringLiteral("NEW.%1_FOLDED IS NULL").arg(name);
        copies << QStringLiteral("%1_FOLDED = %2").arg(name, folded);
    }
    sql += QStringLiteral("CREATE TRIGGER IF NOT EXISTS SongsFoldInserted AFTER INSERT ON Songs\n"
                          "    WHEN NEW.TITLE_FOLDED IS NULL AND (%1)\n"
                          "BEGIN UPDATE Songs SET %2 WHERE ID = NEW.ID; END;\n")
               .arg(lacking.join(QLatin1String(" OR ")), copies.join(QLatin1String(",\n")));
    return sql.toUtf8();
}

} // namespace

void CFoldTriggers::Install(CDatabase& db)
{
    db.Exec(kTable);
    FillTable(db);
    db.Exec(TriggersSql().constData());
}

const char* CFoldTriggers::DropSql()
{
    return "DROP TRIGGER IF EXISTS SongsFoldTitle; DROP TRIGGER IF EXISTS SongsFoldArtist; "
           "DROP TRIGGER IF EXISTS SongsFoldAlbum; DROP TRIGGER IF EXISTS SongsFoldFile; "
           "DROP TRIGGER IF EXISTS SongsFoldGenre; DROP TRIGGER IF EXISTS SongsFoldInserted;";
}
