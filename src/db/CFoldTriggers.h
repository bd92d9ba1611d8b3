#pragma once

#include "db/CTextFold.h"

#include <QByteArray>
#include <QString>

// The triggers through which another tool's change of a text keeps its folded copy, and its
// new row gets its copies, in the tool's own write. SQLite's own lower() folds only ASCII, so a
// text holding more is folded character by character through the table Folding (each
// character whose folded form differs, as the program folds it: the table's content is how
// the catalogue folds, accents or not); bytes that are not UTF-8 fold
// as the program reads them. A text longer than kLongest characters loses its copy instead,
// and the next open folds it again.
class CFoldTriggers
{
public:
    static constexpr int kLongest = 1000;
    // The characters the table holds: every one from the end of ASCII up to here.
    static constexpr char32_t kLastFolded = CTextFold::kLastFolded;

    // Calls back every character past ASCII whose folded form differs from it, with that
    // form (empty for a mark that folds away), as CTextFold folds it in a text.
    template <typename F> static void ForEachFold(bool accents, F&& take)
    {
        for (char32_t c = 0x80; c <= kLastFolded; ++c) {
            const char32_t folded = CTextFold::Char(c, accents);
            if (folded == CTextFold::kDropped)
                take(c, QString());
            else if (folded != c)
                take(c, QString::fromUcs4(&folded, 1));
        }
    }
    // How many rows the complete table Folding has.
    static qint64 FoldCount(bool accents);
    // A character the table folds only when accents fold, and its form then: the table's
    // row of it tells how the catalogue folds.
    static constexpr const char* kAccentProbe = "é";
    static constexpr const char* kAccentProbeFolded = "e";
    // The table, and the triggers (TriggerCount() of them) that read it: the database makes
    // both (CDatabase), which this class does not know.
    static const char* TableSql();
    static QByteArray TriggersSql();
    static int TriggerCount();
    // Drops the triggers (of an older layout).
    static QByteArray DropSql();
};
