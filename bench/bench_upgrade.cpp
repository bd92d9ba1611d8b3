// Carrying over an older database: a version 2.8 song table of 100,000 rows (kept in the
// temporary folder and reused) copied into a fresh catalogue without reading the files.
// Reports rows per second; each row ends up in the folded copies and the substring index.

#include "BenchSupport.h"
#include "db/CCdlistSet.h"
#include "model/CAppServices.h"
#include "model/CCdlistDoc.h"
#include "platform/CNoVolumes.h"
#include "platform/CProgress.h"
#include "platform/CPrompts.h"
#include "platform/CSettings.h"
#include "support/COldDatabase.h"
#include "upgrade/CUpgrade.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

QString OldLibrary(int rows)
{
    const QString path =
        QDir::tempPath() + QStringLiteral("/cratewise-bench-old28-%1.mdb").arg(rows);
    if (QFile::exists(path))
        return path;
    static const char* const kWords[] = {"love",  "night", "blue", "road", "fire",
                                         "heart", "dream", "rain", "gold", "river",
                                         "light", "Ärger", "été",  "home"};
    QList<SOldSong> songs;
    songs.reserve(rows);
    for (int i = 0; i < rows; ++i) {
        const QString title =
            QStringLiteral("%1 %2 %3")
                .arg(QLatin1String(kWords[i % 14]), QLatin1String(kWords[(i / 14) % 14]))
                .arg(i);
        const QString cd = QStringLiteral("Disc %1").arg(i / 2000);
        songs.append({cd, QStringLiteral("/media/cdrom/%1").arg(i / 12),
                      QStringLiteral("%1.mp3").arg(title), title,
                      QStringLiteral("Artist %1").arg((qint64(i) * 7919) % 5000),
                      QStringLiteral("Album %1").arg(i / 12), QStringLiteral("(%1)").arg(i % 126),
                      QStringLiteral("19%1").arg(i % 100, 2, 10, QLatin1Char('0')), QString(),
                      title, QStringLiteral("128"), QString(), QString::number(120 + i % 300)});
    }
    WriteOldDatabase(path + QStringLiteral(".building"), COldSongsSet::ELayout::Version28, songs);
    QFile::rename(path + QStringLiteral(".building"), path);
    return path;
}

void BM_UpgradeVersion28(benchmark::State& state)
{
    const int rows = int(state.range(0));
    const QString old = OldLibrary(rows);
    CSilentPrompts prompts{CPrompts::EAnswer::No};
    CNoVolumes volumes;
    SAppServices services;
    services.prompts = &prompts;
    services.volumes = &volumes;
    services.createProgress = [](const QString&, int, int) {
        return std::unique_ptr<CProgress>(std::make_unique<CNoProgress>());
    };
    int stored = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        auto doc = std::make_unique<CCdlistDoc>();
        doc->OpenDatabase(dir.path() + QStringLiteral("/songs3.mdb"));
        state.ResumeTiming();
        stored = CUpgrade(*doc, services).Upgrade(old).stored;
        state.PauseTiming();
        if (stored != rows || prompts.messages != 0 || doc->Set().CountAll() != rows)
            state.SkipWithError("not every row was carried over");
        doc.reset();
        state.ResumeTiming();
    }
    state.counters["rows_per_s"] =
        benchmark::Counter(double(stored), benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK(BM_UpgradeVersion28)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    return RunBenchmarks(argc, argv);
}
