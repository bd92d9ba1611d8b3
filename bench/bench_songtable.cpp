// The song table at 100,000 and 1,000,000 songs: start-up work (open, session list and
// song count), FindSongById, walking every row, one session's filter-and-walk, the start
// after another tool changed rows, and the catalogue's size as the intake writes it.

#include "GenerateLibrary.h"
#include "db/CBatchCommit.h"
#include "db/CCdlistSet.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <random>
#include <sqlite3.h>
#include <sys/resource.h>

namespace {

void ReportMemory(benchmark::State& state)
{
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["maxrss_MB"] = double(usage.ru_maxrss) / 1024.0;
}

void BM_StartUp(benchmark::State& state)
{
    const QString path = GeneratedLibrary(int(state.range(0)));
    for (auto _ : state) {
        CDatabase db;
        db.Open(path);
        CCdlistSet set;
        set.Open(db);
        qint64 total = 0;
        const auto sessions = set.SessionCounts();
        for (const auto& s : sessions)
            total += s.second;
        benchmark::DoNotOptimize(total);
    }
    ReportMemory(state);
}

void BM_FindSongById(benchmark::State& state)
{
    const int songs = int(state.range(0));
    CDatabase db;
    db.Open(GeneratedLibrary(songs));
    CCdlistSet set;
    set.Open(db);
    std::mt19937 random(1);
    std::uniform_int_distribution<int> pick(1, songs);
    for (auto _ : state)
        benchmark::DoNotOptimize(set.FindSongById(pick(random)));
    ReportMemory(state);
}

void BM_WalkEveryRow(benchmark::State& state)
{
    CDatabase db;
    db.Open(GeneratedLibrary(int(state.range(0))));
    CCdlistSet set;
    set.Open(db);
    for (auto _ : state) {
        qint64 rows = 0;
        set.Walk(CFilter(), [&rows](const SSong&) {
            ++rows;
            return true;
        });
        benchmark::DoNotOptimize(rows);
    }
    ReportMemory(state);
}

void BM_FilterOneSession(benchmark::State& state)
{
    CDatabase db;
    db.Open(GeneratedLibrary(int(state.range(0))));
    CCdlistSet set;
    set.Open(db);
    int session = 0;
    for (auto _ : state) {
        const CFilter filter = CFilter::Exactly(
            ESongColumn::CD,
            QStringLiteral("Session %1").arg(session++ % 40, 5, 10, QLatin1Char('0')));
        qint64 rows = 0;
        set.Walk(filter, [&rows](const SSong&) {
            ++rows;
            return true;
        });
        if (rows != 2000)
            state.SkipWithError("session size");
    }
    ReportMemory(state);
}

// Runs `sql` on the catalogue at `path` as another tool would (a plain connection without
// the program's functions) and adds its seconds to `seconds`; false when it failed.
bool AsOtherTool(const QString& path, const char* sql, double& seconds)
{
    QElapsedTimer clock;
    clock.start();
    sqlite3* other = nullptr;
    sqlite3_open(path.toUtf8().constData(), &other);
    const int rc = sqlite3_exec(other, sql, nullptr, nullptr, nullptr);
    sqlite3_close(other);
    seconds += double(clock.elapsed()) / 1000;
    return rc == SQLITE_OK;
}

// The start after the sqlite3 shell (or any tool) changed every tenth song's title, adding
// an ASCII letter, an accented capital or a Latin-1 byte that is not UTF-8 (all folded in
// the tool's own transaction) or 1,000 characters (left for the open to fold). A copy of the
// 1,000,000-song library, changed anew before each open; other_tool_s is the tool's own change.
void BM_StartAfterOtherTool(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString copy = dir.path() + QStringLiteral("/songs3.mdb");
    if (!QFile::copy(GeneratedLibrary(1000000), copy))
        return state.SkipWithError("copy");
    {
        // A cache of an older build may lack an index the open makes: not part of the figure.
        CDatabase db;
        db.Open(copy);
    }
    const int every = 1000000 / int(state.range(0));
    static const char* const kAdded[] = {"'x'", "'Ł'", "CAST(X'E9' AS TEXT)",
                                         "'É' || printf('%.1000c', 'x')"};
    double otherTool = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QByteArray change =
            QStringLiteral("UPDATE Songs SET TITLE = TITLE || %2 WHERE ID % %1 = 0")
                .arg(every)
                .arg(QLatin1String(kAdded[state.range(1)]))
                .toUtf8();
        if (!AsOtherTool(copy, change.constData(), otherTool))
            return state.SkipWithError("update");
        state.ResumeTiming();
        CDatabase db;
        db.Open(copy);
    }
    state.counters["other_tool_s"] = otherTool / double(state.iterations());
    ReportMemory(state);
}

// The start after another tool inserted 1,000,000 songs (with no folded copies) into an
// empty catalogue; other_tool_s is the tool's own insert.
void BM_StartAfterOtherToolInserts(benchmark::State& state)
{
    double otherTool = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/songs3.mdb");
        CDatabase().Open(path);
        const bool inserted = AsOtherTool(
            path,
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000000) "
            "INSERT INTO Songs(CD, TITLE, ARTIST, ALBUM, MELODI, PATH, GENRE) SELECT "
            "'S' || (i / 2000), 'Title ' || i || ' été', 'Artist ' || (i % 5000), "
            "'Album ' || (i / 12), 'Artist ' || (i % 5000) || ' - Title ' || i || '.mp3', "
            "'/media/x/' || (i / 12), '(' || (i % 126) || ')' FROM n",
            otherTool);
        if (!inserted)
            return state.SkipWithError("insert");
        state.ResumeTiming();
        CDatabase db;
        db.Open(path);
    }
    state.counters["other_tool_s"] = otherTool / double(state.iterations());
    ReportMemory(state);
}

// A catalogue as the intake writes it, song by song in quarter-second commits: its bytes
// per song once written out (the write-ahead log checkpointed), and the data it holds (the
// tables' payload, what sqlite3_analyzer calls "user payload": the texts, their folded copies
// and the substring index, without the lookup indexes and the pages' free room).
void BM_CatalogueSize(benchmark::State& state)
{
    const int songs = int(state.range(0));
    double bytes = 0;
    for (auto _ : state) {
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/songs3.mdb");
        {
            CDatabase db;
            db.Open(path);
            CCdlistSet set;
            set.Open(db);
            CBatchCommit batch(db);
            for (int i = 0; i < songs; ++i) {
                set.Insert(GeneratedSong(i));
                batch.Tick();
            }
            batch.Finish();
            db.Exec("PRAGMA wal_checkpoint(TRUNCATE)");
            // Where the bytes go: the song table, the substring index, the other indexes; and
            // the tables' payload. One pass: dbstat reads every page of the file.
            CStatement parts(
                db, QStringLiteral("SELECT sum(CASE WHEN name = 'Songs' THEN pgsize END), "
                                   "sum(CASE WHEN name LIKE 'SongsText%' THEN pgsize END), "
                                   "sum(CASE WHEN name LIKE 'SongsBy%' THEN pgsize END), "
                                   "sum(CASE WHEN name IN (SELECT name FROM sqlite_schema "
                                   "WHERE type = 'table') THEN payload END) FROM dbstat"));
            if (parts.Step()) {
                state.counters["table_B"] = double(parts.Int(0)) / songs;
                state.counters["text_index_B"] = double(parts.Int(1)) / songs;
                state.counters["indexes_B"] = double(parts.Int(2)) / songs;
                state.counters["payload_B"] = double(parts.Int(3)) / songs;
            }
        }
        bytes = double(QFileInfo(path).size());
    }
    state.counters["bytes_per_song"] = bytes / songs;
    state.counters["MB"] = bytes / 1e6;
}

} // namespace

BENCHMARK(BM_StartAfterOtherTool)
    ->Args({100000, 0})
    ->Args({100000, 1})
    ->Args({100000, 2})
    ->Args({100000, 3})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);
BENCHMARK(BM_StartAfterOtherToolInserts)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_CatalogueSize)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_StartUp)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindSongById)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WalkEveryRow)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_FilterOneSession)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
