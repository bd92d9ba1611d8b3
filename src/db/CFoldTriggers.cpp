#include "db/CFoldTriggers.h"

#include "db/CDatabase.h"

#include <QString>

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

// Plain ASCII folds through lower(). Anything else goes a character at a time, the text
// rebuilt alongside from the characters SQLite read: where that differs from the text, it
// was not valid UTF-8 (which the program reads otherwise), and the copy is left to it.
QByteArray TriggersSql()
{
    static constexpr const char* kColumns[][2] = {{"Title", "TITLE"},
                                                  {"Artist", "ARTIST"},
                                                  {"Album", "ALBUM"},
                                                  {"File", "MELODI"},
                                                  {"Genre", "GENRE"}};
    QString sql;
    for (const auto& column : kColumns)
        sql += QStringLiteral(
                   "CREATE TRIGGER IF NOT EXISTS SongsFold%1 AFTER UPDATE OF %2 ON Songs\n"
                   "    WHEN NEW.%2 IS NOT OLD.%2\n"
                   "BEGIN UPDATE Songs SET %2_FOLDED = CASE\n"
                   "    WHEN NEW.%2 NOT GLOB '*[^ -~]*' THEN lower(NEW.%2)\n"
                   "    WHEN length(NEW.%2) > %3 THEN NULL\n"
                   "    ELSE (WITH RECURSIVE s(i, source, folded) AS (SELECT 1, '', '' UNION ALL\n"
                   "        SELECT i + 1, source || char(unicode(substr(NEW.%2, i, 1))),\n"
                   "            folded || coalesce((SELECT FOLDED FROM Folding\n"
                   "                WHERE CAPITAL = substr(NEW.%2, i, 1)),\n"
                   "                lower(substr(NEW.%2, i, 1)))\n"
                   "        FROM s WHERE i <= length(NEW.%2))\n"
                   "    SELECT CASE WHEN source = NEW.%2 THEN folded END FROM s\n"
                   "    ORDER BY i DESC LIMIT 1) END\n"
                   "WHERE ID = NEW.ID; END;\n")
                   .arg(QLatin1String(column[0]), QLatin1String(column[1]))
                   .arg(CFoldTriggers::kLongest);
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
           "DROP TRIGGER IF EXISTS SongsFoldGenre;";
}
