#pragma once

#include <QString>
#include <functional>
#include <string_view>

class CDatabase;

// A read of every song on two connections at once, for the second core: this connection
// reads the rows below a middle value of what the query's index is ordered by (the ID for
// the table itself), a reader of its own the others. Every visit is made on the calling
// thread, so the visitor needs no lock; rows come in no set order.
class CSplitScan
{
public:
    using Visit = std::function<void(qint64 id, const std::string_view* texts)>;

    // Fewer songs than this are read faster than a second connection opens.
    static constexpr qint64 kMinRows = 100000;

    // `select` reads "ID, <columns>" of every song, without a condition. False, having
    // visited nothing, when the read is not worth splitting (few songs, one core, a write
    // not yet committed that a second connection could not see): the caller reads alone.
    static bool Run(CDatabase& db, const QString& select, int columns, const Visit& visit,
                    qint64 minRows = kMinRows);
};
