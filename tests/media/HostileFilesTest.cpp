// Files made to hurt the intake: huge, hollow, or with tags that claim or unpack to far
// more than they hold. Each must cost what an ordinary song costs.
#include "media/CStreamProbe.h"
#include "media/CTagReader.h"
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
    static QByteArray ApeItem(const QByteArray& key, const QByteArray& value)
    {
        QByteArray out(8, '\0');
        qToLittleEndian<quint32>(quint32(value.size()), out.data());
        return out + key + '\0' + value;
    }
    static QByteArray ApeTag(const QList<QByteArray>& items)
    {
        QByteArray footer = "APETAGEX" + QByteArray(24, '\0');
        const QByteArray data = items.join();
        qToLittleEndian<quint32>(2000, footer.data() + 8);
        qToLittleEndian<quint32>(quint32(data.size() + 32), footer.data() + 12);
        qToLittleEndian<quint32>(quint32(items.size()), footer.data() + 16);
        return data + footer;
    }
    struct SChildRun
    {
        int status = -1;
        double seconds = 0;
        qint64 addedKb = 0; // peak memory beyond what the test process held
    };
    // Reads the tag in a child process, so that the memory the read takes is measured on
    // its own; the child's exit status is 0 when `check` passes on the fields.
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
    QString Song(const QByteArray& front, const QByteArray& back = {})
    {
        const QString path = env.Root() + QStringLiteral("/tagged%1.mp3").arg(++count);
        CMp3Factory::SStream s;
        s.seconds = 1;
        EXPECT_TRUE(CMp3Factory::WriteSong(path, s, front, back));
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
    const QByteArray cover = ApeItem("Cover", QByteArray(20000, 'c'));
    const struct
    {
        QByteArray head, tail;
        QString title, artist;
    } cases[] = {
        {{}, {}, {}, {}},
        {v2 + audio, v1, "Front", "Artist"},
        {QByteArray(20000, 'j') + v2 + audio, {}, "Front", {}},
        {bigV2 + audio, ApeTag({cover, ApeItem("Title", "Ape")}) + v1, "Behind a picture",
         "Artist"},
        {audio, ApeTag({cover, ApeItem("Title", "Ape")}), "Ape", {}},
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
    EXPECT_EQ(probe->LastMethod(), CStreamProbe::EMethod::EstimatedFromStart);
    EXPECT_NEAR(probe->m_duration.toDouble(), info.seconds, info.seconds * 0.01);
    EXPECT_NEAR(probe->m_bitrate.toDouble(), info.averageKbps, 2.0);
}

TEST_F(HostileFilesTest, FramesThatInflateTooFarAreLeftOut)
{
    // Lyrics of 128 MB of 'x' in 130 kB, claiming their true size or a small one; 900
    // frames of 250 kB each in 250 kB; the lyrics bomb inside a chapter frame; a last
    // frame cut short that the library skips, unless it moves up into the padding.
    const QByteArray bomb = CId3Writer::DeflateRun(QByteArray("\0eng\0", 5), 'x', 128);
    const QByteArray quarter = CId3Writer::Deflate(QByteArray(250000, 'x'));
    const QByteArray small = CId3Writer::Deflate(QByteArray("\0eng\0la la", 10));
    const QString title = QStringLiteral("After the bomb");
    for (int version : {3, 4}) {
        const auto writer = [version] { return CId3Writer(version, EEncoding::Latin1); };
        CId3Writer many = writer();
        for (int i = 0; i < 900; ++i)
            many.Compressed("PRIV", quarter, 250000);
        const QByteArray inChapter =
            writer().Compressed("USLT", bomb, 100).Build().mid(10); // its frames only
        const QByteArray chapter = QByteArray("ch1\0", 4) + QByteArray(16, '\0') + inChapter;
        QByteArray cut = writer()
                             .Compressed("USLT", bomb, 100)
                             .Text("TIT2", title)
                             .Compressed("PRIV", bomb.left(200), 100)
                             .Build();
        cut.replace(cut.size() - 210, 4,
                    version == 4 ? CId3Writer::Syncsafe(100000) : QByteArray("\0\x01\x86\xa0", 4));
        for (const QByteArray& tag :
             {writer().Compressed("USLT", bomb, 128u << 20).Text("TIT2", title).Build(),
              writer().Compressed("USLT", bomb, 100).Text("TIT2", title).Build(),
              many.Text("TIT2", title).Build(),
              writer().Raw("CHAP", chapter).Text("TIT2", title).Build(), cut}) {
            const SChildRun run = ReadInChild(Song(tag), [&title](const STagFields& f) {
                return f.lyrics.isEmpty() && f.title == title;
            });
            EXPECT_EQ(run.status, 0) << "v2." << version << " " << count;
            EXPECT_LT(run.seconds, 1.0) << count;
            EXPECT_LT(run.addedKb, 64 * 1024) << count;
        }
        // Compressed frames of a sane size still read.
        STagFields fields;
        CTagReader::ReadTagFields(Song(writer().Compressed("USLT", small, 9).Build()), fields);
        EXPECT_EQ(fields.lyrics.toStdString(), "la la") << version;
    }
}

TEST_F(HostileFilesTest, TagsOfCountlessTinyFramesCostWhatASongDoes)
{
    const QString title = QStringLiteral("First");
    for (int version : {2, 3, 4}) {
        CId3Writer tag(version, EEncoding::Latin1);
        tag.Text("TIT2", title);
        for (int i = 0; i < 300000; ++i) // 2 to 3 MB of one-byte frames
            tag.Raw("TXXX", QByteArray(1, '\0'));
        const SChildRun run = ReadInChild(
            Song(tag.Build()), [&title](const STagFields& f) { return f.title == title; });
        EXPECT_EQ(run.status, 0) << "v2." << version;
        EXPECT_LT(run.seconds, 1.0) << version;
        EXPECT_LT(run.addedKb, 64 * 1024) << version;
    }
    QList<QByteArray> items{ApeItem("Title", title.toUtf8())};
    for (int i = 0; i < 300000; ++i)
        items << ApeItem("K" + QByteArray::number(i), "v");
    const SChildRun ape = ReadInChild(Song({}, ApeTag(items)),
                                      [&title](const STagFields& f) { return f.title == title; });
    EXPECT_EQ(ape.status, 0) << "APE";
    EXPECT_LT(ape.seconds, 1.0);
    EXPECT_LT(ape.addedKb, 64 * 1024);
}

} // namespace
