#pragma once

#include <QString>
#include <functional>
#include <string_view>

class CDatabase;

// A read of every song on two reading connections at once, for the second core: the songs
// are parted into ranges of what the query's index is ordered by (the ID for the table
// itself), and each connection takes the next range left. Every visit is made on the
// calling thread, so the visitor needs no lock; rows come in no set order.
class CSplitScan
{
public:
    using Visit = std::function<void(qint64 id, const std::string_view* texts)>;

    // Fewer songs than this are read faster than a second connection opens.
    static constexpr qint64 kMinRows = 100000;

    // `select` reads "ID, <columns>" of every song, without a condition. False, having
    // visited nothing, when the read is not worth splitting (few songs, one core, a write
    // of `db` not yet committed, which other connections cannot see, a file they cannot
    // open): the caller reads on `db` alone.
    static bool Run(CDatabase& db, const QString& select, int columns, const Visit& visit,
                    qint64 minRows = kMinRows);
};
