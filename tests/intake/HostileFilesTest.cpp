// Files made to hurt the intake: huge, hollow, or with tags that claim or unpack to far
// more than they hold. Each must cost what an ordinary song costs.
#include "intake/CStreamProbe.h"
#include "intake/CTagReader.h"
#include "support/CId3Writer.h"
#include "support/CMp3Factory.h"
#include "support/CTestEnvironment.h"

#include <QElapsedTimer>
#include <QFile>
#include <QtEndian>
#include <cmath>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using EEncoding = CId3Writer::EEncoding;

namespace {

class HostileFilesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        probe = CStreamProbe::Create();
        ASSERT_TRUE(probe);
    }
    // head, a hole up to `size` (no disk is used for it), tail.
    QString Sparse(qint64 size, const QByteArray& head, const QByteArray& tail)
    {
        const QString path = env.Root() + QStringLiteral("/huge%1.mp3").arg(++count);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(head);
        EXPECT_TRUE(file.resize(size - tail.size()));
        file.seek(size - tail.size());
        file.write(tail);
        return path;
    }
    // Reads the tag and probes the file; the seconds both took.
    double ReadAndProbe(const QString& path, STagFields& fields)
    {
        QElapsedTimer timer;
        timer.start();
        CTagReader::ReadTagFields(path, fields);
        probe->Probe(path);
        return timer.nsecsElapsed() / 1e9;
    }
    static QByteArray ApeTag(const QByteArray& title, int filler)
    {
        auto item = [](const QByteArray& key, const QByteArray& value) {
            QByteArray out(8, '\0');
            qToLittleEndian<quint32>(quint32(value.size()), out.data());
            return out + key + '\0' + value;
        };
        const QByteArray items = item("Cover", QByteArray(filler, 'c')) + item("Title", title);
        QByteArray footer = "APETAGEX" + QByteArray(24, '\0');
        qToLittleEndian<quint32>(2000, footer.data() + 8);
        qToLittleEndian<quint32>(quint32(items.size() + 32), footer.data() + 12);
        qToLittleEndian<quint32>(2, footer.data() + 16);
        return items + footer;
    }

    struct SChildRun
    {
        int status = -1;
        double seconds = 0;
        qint64 addedKb = 0; // peak memory beyond what the test process held
    };
    // Reads the tag in a child process, so that the memory the read takes can be told
    // apart; the child's exit status is 0 when `check` passes on the fields.
    static SChildRun ReadInChild(const QString& path,
                                 const std::function<bool(const STagFields&)>& check)
    {
        QFile statm(QStringLiteral("/proc/self/statm"));
        statm.open(QIODevice::ReadOnly);
        const qint64 heldKb =
            statm.readAll().split(' ').value(1).toLongLong() * sysconf(_SC_PAGESIZE) / 1024;
        QElapsedTimer timer;
        timer.start();
        const pid_t pid = fork();
        if (pid == 0) {
            STagFields fields;
            CTagReader::ReadTagFields(path, fields);
            _exit(check(fields) ? 0 : 1);
        }
        SChildRun run;
        struct rusage usage = {};
        int status = 0;
        if (wait4(pid, &status, 0, &usage) == pid && WIFEXITED(status))
            run.status = WEXITSTATUS(status);
        run.seconds = timer.nsecsElapsed() / 1e9;
        run.addedKb = usage.ru_maxrss - heldKb;
        return run;
    }
    QString Song(const QByteArray& tag)
    {
        const QString path = env.Root() + QStringLiteral("/tagged%1.mp3").arg(++count);
        CMp3Factory::SStream s;
        s.seconds = 1;
        EXPECT_TRUE(CMp3Factory::WriteSong(path, s, tag));
        return path;
    }

    CTestEnvironment env;
    std::unique_ptr<CStreamProbe> probe;
    int count = 0;
};

TEST_F(HostileFilesTest, HugeHollowFilesCostWhatASongDoes)
{
    constexpr qint64 kHuge = 6LL << 30;
    CMp3Factory::SStream s;
    s.seconds = 1;
    const QByteArray audio = CMp3Factory::Audio(s);
    const QByteArray v2 = CId3Writer(3, EEncoding::Latin1).Text("TIT2", "Front").Build();
    // Tags larger than the first look at either end still read whole.
    const QByteArray bigV2 = CId3Writer(3, EEncoding::Latin1)
                                 .Raw("PRIV", QByteArray(200000, 'p'))
                                 .Text("TIT2", "Behind a picture")
                                 .Build();
    const QByteArray v1 = CId3Writer::Id3v1("Back", "Artist", "", "", "", 17);
    const struct
    {
        QByteArray head, tail;
        QString title, artist;
    } cases[] = {
        {{}, {}, {}, {}},
        {v2 + audio, v1, "Front", "Artist"},
        {QByteArray(3000, 'j') + v2 + audio, {}, "Front", {}},
        {bigV2 + audio, ApeTag("Ape", 20000) + v1, "Behind a picture", "Artist"},
        {audio, ApeTag("Ape", 20000), "Ape", {}},
    };
    for (const auto& c : cases) {
        STagFields fields;
        const double seconds = ReadAndProbe(Sparse(kHuge, c.head, c.tail), fields);
        EXPECT_LT(seconds, 0.5) << c.title.toStdString();
        EXPECT_EQ(fields.title.toStdString(), c.title.toStdString());
        EXPECT_EQ(fields.artist.toStdString(), c.artist.toStdString());
        // A second of sound in gigabytes of nothing is no song.
        EXPECT_TRUE(probe->m_duration.isEmpty()) << probe->m_duration.toStdString();
    }
}

TEST_F(HostileFilesTest, LongVariableStreamsAreMeasuredFromTheirStart)
{
    CMp3Factory::SStream s;
    s.kind = CMp3Factory::EKind::VbrNoHeader;
    s.seconds = 2400; // about 42 MB, more than a full scan covers
    CMp3Factory::SAudioInfo info;
    const QString path = env.Root() + QStringLiteral("/long.mp3");
    ASSERT_TRUE(CMp3Factory::WriteSong(path, s, {}, {}, &info));
    ASSERT_GT(info.streamBytes, CStreamProbe::kMaxScanBytes);

    probe->Probe(path);
    EXPECT_EQ(probe->LastMethod(), CStreamProbe::EMethod::PartialScan);
    EXPECT_NEAR(probe->m_duration.toDouble(), info.seconds, info.seconds * 0.01);
    EXPECT_NEAR(probe->m_bitrate.toDouble(), info.averageKbps, 2.0);
}

TEST_F(HostileFilesTest, FramesThatInflateTooFarAreLeftOut)
{
    // Lyrics of 128 MB of 'x' in 130 kB, claiming their true size or a small one.
    const QByteArray bomb = CId3Writer::DeflateRun(QByteArray("\0eng\0", 5), 'x', 128);
    const QByteArray small = CId3Writer::Deflate(QByteArray("\0eng\0la la", 10));
    for (int version : {3, 4}) {
        for (quint32 declared : {128u << 20, 100u}) {
            const QString path = Song(CId3Writer(version, EEncoding::Latin1)
                                          .Compressed("USLT", bomb, declared)
                                          .Text("TIT2", "After the bomb")
                                          .Build());
            const SChildRun run = ReadInChild(path, [](const STagFields& f) {
                return f.lyrics.isEmpty() && f.title == QLatin1String("After the bomb");
            });
            EXPECT_EQ(run.status, 0) << "v2." << version << ", declared " << declared;
            EXPECT_LT(run.seconds, 1.0);
            EXPECT_LT(run.addedKb, 64 * 1024);
        }
        // Compressed frames of a sane size still read.
        STagFields fields;
        CTagReader::ReadTagFields(
            Song(CId3Writer(version, EEncoding::Latin1).Compressed("USLT", small, 9).Build()),
            fields);
        EXPECT_EQ(fields.lyrics.toStdString(), "la la") << version;
    }
}

} // namespace
