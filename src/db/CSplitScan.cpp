#include "db/CSplitScan.h"

#include "db/CDatabase.h"

#include <QRegularExpression>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <sqlite3.h>
#include <system_error>
#include <thread>

namespace {

constexpr size_t kChunkRows = 4096;
// Chunks waiting for the caller at most: a few megabytes, whatever the catalogue's size.
constexpr size_t kMaxChunks = 16;
// This connection visits what the other has read every so many rows of its own.
constexpr size_t kDrainEvery = 1024;
// Rows sampled, evenly by ID, to part the songs into ranges of about one size, and the
// ranges: the two readers take them in turn, so the faster one is never left idle.
constexpr int kSamples = 64;
constexpr size_t kParts = 8;

// Rows of the other reader: their IDs, and every cell's bytes one after another.
struct SChunk
{
    std::vector<qint64> ids;
    std::string bytes;
    std::vector<size_t> ends; // each cell's end in bytes, row by row
};

// What passes from the other reader to the caller.
class CChunkQueue
{
public:
    // False once the caller no longer listens.
    bool Push(SChunk&& chunk)
    {
        std::unique_lock lock(m_mutex);
        m_room.wait(lock, [&] { return m_chunks.size() < kMaxChunks || m_stopped; });
        if (m_stopped)
            return false;
        m_chunks.push_back(std::move(chunk));
        m_ready.notify_one();
        return true;
    }
    void Finish(const QString& error)
    {
        const std::lock_guard lock(m_mutex);
        m_finished = true;
        m_error = error;
        m_ready.notify_one();
    }
    void Stop()
    {
        const std::lock_guard lock(m_mutex);
        m_stopped = true;
        m_room.notify_one();
    }
    // The next chunk; none when there is none yet (unless asked to wait) or any more.
    std::optional<SChunk> Pop(bool wait)
    {
        std::unique_lock lock(m_mutex);
        if (wait)
            m_ready.wait(lock, [&] { return !m_chunks.empty() || m_finished; });
        if (m_chunks.empty())
            return std::nullopt;
        SChunk chunk = std::move(m_chunks.front());
        m_chunks.pop_front();
        m_room.notify_one();
        return chunk;
    }
    // A chunk visited, for the other reader to fill again: its memory stays that thread's
    // and is used over and over, instead of a new chunk for every few thousand rows.
    void Recycle(SChunk&& chunk)
    {
        chunk.ids.clear();
        chunk.bytes.clear();
        chunk.ends.clear();
        const std::lock_guard lock(m_mutex);
        m_spare.push_back(std::move(chunk));
    }
    SChunk Fresh()
    {
        const std::lock_guard lock(m_mutex);
        if (m_spare.empty())
            return {};
        SChunk chunk = std::move(m_spare.back());
        m_spare.pop_back();
        return chunk;
    }
    // After the last chunk: the other reader's failure.
    QString Error() const
    {
        const std::lock_guard lock(m_mutex);
        return m_error;
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_ready, m_room;
    std::deque<SChunk> m_chunks;
    std::vector<SChunk> m_spare;
    bool m_finished = false, m_stopped = false;
    QString m_error;
};

using Value = std::unique_ptr<sqlite3_value, decltype(&sqlite3_value_free)>;

// The column the query's rows come ordered by: the first of the index it reads, the ID for
// the table itself; empty for any other plan.
QString LeadColumn(CDatabase& db, const QString& select)
{
    CStatement plan(db, QLatin1String("EXPLAIN QUERY PLAN ") + select);
    if (!plan.Step())
        return {};
    const QString detail = plan.Text(3);
    if (plan.Step())
        return {}; // more than one step: not a plain read
    if (detail == QLatin1String("SCAN Songs"))
        return QStringLiteral("ID");
    static const QRegularExpression index(
        QStringLiteral("^SCAN Songs USING (?:COVERING )?INDEX (\\w+)$"));
    const QRegularExpressionMatch match = index.match(detail);
    if (!match.hasMatch())
        return {};
    CStatement info(db, QStringLiteral("PRAGMA index_info(%1)").arg(match.captured(1)));
    return info.Step() && !info.IsNull(2) ? info.Text(2) : QString();
}

using Values = std::vector<Value>;

// Values of the lead column that part the songs into about kParts ranges of one size, in
// order; none when the songs are too few to part.
Values Bounds(CDatabase& db, const QString& lead, qint64 minRows)
{
    // Apart: together, SQLite would read every row for the two.
    CStatement range(db, QStringLiteral("SELECT (SELECT min(ID) FROM Songs), "
                                        "(SELECT max(ID) FROM Songs)"));
    if (!range.Step() || range.IsNull(0) || range.Int(1) - range.Int(0) < minRows)
        return {};
    CStatement sample(db, QStringLiteral("WITH RECURSIVE k(i) AS (SELECT 0 UNION ALL SELECT i + 1 "
                                         "FROM k WHERE i < %1) SELECT v FROM (SELECT (SELECT "
                                         "\"%2\" FROM Songs WHERE ID >= ?1 + i * (?2 - ?1) / %1 "
                                         "ORDER BY ID LIMIT 1) AS v FROM k) WHERE v IS NOT NULL "
                                         "ORDER BY v")
                              .arg(kSamples)
                              .arg(lead));
    sample.BindInt(1, range.Int(0)).BindInt(2, range.Int(1));
    Values sampled;
    while (sample.Step())
        sampled.emplace_back(sqlite3_value_dup(sqlite3_column_value(sample.Handle(), 0)),
                             &sqlite3_value_free);
    Values bounds;
    for (size_t part = 1; part < kParts && sampled.size() >= kParts; ++part)
        bounds.push_back(std::move(sampled[part * sampled.size() / kParts]));
    return bounds;
}

// The condition of one range between the bounds, its values bound from ?1.
QString RangeSql(const QString& lead, size_t part, size_t parts)
{
    QString sql = QStringLiteral(" WHERE ");
    if (part == 0)
        return sql + QStringLiteral("\"%1\" < ?1").arg(lead);
    sql += QStringLiteral("\"%1\" >= ?1").arg(lead);
    return part + 1 < parts ? sql + QStringLiteral(" AND \"%1\" < ?2").arg(lead) : sql;
}

void BindRange(CStatement& s, const Values& bounds, size_t part)
{
    if (part > 0)
        sqlite3_bind_value(s.Handle(), 1, bounds[part - 1].get());
    if (part < bounds.size())
        sqlite3_bind_value(s.Handle(), part > 0 ? 2 : 1, bounds[part].get());
}

// The ranges still to be read: this connection takes them from the first on, the other
// reader from the last back, so that the faster of the two reads more.
class CRanges
{
public:
    explicit CRanges(size_t count) : m_end(count) {}
    std::optional<size_t> TakeFirst()
    {
        const std::lock_guard lock(m_mutex);
        return m_next < m_end ? std::optional<size_t>(m_next++) : std::nullopt;
    }
    std::optional<size_t> TakeLast()
    {
        const std::lock_guard lock(m_mutex);
        return m_next < m_end ? std::optional<size_t>(--m_end) : std::nullopt;
    }

private:
    std::mutex m_mutex;
    size_t m_next = 0, m_end;
};

struct SQuery
{
    QString select, lead;
    Values bounds;
    int columns = 0;
};

// The other reader: ranges from the last back, in chunks. One that cannot open takes no
// range: this connection reads them all.
void ReadOthers(const QString& path, const SQuery& query, CRanges& ranges, CChunkQueue& queue)
{
    QString error;
    try {
        CDatabase reader;
        try {
            reader.OpenForReading(path, CDatabase::EReader::Private);
        } catch (const CDbException&) {
            queue.Finish({});
            return;
        }
        SChunk chunk;
        while (const std::optional<size_t> part = ranges.TakeLast()) {
            CStatement s(reader,
                         query.select + RangeSql(query.lead, *part, query.bounds.size() + 1));
            BindRange(s, query.bounds, *part);
            while (s.Step()) {
                chunk.ids.push_back(s.Int(0));
                for (int c = 1; c <= query.columns; ++c) {
                    chunk.bytes.append(s.Bytes(c));
                    chunk.ends.push_back(chunk.bytes.size());
                }
                if (chunk.ids.size() == kChunkRows) {
                    if (!queue.Push(std::move(chunk)))
                        return;
                    chunk = queue.Fresh();
                }
            }
        }
        if (!chunk.ids.empty() && !queue.Push(std::move(chunk)))
            return;
    } catch (const CDbException& e) {
        error = e.Message();
    } catch (const std::exception& e) {
        error = QString::fromUtf8(e.what());
    }
    queue.Finish(error);
}

// Stops the other reader and waits for it, however the caller's read ends.
class CJoin
{
public:
    CJoin(CChunkQueue& queue, std::thread& thread) : m_queue(queue), m_thread(thread) {}
    ~CJoin()
    {
        m_queue.Stop();
        if (m_thread.joinable())
            m_thread.join();
    }
    CJoin(const CJoin&) = delete;
    CJoin& operator=(const CJoin&) = delete;

private:
    CChunkQueue& m_queue;
    std::thread& m_thread;
};

} // namespace

bool CSplitScan::Run(CDatabase& db, const QString& select, int columns, const Visit& visit,
                     qint64 minRows)
{
    if (std::thread::hardware_concurrency() < 2 || !sqlite3_get_autocommit(db.Handle()) ||
        db.Path().isEmpty())
        return false;
    // This half too is read on a connection of its own: no lock at every call, and the
    // pages of a read of every song do not push the window's from its connection's cache.
    CDatabase own;
    SQuery query{select, {}, {}, columns};
    try {
        own.OpenForReading(db.Path(), CDatabase::EReader::Private);
        query.lead = LeadColumn(own, select);
        if (!query.lead.isEmpty())
            query.bounds = Bounds(own, query.lead, minRows);
    } catch (const CDbException&) {
        return false; // read on `db`, which says what is wrong if anything is
    }
    if (query.bounds.empty())
        return false;
    CChunkQueue queue;
    CRanges ranges(query.bounds.size() + 1);
    std::vector<std::string_view> texts(static_cast<size_t>(columns));
    const auto visitChunk = [&](const SChunk& chunk) {
        size_t cell = 0, at = 0;
        for (const qint64 id : chunk.ids) {
            for (std::string_view& text : texts) {
                text = std::string_view(chunk.bytes).substr(at, chunk.ends[cell] - at);
                at = chunk.ends[cell++];
            }
            visit(id, texts.data());
        }
    };
    const auto drain = [&](bool wait) {
        while (std::optional<SChunk> chunk = queue.Pop(wait)) {
            visitChunk(*chunk);
            queue.Recycle(std::move(*chunk));
        }
    };
    const auto readHere = [&](const QString& where, std::optional<size_t> part) {
        CStatement s(own, select + where);
        if (part)
            BindRange(s, query.bounds, *part);
        for (size_t n = 1; s.Step(); ++n) {
            for (int c = 0; c < columns; ++c)
                texts[size_t(c)] = s.Bytes(c + 1);
            visit(s.Int(0), texts.data());
            if (n % kDrainEvery == 0)
                drain(false);
        }
    };
    {
        std::thread other;
        try {
            other = std::thread([&, path = db.Path()] { ReadOthers(path, query, ranges, queue); });
        } catch (const std::system_error&) {
            queue.Finish({}); // no thread to be had: this connection reads every range
        }
        const CJoin join(queue, other);
        while (const std::optional<size_t> part = ranges.TakeFirst())
            readHere(RangeSql(query.lead, *part, query.bounds.size() + 1), part);
        if (query.lead != QLatin1String("ID")) // a copy still to be made
            readHere(QStringLiteral(" WHERE \"%1\" IS NULL").arg(query.lead), std::nullopt);
        drain(true);
    }
    // What the other reader read up to a failure is visited: the read as a whole failed.
    if (const QString error = queue.Error(); !error.isEmpty())
        throw CDbException(error);
    return true;
}
