// Load Playlist over a large catalogue: 10,000 lines against 100,000 songs.
#include "db/CCdlistSet.h"
#include "platform/CPrompts.h"
#include "platform/CSettings.h"
#include "playlist/CM3uFile.h"
#include "playlist/CPlaylistLoader.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kSongs = 100000;
constexpr int kLines = 10000;

// Nothing is missing in this playlist; any warning would be a fault of the benchmark.
class CSilentPrompts : public CPrompts
{
public:
    EAnswer Message(const QString&, const QString&, EIcon, EButtons) override
    {
        return EAnswer::Ok;
    }
    QString OpenFile(const SFileDialog&) override { return {}; }
    QString SaveFile(const SFileDialog&) override { return {}; }
    QString ChooseFolder(const QString&) override { return {}; }
    int Warning(const QString&) override
    {
        ++warnings;
        return 0;
    }
    int warnings = 0;
};

struct SCatalogue
{
    QTemporaryDir dir;
    CDatabase db;
    CCdlistSet set;
    QString playlist;

    SCatalogue()
    {
        CSettings::SetFilePath(dir.path() + "/settings.ini");
        db.Open(dir.path() + "/songs3.mdb");
        set.Open(db);
        CDatabase::CTransaction transaction(db);
        for (int i = 0; i < kSongs; ++i) {
            set.AddNew();
            set.m_CD = QString("Session %1").arg(i / 500);
            set.m_PATH = QString("/media/music/Session %1/Album %2").arg(i / 500).arg(i / 12);
            set.m_MELODI = QString("%1 - Artist's Song Nº %2.mp3").arg(i % 12 + 1).arg(i);
            set.m_LIST = set.m_MELODI.chopped(4);
            set.Update();
        }
        transaction.Commit();
        QList<qint32> ids;
        for (int i = 0; i < kLines; ++i)
            ids << qint32(1 + (i * 7919) % kSongs);
        playlist = dir.path() + "/big.m3u";
        int written = 0;
        QString error;
        CM3uFile::Write(set, ids, playlist, written, error);
        set.Requery();
    }
};

void LoadPlaylist(benchmark::State& state)
{
    static SCatalogue catalogue;
    CSilentPrompts prompts;
    qint64 found = 0;
    for (auto _ : state) {
        QList<SM3uLine> lines;
        QString error;
        CM3uFile::Read(catalogue.playlist, lines, error);
        QList<qint32> ids;
        found = CPlaylistLoader(catalogue.set, prompts).Load(lines, [&](CCdlistSet& set) {
            ids << set.m_ID;
        });
        benchmark::DoNotOptimize(ids.data());
    }
    state.counters["found"] = double(found);
    state.counters["warnings"] = prompts.warnings;
}
BENCHMARK(LoadPlaylist)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
