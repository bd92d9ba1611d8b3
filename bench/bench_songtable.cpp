// The song table at 100,000 and 1,000,000 songs: start-up work (open, session list and
// song count), FindSongById, walking every row, and one session's filter-and-walk.

#include "GenerateLibrary.h"
#include "db/CCdlistSet.h"

#include <benchmark/benchmark.h>
#include <random>
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

} // namespace

BENCHMARK(BM_StartUp)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindSongById)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WalkEveryRow)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_FilterOneSession)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
