// Intake speed: a folder tree of 5,000 tagged MP3 files taken in through TakeInFile into a
// fresh database, warm cache. Reports files per second, the time split between tag
// reading, probing and storing, and the resident memory after 1,000 and after all files.
//
// The tree is generated once under $CRATEWISE_BENCH_DIR (default /tmp/cratewise-bench-intake)
// and reused. Songs measured by their info frame or size are 10-30 s long (their length
// does not change what the probe reads); the 3 % of VBR files without an info frame,
// which are scanned whole, have the length of real songs (3-5 minutes).

// The test support is compiled in here: benchmarks link only the core.
#include "BenchSupport.h"
#include "SongTree.h"
#include "db/CCdlistSet.h"
#include "db/CExceptSet.h"
#include "intake/CIntake.h"
#include "media/CStreamProbe.h"
#include "platform/CSettings.h"
#include "support/CId3Writer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <map>
#include <optional>
#include <random>
#include <unistd.h>

namespace {

constexpr int kFolders = 50;
constexpr int kPerFolder = 100;

QString TreeRoot()
{
    const QByteArray dir = qgetenv("CRATEWISE_BENCH_DIR");
    return dir.isEmpty() ? QStringLiteral("/tmp/cratewise-bench-intake")
                         : QString::fromLocal8Bit(dir);
}

void GenerateTree(const QString& root)
{
    GenerateSongTree(root, kFolders * kPerFolder);
}

// Reads every file once so that all runs find them in the page cache.
void WarmCache(const QString& root, const QStringList& folders)
{
    for (const QString& folder : folders) {
        const QDir dir(root + u'/' + folder);
        for (const QString& name : dir.entryList(QDir::Files)) {
            QFile file(dir.filePath(name));
            if (file.open(QIODevice::ReadOnly))
                while (!file.read(1 << 20).isEmpty()) {
                }
        }
    }
}

long ResidentKiB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * (sysconf(_SC_PAGESIZE) / 1024) : 0;
}

void BM_IntakeTree(benchmark::State& state)
{
    const QString root = TreeRoot();
    GenerateTree(root);
    // Argument 1 puts the settings file (and with it the crash marker written twice per
    // file) on tmpfs, to show what the settings store's writes cost on the disk;
    // argument 2 also stores each folder in one transaction, as a walk may.
    QTemporaryDir work(state.range(0) >= 1 && QDir(QStringLiteral("/dev/shm")).exists()
                           ? QStringLiteral("/dev/shm/cratewise-bench-XXXXXX")
                           : QDir::tempPath() + QStringLiteral("/cratewise-bench-XXXXXX"));
    QTemporaryDir data(QDir::tempPath() + QStringLiteral("/cratewise-bench-XXXXXX"));
    CSettings::SetFilePath(work.path() + QStringLiteral("/settings.ini"));
    CSettings::SetString(ESetting::Formatting, QStringLiteral("%1 - %2"));
    CSettings::SetInt(ESetting::RemTrack, 1);
    const QStringList folders = QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    WarmCache(root, folders);

    CIntake::STimings total;
    long rss1000 = 0, rssEnd = 0;
    int files = 0, run = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QString dbPath = data.path() + QStringLiteral("/songs%1.mdb").arg(run++);
        auto db = std::make_unique<CDatabase>();
        db->Open(dbPath);
        CCdlistSet set;
        set.Open(*db);
        CExceptSet except;
        except.Open(*db);
        const std::unique_ptr<CSongFromFile> maker = CSongFromFile::Create();
        if (!maker)
            return state.SkipWithError("no decoder");
        CIntake intake(set, except.Names(), *maker);
        state.ResumeTiming();

        files = 0;
        for (const QString& folder : folders) {
            const QString dir = root + u'/' + folder;
            std::optional<CDatabase::CTransaction> transaction;
            if (state.range(0) == 2)
                transaction.emplace(*db);
            for (const QString& name : QDir(dir).entryList(QDir::Files, QDir::Name)) {
                intake.TakeInFile(dir, name, QStringLiteral("Bench"), nullptr);
                if (++files == 1000)
                    rss1000 = ResidentKiB();
            }
            intake.Finish(); // the songs are stored on another thread
            if (transaction)
                transaction->Commit();
        }
        rssEnd = ResidentKiB();
        total = intake.Timings();

        state.PauseTiming();
        set.Close();
        except.Close();
        db.reset();
        QFile::remove(dbPath);
        QFile::remove(dbPath + QStringLiteral("-wal"));
        QFile::remove(dbPath + QStringLiteral("-shm"));
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * files);
    state.counters["files"] = files;
    state.counters["marker_ms"] = double(total.marker) / 1e6;
    state.counters["tags_ms"] = double(total.tags) / 1e6;
    state.counters["probe_ms"] = double(total.probe) / 1e6;
    state.counters["store_ms"] = double(total.store) / 1e6;
    state.counters["covers_ms"] = double(total.covers) / 1e6;
    state.counters["rss1000_KiB"] = double(rss1000);
    state.counters["rssEnd_KiB"] = double(rssEnd);
    CSettings::SetFilePath(QString());
}

// The probe alone, per way of measuring: microseconds per file.
void BM_ProbeByMethod(benchmark::State& state)
{
    const QString root = TreeRoot();
    GenerateTree(root);
    std::unique_ptr<CStreamProbe> probe = CStreamProbe::Create();
    if (!probe)
        return state.SkipWithError("no decoder");
    QStringList paths;
    for (const QString& folder : QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        for (const QString& name : QDir(root + u'/' + folder).entryList(QDir::Files))
            paths << root + u'/' + folder + u'/' + name;
    std::map<int, std::pair<std::int64_t, int>> byMethod; // nanoseconds, files
    for (auto _ : state) {
        byMethod.clear();
        for (const QString& path : paths) {
            const auto start = std::chrono::steady_clock::now();
            probe->Probe(path);
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                std::chrono::steady_clock::now() - start)
                                .count();
            auto& entry = byMethod[int(probe->LastMethod())];
            entry.first += ns;
            ++entry.second;
        }
    }
    static const char* kNames[] = {"unknown", "constant", "xing", "vbri", "scan"};
    for (const auto& [method, entry] : byMethod) {
        state.counters[std::string(kNames[method]) + "_us"] = entry.first / 1e3 / entry.second;
        state.counters[std::string(kNames[method]) + "_n"] = entry.second;
    }
    state.SetItemsProcessed(state.iterations() * paths.size());
}

qint64 BytesReadSoFar()
{
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : io.readAll().split('\n')) {
        if (line.startsWith("rchar:"))
            return line.mid(6).trimmed().toLongLong();
    }
    return 0;
}

// What reading one song costs in bytes read from its file (tag and measurement), for
// 4 MB files: a plain constant stream with a small tag, a variable one with a Xing
// header, a constant one behind a 100 KiB tag, and a variable one without a header (the
// one kind that is scanned).
void BM_BytesReadPerFile(benchmark::State& state)
{
    static const char* const kNames[] = {"cbr-small-tag", "xing", "cbr-100k-tag", "vbr-scan"};
    const int kind = int(state.range(0));
    state.SetLabel(kNames[kind]);
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/Artist - Song.mp3");
    CMp3Factory::SStream stream;
    stream.seconds = 250; // 4 MB at 128 kbit/s
    stream.kind = kind == 1 || kind == 3
                      ? (kind == 1 ? CMp3Factory::EKind::VbrXing : CMp3Factory::EKind::VbrNoHeader)
                      : CMp3Factory::EKind::Cbr;
    CId3Writer tag(3, CId3Writer::EEncoding::Latin1);
    tag.Text("TIT2", QStringLiteral("Song")).Text("TPE1", QStringLiteral("Artist"));
    tag.Text("TALB", QStringLiteral("Album")).Padding(1024);
    if (kind == 2)
        tag.Lyrics(QString(100 * 1024, u'l'));
    const QByteArray front = tag.Build();
    if (!CMp3Factory::WriteSong(path, stream, front,
                                CId3Writer::Id3v1("Song", "Artist", "Album", "1999", "", 17)))
        return state.SkipWithError("cannot write");
    const std::unique_ptr<CSongFromFile> maker = CSongFromFile::Create();
    if (!maker)
        return state.SkipWithError("no decoder");
    const SSongRules rules; // tags read, names left as they are
    qint64 bytes = 0;
    SSong song;
    for (auto _ : state) {
        const qint64 before = BytesReadSoFar();
        song = maker->Make(QStringLiteral("S"), dir.path(), QStringLiteral("Artist - Song.mp3"),
                           rules);
        bytes = BytesReadSoFar() - before;
    }
    if (song.m_DURATION.isEmpty() || song.m_TITLE.isEmpty())
        state.SkipWithError("not measured");
    state.counters["read_KiB"] = double(bytes) / 1024.0;
    state.counters["tag_KiB"] = double(front.size()) / 1024.0;
    state.counters["file_KiB"] = double(QFileInfo(path).size()) / 1024.0;
}

BENCHMARK(BM_BytesReadPerFile)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ProbeByMethod)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
BENCHMARK(BM_IntakeTree)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

} // namespace

BENCHMARK_MAIN();
