// Tag saving: Multisave of artist and album over 1,000 generated songs (files with an
// ID3v2.3 and an ID3v1 tag, whose change is written as a new copy of each file, and files
// with room in their ID3v2 tag only, changed in place), and the save a song-list cell edit
// runs in a catalogue of 1,000,000 songs.
#include "BenchSupport.h"
#include "GenerateLibrary.h"
#include "db/CCdlistSet.h"
#include "editing/CTagSaver.h"
#include "model/CAppServices.h"
#include "model/CCdlistDoc.h"
#include "platform/CProgress.h"
#include "platform/CSettings.h"
#include "support/CId3Writer.h"
#include "support/CMp3Factory.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kFiles = 1000;

struct SCatalogue
{
    QTemporaryDir dir;
    CSilentPrompts prompts;
    CCdlistDoc doc;
    SAppServices services;

    explicit SCatalogue(const QString& database = QString())
    {
        CSettings::SetFilePath(dir.path() + "/settings.ini");
        const QString path = dir.path() + "/songs3.mdb";
        if (!database.isEmpty())
            QFile::copy(database, path);
        doc.OpenDatabase(path);
        services.prompts = &prompts;
        services.createProgress = [](const QString&, int, int) {
            return std::unique_ptr<CProgress>(std::make_unique<CNoProgress>());
        };
    }
    // A song file of 10 seconds (160 KB) and its record.
    qint64 AddSong(int i, bool withId3v1)
    {
        const QString title = QString("Song %1").arg(i);
        const QString file = dir.path() + QString("/%1.mp3").arg(i);
        CMp3Factory::SStream stream;
        stream.seconds = 10;
        stream.seed = unsigned(i);
        const QByteArray front = CId3Writer(3, CId3Writer::EEncoding::Latin1)
                                     .Text("TIT2", title)
                                     .Text("TPE1", "Artist")
                                     .Text("TALB", "Album")
                                     .Padding(1024)
                                     .Build();
        const QByteArray back =
            withId3v1 ? CId3Writer::Id3v1(title.toLatin1(), "Artist", "Album", "1999", "", 17)
                      : QByteArray();
        CMp3Factory::WriteSong(file, stream, front, back);
        SSong song;
        song.m_CD = "Bench";
        song.m_PATH = dir.path();
        song.m_MELODI = QString("%1.mp3").arg(i);
        song.m_TITLE = song.m_LIST = title;
        return doc.Set().Insert(song);
    }
};

void Multisave(benchmark::State& state)
{
    SCatalogue c;
    QList<qint64> ids;
    for (int i = 0; i < kFiles; ++i)
        ids << c.AddSong(i, state.range(0) == 1);
    CTagSaver saver(c.doc, c.services);
    int round = 0, saved = 0;
    for (auto _ : state) {
        const QString name = QString("Round %1").arg(++round);
        saved = saver
                    .Save(ids, {{.title = {}, .artist = name, .album = name, .genre = {}}},
                          CTagSaver::EMode::Multi, false)
                    .saved;
    }
    state.counters["files/s"] = benchmark::Counter(double(kFiles) * double(state.iterations()),
                                                   benchmark::Counter::kIsRate);
    state.counters["saved"] = saved;
    state.counters["messages"] = c.prompts.messages;
}
// Argument 1: with an ID3v1 tag (both tags change: a new copy of every file).
BENCHMARK(Multisave)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// A Title, Artist or Album cell edit: the single save of that song, in the 1,000,000-song
// catalogue.
void CellEditSave(benchmark::State& state)
{
    SCatalogue c(GeneratedLibrary(1000000));
    const qint64 id = c.AddSong(0, true);
    CTagSaver saver(c.doc, c.services);
    int round = 0;
    for (auto _ : state) {
        const QString artist = QString("Artist %1").arg(++round);
        saver.Save({id}, {{.title = "Song 0", .artist = artist, .album = "Album"}},
                   CTagSaver::EMode::Single, false);
    }
    state.counters["songs"] = double(c.doc.Set().CountAll());
    state.counters["messages"] = c.prompts.messages;
}
BENCHMARK(CellEditSave)->Unit(benchmark::kMillisecond)->Iterations(50)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    return RunBenchmarks(argc, argv);
}
