// Load Playlist and the .m3u export over a large catalogue: 10,000 lines against 100,000
// songs, through the playlist operations on the document (song list and playlist models).
#include "BenchSupport.h"
#include "db/CCdlistSet.h"
#include "model/CAppServices.h"
#include "model/CCdlistDoc.h"
#include "platform/CSettings.h"
#include "playlist/CPlaylistOperations.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kSongs = 100000;
constexpr int kLines = 10000;

struct SCatalogue
{
    QTemporaryDir dir;
    CSilentPrompts prompts;
    CCdlistDoc doc;
    SAppServices services;
    QList<CPlaylistModel::SEntry> entries;
    QString playlist;

    SCatalogue()
    {
        CSettings::SetFilePath(dir.path() + "/settings.ini");
        CSettings::SetInt(ESetting::AddOnSearch, 1); // the songs found go into the playlist too
        doc.OpenDatabase(dir.path() + "/songs3.mdb");
        doc.Songs().RebuildColumns();
        services.prompts = &prompts;
        CCdlistSet& set = doc.Set();
        CDatabase::CTransaction transaction(doc.Database());
        for (int i = 0; i < kSongs; ++i) {
            SSong song;
            song.m_CD = QString("Session %1").arg(i / 500);
            song.m_PATH = QString("/media/music/Session %1/Album %2").arg(i / 500).arg(i / 12);
            song.m_MELODI = QString("%1 - Artist's Song Nº %2.mp3").arg(i % 12 + 1).arg(i);
            song.m_LIST = song.m_MELODI.chopped(4);
            set.Insert(song);
        }
        transaction.Commit();
        for (int i = 0; i < kLines; ++i) {
            const qint64 id = qint64(1 + (i * 7919) % kSongs);
            entries.append({QString::number(id), id});
        }
        playlist = dir.path() + "/big.m3u";
        doc.Playlist().Append(entries);
        CPlaylistOperations(doc, services).ExportM3u(playlist);
    }
};

SCatalogue& Catalogue()
{
    static SCatalogue catalogue;
    return catalogue;
}

void LoadPlaylist(benchmark::State& state)
{
    SCatalogue& c = Catalogue();
    CPlaylistOperations operations(c.doc, c.services);
    for (auto _ : state) {
        operations.Clear();
        operations.LoadPlaylist(c.playlist);
    }
    state.counters["found"] = c.doc.Songs().RowCount();
    state.counters["entries"] = c.doc.Playlist().Count();
    state.counters["messages"] = c.prompts.messages;
}
BENCHMARK(LoadPlaylist)->Unit(benchmark::kMillisecond)->Iterations(3);

void ExportM3u(benchmark::State& state)
{
    SCatalogue& c = Catalogue();
    CPlaylistOperations operations(c.doc, c.services);
    operations.Clear();
    c.doc.Playlist().Append(c.entries);
    const QString file = c.dir.path() + "/out.m3u";
    bool written = false;
    for (auto _ : state)
        written = operations.ExportM3u(file);
    state.counters["written"] = written;
    state.counters["messages"] = c.prompts.messages;
}
BENCHMARK(ExportM3u)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    return RunBenchmarks(argc, argv);
}
