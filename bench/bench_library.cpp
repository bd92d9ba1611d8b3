// Library figures over generated libraries of 100,000 and 1,000,000 songs: listing a
// session, full and fast search, listing everything and sorting it, through the library
// operations and the song list model that both faces use (no widgets).
#include "BenchSupport.h"
#include "GenerateLibrary.h"
#include "db/CCdlistSet.h"
#include "library/CLibraryOperations.h"
#include "model/CAppServices.h"
#include "model/CCdlistDoc.h"
#include "platform/CPrompts.h"
#include "platform/CSettings.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

// The document over a library with the operations the window and the command line run.
struct SLibraryDoc
{
    CSilentPrompts prompts{CPrompts::EAnswer::No};
    SAppServices services;
    CCdlistDoc doc;
    CLibraryOperations ops{doc, services};

    explicit SLibraryDoc(const QString& database)
    {
        services.prompts = &prompts;
        doc.OpenDatabase(database);
        doc.Songs().RebuildColumns();
    }
};

void BM_SelectSession(benchmark::State& state)
{
    SLibraryDoc library(SearchLibrary(int(state.range(0))));
    const QString session = QStringLiteral("Session 0007");
    for (auto _ : state)
        library.ops.ShowSession(session);
    state.counters["rows"] = library.doc.Songs().RowCount();
}

// A search as the window shows it: the list filled and its first screenful read.
void Search(benchmark::State& state, bool fast, const SSearchCriteria& criteria)
{
    SLibraryDoc library(SearchLibrary(int(state.range(0))));
    CSettings::SetInt(ESetting::FastSearch, fast ? 1 : 0);
    const CSongListModel& songs = library.doc.Songs();
    for (auto _ : state) {
        library.ops.Search(criteria);
        for (int r = 0; r < std::min(40, songs.RowCount()); ++r) {
            for (int c = 0; c < songs.ColumnCount(); ++c)
                benchmark::DoNotOptimize(songs.Cell(r, c));
        }
    }
    state.counters["rows"] = songs.RowCount();
}

// A heading click on a large search result: every row's texts read, then sorted.
void BM_FullSearchAllThenSort(benchmark::State& state)
{
    SLibraryDoc library(SearchLibrary(int(state.range(0))));
    CSettings::SetInt(ESetting::FastSearch, 0);
    for (auto _ : state) {
        library.ops.Search({.all = QStringLiteral("KAMI")});
        library.doc.Songs().SortByColumn(1, true);
    }
    state.counters["rows"] = library.doc.Songs().RowCount();
}

void BM_FullSearchTitle(benchmark::State& state)
{
    Search(state, false, {.title = Word(123)});
}
void BM_FullSearchAll(benchmark::State& state)
{
    Search(state, false, {.all = QStringLiteral("KAMI")});
}
// A word of the titles, looked for in every field: a few thousand hits at 1,000,000.
void BM_FullSearchAllWord(benchmark::State& state)
{
    Search(state, false, {.all = Word(123).toUpper()});
}
void BM_FastSearchTitle(benchmark::State& state)
{
    Search(state, true, {.title = Word(123) + u' '});
}
void BM_FastSearchAll(benchmark::State& state)
{
    Search(state, true, {.all = Word(456) + u' '});
}

// The shared generated library: titles from a small word list that holds non-ASCII
// words, so that case folding takes its slow path on some rows.
void BM_FullSearchMixedText(benchmark::State& state)
{
    SLibraryDoc library(GeneratedLibrary(int(state.range(0))));
    CSettings::SetInt(ESetting::FastSearch, 0);
    for (auto _ : state)
        library.ops.Search({.all = QStringLiteral("RIVER LOVE")});
    state.counters["rows"] = library.doc.Songs().RowCount();
}

// The same library, a search typed without the accents its titles have ("Ärger été").
void BM_FullSearchWithoutAccents(benchmark::State& state)
{
    SLibraryDoc library(GeneratedLibrary(int(state.range(0))));
    CSettings::SetInt(ESetting::FastSearch, 0);
    for (auto _ : state)
        library.ops.Search({.all = QStringLiteral("ARGER ETE")});
    state.counters["rows"] = library.doc.Songs().RowCount();
}

// Turning the accents switch off and on again over a copy of the generated library: every
// song's copies folded anew and the substring index rebuilt, each way.
void BM_SwitchAccents(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/songs3.mdb");
    QFile::copy(GeneratedLibrary(int(state.range(0))), path);
    CDatabase db;
    db.Open(path);
    bool on = false;
    for (auto _ : state) {
        db.SetFoldsAccents(on);
        on = !on;
    }
}

void BM_ListAllAndSort(benchmark::State& state)
{
    SLibraryDoc library(SearchLibrary(int(state.range(0))));
    CSettings::SetInt(ESetting::FastSearch, 0);
    for (auto _ : state) {
        library.ops.Search({}); // no criteria: every song
        library.doc.Songs().SortByColumn(1, true);
    }
    state.counters["rows"] = library.doc.Songs().RowCount();
}

// The whole catalogue listed, as an empty search (fast or full) or one session of every
// song lists it: the list shown and its first screenful read.
void ReadScreenful(const CSongListModel& songs)
{
    for (int r = 0; r < std::min(40, songs.RowCount()); ++r) {
        for (int c = 0; c < songs.ColumnCount(); ++c)
            benchmark::DoNotOptimize(songs.Cell(r, c));
    }
}

void BM_ListEverything(benchmark::State& state)
{
    SLibraryDoc library(SearchLibrary(int(state.range(0))));
    CSettings::SetInt(ESetting::FastSearch, int(state.range(1)));
    for (auto _ : state) {
        library.ops.Search({});
        ReadScreenful(library.doc.Songs());
    }
    state.counters["rows"] = library.doc.Songs().RowCount();
    state.counters["rss_MB"] = MemoryMB();
}

void BM_ShowWholeSession(benchmark::State& state)
{
    const int songs = int(state.range(0));
    SLibraryDoc library(SearchLibrary(songs, songs));
    for (auto _ : state) {
        library.ops.ShowSession(QStringLiteral("Session 0000"));
        ReadScreenful(library.doc.Songs());
    }
    state.counters["rows"] = library.doc.Songs().RowCount();
    state.counters["rss_MB"] = MemoryMB();
}

// The part of showing that whole session spent on its total length.
void BM_WholeSessionTotals(benchmark::State& state)
{
    const int songs = int(state.range(0));
    SLibraryDoc library(SearchLibrary(songs, songs));
    const CFilter session = CFilter::Exactly(ESongColumn::CD, QStringLiteral("Session 0000"));
    for (auto _ : state)
        benchmark::DoNotOptimize(library.doc.Set().Totals(session));
}

// A heading click on a freshly listed catalogue (the listing itself not timed), its
// first screenful read; the column is the second argument (0 Title, 1 Artist, 2 Album,
// 3 Session, 4 Track, 5 Year, 6 Genre, 7 Type, 8 Path, 9 Length), every one of them shown.
void SortColumn(benchmark::State& state, const QString& catalogue)
{
    static const char* const kHeadings[] = {"Title", "Artist", "Album", "Session", "Track",
                                            "Year",  "Genre",  "Type",  "Path",    "Length"};
    const ESetting shown[] = {ESetting::LibTrack, ESetting::LibYear, ESetting::LibGenre,
                              ESetting::LibType,  ESetting::LibPath, ESetting::LibLength};
    for (const ESetting s : shown)
        CSettings::SetBool(s, true);
    SLibraryDoc library(catalogue);
    for (const ESetting s : shown) // the other benchmarks show the usual columns
        CSettings::SetBool(s, false);
    CSettings::SetInt(ESetting::FastSearch, 0);
    const int column =
        int(library.doc.Songs().Headings().indexOf(QLatin1String(kHeadings[state.range(1)])));
    for (auto _ : state) {
        state.PauseTiming();
        library.ops.Search({});
        state.ResumeTiming();
        library.doc.Songs().SortByColumn(column, true);
        ReadScreenful(library.doc.Songs());
    }
    state.counters["rows"] = library.doc.Songs().RowCount();
    state.counters["rss_MB"] = MemoryMB();
}

void BM_SortColumn(benchmark::State& state)
{
    SortColumn(state, SearchLibrary(int(state.range(0))));
}

// Texts of accented words and numbers, albums of twelve songs in folders of their own.
void BM_SortMixedTexts(benchmark::State& state)
{
    SortColumn(state, GeneratedLibrary(int(state.range(0))));
}

// The same heading clicked again and again: the other direction each time.
void BM_ReverseArtist(benchmark::State& state)
{
    SLibraryDoc library(SearchLibrary(int(state.range(0))));
    CSettings::SetInt(ESetting::FastSearch, 0);
    library.ops.Search({});
    library.doc.Songs().SortByColumn(1, true);
    bool ascending = false;
    for (auto _ : state) {
        library.doc.Songs().SortByColumn(1, ascending);
        ReadScreenful(library.doc.Songs());
        ascending = !ascending;
    }
    state.counters["rows"] = library.doc.Songs().RowCount();
}

BENCHMARK(BM_SelectSession)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullSearchTitle)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullSearchAll)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullSearchAllThenSort)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullSearchAllWord)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FastSearchTitle)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FastSearchAll)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullSearchMixedText)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullSearchWithoutAccents)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SwitchAccents)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);
BENCHMARK(BM_ListAllAndSort)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListEverything)
    ->Args({1000000, 0})
    ->Args({1000000, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK(BM_ShowWholeSession)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_WholeSessionTotals)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_SortColumn)
    ->ArgsProduct({{1000000}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(BM_SortMixedTexts)
    ->ArgsProduct({{1000000}, {0, 8}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(BM_ReverseArtist)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(6);

} // namespace

int main(int argc, char** argv)
{
    return RunBenchmarks(argc, argv);
}
