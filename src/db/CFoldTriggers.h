#pragma once

#include <QByteArray>
#include <span>

// The triggers through which another tool's change of a text keeps its folded copy. SQLite's
// own lower() folds only ASCII, so each trigger first folds the common accented capitals
// with replace(); a text holding any other character that does not fold to itself loses
// its copy, and the next open folds it again.
class CFoldTriggers
{
public:
    // Characters a trigger folds as the program does: printable ASCII and these ranges
    // (taken from the program's own folding).
    struct SRange
    {
        char32_t first;
        char32_t last;
    };
    static std::span<const SRange> Accepted();

    // CREATE TRIGGER IF NOT EXISTS statements, one a folded column.
    static QByteArray CreateSql();
    static const char* DropSql();
};
