// Intake per format: one 3-minute song of each recognised type (MP3 with ID3v2.3 and
// ID3v1 tags, FLAC, Ogg Vorbis, Opus, M4A, each tagged), taken in through the song maker
// over and over, warm cache. Reports files per second and the bytes read per file (the
// kernel's count of this process's reads), against the file's size.

#include "BenchSupport.h"
#include "media/CSongFromFile.h"
#include "support/CAudioFiles.h"
#include "support/CMp3Factory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <benchmark/benchmark.h>

namespace {

constexpr double kSeconds = 180;

QString Root()
{
    const QByteArray dir = qgetenv("CRATEWISE_BENCH_DIR");
    return (dir.isEmpty() ? QStringLiteral("/tmp/cratewise-bench-formats")
                          : QString::fromLocal8Bit(dir) + QStringLiteral("/formats"));
}

// Generated once and reused.
QString Song(EAudioFormat format)
{
    const QString path = Root() + QStringLiteral("/song.") + CAudioFiles::Extension(format);
    if (QFileInfo::exists(path))
        return path;
    QDir().mkpath(Root());
    const bool written =
        format == EAudioFormat::Mpeg
            ? CMp3Factory::WriteTaggedSong(path, kSeconds, 192, CMp3Factory::EKind::CbrInfo,
                                           QStringLiteral("Title"), QStringLiteral("Artist"),
                                           QStringLiteral("Album"))
            : CAudioFiles::Write(path, format, kSeconds,
                                 {QStringLiteral("Title"),
                                  QStringLiteral("Artist"),
                                  QStringLiteral("Album"),
                                  QStringLiteral("Rock"),
                                  QStringLiteral("Comment"),
                                  QStringLiteral("Lyrics"),
                                  {},
                                  2001});
    return written ? path : QString();
}

// What this process has read so far (read and pread calls, cache or not).
qint64 BytesRead()
{
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : io.readAll().split('\n'))
        if (line.startsWith("rchar:"))
            return line.mid(6).trimmed().toLongLong();
    return 0;
}

void BM_IntakeFormat(benchmark::State& state)
{
    const auto format = EAudioFormat(state.range(0));
    const QString path = Song(format);
    if (path.isEmpty()) {
        state.SkipWithError("the song could not be generated");
        return;
    }
    const std::unique_ptr<CSongFromFile> maker = CSongFromFile::Create();
    const QFileInfo info(path);
    const SSongRules rules;
    qint64 files = 0, read = 0;
    bool complete = true;
    for (auto _ : state) {
        const qint64 before = BytesRead();
        const SSong song = maker->Make(QStringLiteral("S"), info.path(), info.fileName(), rules);
        read += BytesRead() - before;
        complete &= song.m_TITLE == QLatin1String("Title") && !song.m_DURATION.isEmpty();
        ++files;
    }
    state.SetLabel(CAudioFiles::Extension(format).toStdString());
    state.counters["files/s"] = benchmark::Counter(double(files), benchmark::Counter::kIsRate);
    state.counters["bytes_read/file"] = double(read) / double(files);
    state.counters["file_bytes"] = double(info.size());
    state.counters["complete"] = complete ? 1 : 0;
}
BENCHMARK(BM_IntakeFormat)
    ->DenseRange(int(EAudioFormat::Mpeg), int(EAudioFormat::Mp4))
    ->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    return RunBenchmarks(argc, argv);
}
