#pragma once

#include <QByteArray>

class CDatabase;

// The triggers through which another tool's change of a text keeps its folded copy, and its
// new row gets its copies, in the tool's own write. SQLite's own lower() folds only ASCII, so a
// text holding more is folded character by character through the table Folding (each
// character whose folded form differs, as the program folds it); bytes that are not UTF-8 fold
// as the program reads them. A text longer than kLongest characters loses its copy instead,
// and the next open folds it again.
class CFoldTriggers
{
public:
    static constexpr int kLongest = 1000;
    // The characters the table holds: every one from the end of ASCII up to here.
    static constexpr char32_t kLastFolded = 0x1FFFF;

    // Makes the table (filling it when it is not complete) and the triggers when missing.
    static void Install(CDatabase& db);
    // Drops the triggers (of an older layout).
    static QByteArray DropSql();
};
