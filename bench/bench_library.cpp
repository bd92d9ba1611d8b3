// Library figures over generated libraries of 100,000 and 1,000,000 songs: listing a
// session, full and fast search, listing everything and sorting it, through the library
// operations and the song list model that both faces use (no widgets).
#include "BenchSupport.h"
#include "GenerateLibrary.h"
#include "library/CLibraryOperations.h"
#include "model/CAppServices.h"
#include "model/CCdlistDoc.h"
#include "platform/CPrompts.h"
#include "platform/CSettings.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>
#include <random>

namespace {

constexpr int kSessionSize = 2000;

QString Word(int n)
{
    static const char* const kSyllables[] = {"ka", "lo", "mi", "ne", "ru", "sa", "to", "vi",
                                             "be", "da", "fo", "gu", "hi", "jo", "pe", "zu"};
    QString w;
    do {
        w += QLatin1String(kSyllables[n % 16]);
        n /= 16;
    } while (n);
    return w;
}

// One library per size, built once and kept in the temporary folder for later runs, the
// indexes made after the rows.
QString Library(int songs)
{
    return CachedCatalogue(QStringLiteral("search-%1").arg(songs), [&](CDatabase& db) {
        db.Exec("DROP INDEX SongsBySession; DROP INDEX SongsByFile; DROP INDEX SongsByTitle; "
                "DROP INDEX SongsByArtist; DROP INDEX SongsByAlbum; DROP INDEX SongsByGenre;");
        std::mt19937 rng(42);
        std::uniform_int_distribution<int> word(0, 999), genre(0, 125), seconds(30, 600);
        CStatement insert(
            db, QStringLiteral("INSERT INTO Songs(CD, LIST, PATH, MELODI, TITLE, ARTIST, ALBUM, "
                               "GENRE, YEAR, BITRATE, DURATION) VALUES(?,?,?,?,?,?,?,?,?,?,?)"));
        for (int i = 0; i < songs; ++i) {
            const QString session =
                QStringLiteral("Session %1").arg(i / kSessionSize, 4, 10, QLatin1Char('0'));
            const QString title = Word(word(rng)) + u' ' + Word(word(rng));
            const QString artist = Word(word(rng)) + QStringLiteral(" Band");
            const QString album = Word(word(rng)) + QStringLiteral(" Album");
            const QString file = artist + QStringLiteral(" - ") + title + QStringLiteral(".mp3");
            insert.BindText(1, session).BindText(2, title);
            insert.BindText(3, QStringLiteral("/media/cdrom/") + session).BindText(4, file);
            insert.BindText(5, title).BindText(6, artist).BindText(7, album);
            insert.BindText(8, QStringLiteral("(%1)").arg(genre(rng)));
            insert.BindText(9, QStringLiteral("1999")).BindText(10, QStringLiteral("128"));
            insert.BindText(11, QString::number(seconds(rng)));
            insert.Step();
            insert.Reset();
        }
    });
}

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
    SLibraryDoc library(Library(int(state.range(0))));
    const QString session = QStringLiteral("Session 0007");
    for (auto _ : state)
        library.ops.ShowSession(session);
    state.counters["rows"] = library.doc.Songs().RowCount();
}

// A search as the window shows it: the list filled and its first screenful read.
void Search(benchmark::State& state, bool fast, const SSearchCriteria& criteria)
{
    SLibraryDoc library(Library(int(state.range(0))));
    CSettings::SetInt(QStringLiteral("FastSearch"), fast ? 1 : 0);
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
    SLibraryDoc library(Library(int(state.range(0))));
    CSettings::SetInt(QStringLiteral("FastSearch"), 0);
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
    CSettings::SetInt(QStringLiteral("FastSearch"), 0);
    for (auto _ : state)
        library.ops.Search({.all = QStringLiteral("RIVER LOVE")});
    state.counters["rows"] = library.doc.Songs().RowCount();
}

void BM_ListAllAndSort(benchmark::State& state)
{
    SLibraryDoc library(Library(int(state.range(0))));
    CSettings::SetInt(QStringLiteral("FastSearch"), 0);
    for (auto _ : state) {
        library.ops.Search({}); // no criteria: every song
        library.doc.Songs().SortByColumn(1, true);
    }
    state.counters["rows"] = library.doc.Songs().RowCount();
}

// Sorting alone, the list already filled: each heading click's cost.
void BM_SortArtist(benchmark::State& state)
{
    SLibraryDoc library(Library(int(state.range(0))));
    CSettings::SetInt(QStringLiteral("FastSearch"), 0);
    library.ops.Search({});
    bool ascending = true;
    for (auto _ : state) {
        library.doc.Songs().SortByColumn(1, ascending);
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
BENCHMARK(BM_ListAllAndSort)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortArtist)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return RunBenchmarks(argc, argv);
}
