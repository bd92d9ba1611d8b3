// Report figures over generated libraries of 100,000 and 1,000,000 songs: the web page of
// the whole catalogue, the statistics, and a full duplicate-finder pass through every
// entry (Search/Next until "No duplicates found."), through the same core both faces use.
#include "BenchSupport.h"
#include "GenerateLibrary.h"
#include "model/CCdlistDoc.h"
#include "platform/CSettings.h"
#include "reports/CDuplicateFinder.h"
#include "reports/CHtmlExport.h"
#include "reports/CStatistics.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

// A catalogue where one song in twenty shares its title with the song before it and one
// in fifty its file name (in another folder), so that the finder meets real groups. Built
// once per size and kept in the temporary folder like the shared generated library.
QString LibraryWithDuplicates(int songs)
{
    return CachedCatalogue(QStringLiteral("dupes-%1").arg(songs), [&](CDatabase& db) {
        CStatement insert(db, QStringLiteral("INSERT INTO Songs(CD, LIST, PATH, MELODI, TITLE, "
                                             "ARTIST, BITRATE, DURATION) "
                                             "VALUES(?, ?, ?, ?, ?, ?, ?, ?)"));
        for (int i = 0; i < songs; ++i) {
            const int session = i / 2000;
            const QString title = QStringLiteral("Title %1").arg(i % 20 == 19 ? i - 1 : i);
            const QString file = QStringLiteral("Song %1.mp3").arg(i % 50 == 49 ? i - 7 : i);
            insert.BindText(1, QStringLiteral("Session %1").arg(session, 5, 10, QLatin1Char('0')))
                .BindText(2, title)
                .BindText(3, QStringLiteral("/media/cdrom/Disc %1").arg(session))
                .BindText(4, file)
                .BindText(5, title)
                .BindText(6, QStringLiteral("Artist %1").arg(i % 5000))
                .BindText(7, QString::number(128 + 32 * (i % 4)))
                .BindText(8, QString::number(120 + i % 300));
            insert.Step();
            insert.Reset();
        }
    });
}

void BM_HtmlWholeDatabase(benchmark::State& state)
{
    CCdlistDoc doc;
    doc.OpenDatabase(GeneratedLibrary(int(state.range(0))));
    QTemporaryDir dir;
    const QString page = dir.path() + QStringLiteral("/list.htm");
    SHtmlOptions options;
    options.headline = QStringLiteral("Everything");
    options.name = QStringLiteral("Bench");
    options.source = SHtmlOptions::ESource::Database;
    options.id3 = state.range(1) != 0;
    options.detailed = options.id3;
    // By artist the rows are held and ordered as the song list orders them.
    options.sort = state.range(2) ? SHtmlOptions::ESort::Artist : SHtmlOptions::ESort::File;
    int songs = 0;
    const double before = MemoryMB();
    ResetPeakMemory();
    for (auto _ : state) {
        QString error;
        if (!CHtmlExport(doc).Write(page, options, error, &songs))
            state.SkipWithError(error.toStdString().c_str());
    }
    state.counters["songs"] = songs;
    state.counters["MB"] = double(QFileInfo(page).size()) / 1e6;
    state.counters["peak_growth_MB"] = PeakMemoryMB() - before;
}

void BM_Statistics(benchmark::State& state)
{
    CCdlistDoc doc;
    doc.OpenDatabase(GeneratedLibrary(int(state.range(0))));
    doc.ReloadSessions();
    SStatistics statistics;
    for (auto _ : state)
        statistics = CStatistics::Compute(doc);
    state.counters["songs"] = double(statistics.songs);
}

// From opening the finder (every name and title read) to "No duplicates found.", and the
// most memory it needed on top of what the open catalogue held.
void BM_DuplicatesFullPass(benchmark::State& state)
{
    CCdlistDoc doc;
    doc.OpenDatabase(state.range(1) ? LibraryWithDuplicates(int(state.range(0)))
                                    : GeneratedLibrary(int(state.range(0))));
    int groups = 0;
    const double before = MemoryMB();
    ResetPeakMemory();
    for (auto _ : state) {
        groups = 0;
        CDuplicateFinder finder(doc);
        while (finder.Next() != CDuplicateFinder::EStep::Finished)
            ++groups;
    }
    state.counters["groups shown"] = groups;
    // What the pass adds to the memory in use before it (the catalogue open, its cache).
    state.counters["peak_growth_MB"] = PeakMemoryMB() - before;
}

BENCHMARK(BM_HtmlWholeDatabase)
    ->Args({100000, 0, 0})
    ->Args({100000, 1, 0})
    ->Args({1000000, 0, 0})
    ->Args({1000000, 1, 0})
    ->Args({1000000, 0, 1})
    ->Args({1000000, 1, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);
BENCHMARK(BM_Statistics)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_DuplicatesFullPass)
    ->Args({100000, 0})
    ->Args({100000, 1})
    ->Args({1000000, 0})
    ->Args({1000000, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    return RunBenchmarks(argc, argv);
}
