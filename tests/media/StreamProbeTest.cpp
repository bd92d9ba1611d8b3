#include "media/CCoverReader.h"
#include "media/CSongFromFile.h"
#include "media/CStreamProbe.h"
#include "platform/CCachedFile.h"
#include "support/CId3Writer.h"
#include "support/CMp3Factory.h"
#include "support/COpenCounter.h"
#include "support/CTestEnvironment.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

using CMp3Factory::EKind;
using EMethod = CStreamProbe::EMethod;

namespace {

class StreamProbeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        probe = CStreamProbe::Create();
        ASSERT_TRUE(probe);
    }
    QString Write(const CMp3Factory::SStream& s, CMp3Factory::SAudioInfo* info = nullptr,
                  const QByteArray& front = {}, const QByteArray& back = {})
    {
        const QString path = env.Root() + QStringLiteral("/s%1.mp3").arg(++count);
        EXPECT_TRUE(CMp3Factory::WriteSong(path, s, front, back, info));
        return path;
    }
    // Probes a stream and checks the figures against what was written.
    void Expect(const CMp3Factory::SStream& s, EMethod method, const QByteArray& front = {},
                const QByteArray& back = {})
    {
        CMp3Factory::SAudioInfo info;
        probe->Probe(Write(s, &info, front, back));
        EXPECT_EQ(probe->LastMethod(), method);
        EXPECT_EQ(probe->m_duration, QString::number(std::lround(info.seconds)));
        EXPECT_NEAR(probe->m_bitrate.toDouble(), info.averageKbps, 1.0);
    }
    void ExpectUnknown(const QString& path)
    {
        probe->Probe(path);
        EXPECT_TRUE(probe->m_bitrate.isEmpty()) << path.toStdString();
        EXPECT_TRUE(probe->m_duration.isEmpty())
            << path.toStdString() << " " << probe->m_bitrate.toStdString() << " kbit/s "
            << probe->m_duration.toStdString() << " s " << int(probe->LastMethod());
    }

    CTestEnvironment env;
    std::unique_ptr<CStreamProbe> probe;
    int count = 0;
};

TEST_F(StreamProbeTest, ConstantStreamsOfEveryVersionAndLayer)
{
    CMp3Factory::SStream s;
    s.seconds = 10;
    Expect(s, EMethod::Constant);
    EXPECT_EQ(probe->m_bitrate, QStringLiteral("128"));
    EXPECT_EQ(probe->m_duration, QStringLiteral("10"));

    CMp3Factory::SStream mpeg2{
        .version = 2, .sampleRate = 22050, .bitrate = 64, .mono = true, .seconds = 61.5};
    Expect(mpeg2, EMethod::Constant);
    EXPECT_EQ(probe->m_duration, QStringLiteral("61"));
    // Whole seconds are rounded: 459 frames last 11.99 s.
    Expect({.seconds = 12}, EMethod::Constant);
    EXPECT_EQ(probe->m_duration, QStringLiteral("12"));
    // Layer II at every rate it allows, up to 384 kbit/s.
    for (const int kbps : {32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384}) {
        SCOPED_TRACE(kbps);
        Expect({.layer = 2, .sampleRate = 48000, .bitrate = kbps, .seconds = 7}, EMethod::Constant);
        EXPECT_EQ(probe->m_bitrate, QString::number(kbps));
    }
    CMp3Factory::SStream mpeg25{
        .version = 25, .sampleRate = 8000, .bitrate = 8, .mono = true, .seconds = 3};
    Expect(mpeg25, EMethod::Constant);
    EXPECT_EQ(probe->m_bitrate, QStringLiteral("8"));
    CMp3Factory::SStream info{.bitrate = 320, .kind = EKind::CbrInfo, .seconds = 240};
    Expect(info, EMethod::XingHeader);
    EXPECT_EQ(probe->m_bitrate, QStringLiteral("320"));
    // A constant stream has its nominal rate, however its padding and info frame skew
    // the average of a short file.
    for (const auto& [kbps, seconds] : {std::pair{160, 10.0}, std::pair{128, 4.0}}) {
        probe->Probe(Write({.bitrate = kbps, .kind = EKind::CbrInfo, .seconds = seconds}));
        EXPECT_EQ(probe->m_bitrate, QString::number(kbps)) << seconds << " s";
        probe->Probe(Write({.bitrate = kbps, .kind = EKind::Cbr, .seconds = seconds}));
        EXPECT_EQ(probe->m_bitrate, QString::number(kbps)) << seconds << " s, no info frame";
    }
}

TEST_F(StreamProbeTest, VariableStreamsByHeaderOrByScan)
{
    Expect({.bitrate = 160, .kind = EKind::VbrXing, .seconds = 200}, EMethod::XingHeader);
    Expect({.bitrate = 160, .kind = EKind::VbrVbri, .seconds = 30}, EMethod::VbriHeader);
    Expect({.bitrate = 160, .kind = EKind::VbrNoHeader, .seconds = 30}, EMethod::FullScan);
    Expect({.version = 2,
            .layer = 2,
            .sampleRate = 24000,
            .bitrate = 96,
            .kind = EKind::VbrNoHeader,
            .seconds = 7},
           EMethod::FullScan);
    // Frames and bytes are read wherever the other fields put them; without both counts
    // the stream is counted.
    for (const quint32 flags : {3u, 7u, 11u, 15u, 1u, 2u, 0u}) {
        SCOPED_TRACE(flags);
        Expect({.kind = EKind::VbrXing, .seconds = 20, .xingFlags = flags},
               (flags & 3) == 3 ? EMethod::XingHeader : EMethod::FullScan);
    }
    Expect(
        {.version = 2, .sampleRate = 24000, .bitrate = 64, .kind = EKind::VbrXing, .seconds = 20},
        EMethod::XingHeader);
    Expect({.bitrate = 96, .mono = true, .kind = EKind::VbrXing, .seconds = 20},
           EMethod::XingHeader);
    // Some encoders leave the info frame out of the byte count.
    Expect({.kind = EKind::VbrXing, .seconds = 20, .infoCounted = false}, EMethod::XingHeader);
}

TEST_F(StreamProbeTest, TagsAroundTheAudioDoNotCountAndAreReadOnce)
{
    const QByteArray big = CId3Writer(3, CId3Writer::EEncoding::Latin1)
                               .Text("TIT2", QStringLiteral("x"))
                               .Padding(3 * 1024 * 1024)
                               .Build();
    const QByteArray v1 = CId3Writer::Id3v1("t", "a", "b", "2000", "", 1);
    Expect({.kind = EKind::VbrXing, .seconds = 15}, EMethod::XingHeader, big, v1);
    Expect({.seconds = 15}, EMethod::Constant, big, v1);
    // Junk between tag and audio: the frames are found past it.
    Expect({.seconds = 15}, EMethod::Constant, big + QByteArray(300, 'j'), v1);
    // The tag reader has read the leading tag; the probe reads the first frames only.
    const QString path = Write({.seconds = 15}, nullptr, big, v1);
    const auto bytesRead = [] {
        QFile io(QStringLiteral("/proc/self/io"));
        return io.open(QIODevice::ReadOnly) ? io.readLine().mid(7).trimmed().toLongLong() : 0;
    };
    const qint64 before = bytesRead();
    probe->Probe(path);
    EXPECT_LT(bytesRead() - before, 16 * 1024);
    // Format, tag, measurement and cover share one open file and what it read: the tag
    // once, and a few blocks around it.
    const std::unique_ptr<CSongFromFile> maker = CSongFromFile::Create();
    const QByteArray small = CId3Writer(3, CId3Writer::EEncoding::Latin1)
                                 .Text("TIT2", QStringLiteral("x"))
                                 .Padding(1024)
                                 .Build();
    for (const QByteArray& front : {big, small}) {
        const QString song = Write({.seconds = 15}, nullptr, front, v1);
        COpenCounter opens(song);
        const qint64 start = bytesRead();
        SSong made;
        {
            CCachedFile file(song, CCachedFile::EReaders::Several);
            made = maker->Make({}, env.Root(), QFileInfo(song).fileName(), SSongRules(), song, {},
                               &file);
            CCoverReader::EmbeddedCover(song, file);
        }
        EXPECT_EQ(opens.Opens(), 1);
        EXPECT_LE(bytesRead() - start, front.size() + 16 * 1024);
        EXPECT_EQ(made.m_TITLE, QStringLiteral("x"));
        EXPECT_EQ(made.m_DURATION, QStringLiteral("15"));
    }
    QByteArray ape = QByteArray(40, 'i') + "APETAGEX" + QByteArray(24, '\0');
    ape[48] = char(0xd0); // version 2000
    ape[49] = char(0x07);
    ape[52] = char(72); // items and footer
    Expect({.kind = EKind::VbrXing, .seconds = 15}, EMethod::XingHeader, {}, ape + v1);
    // A Lyrics3 block before the ID3v1 tag.
    const QByteArray lyrics = "LYRICSBEGINLYR04000" + QByteArray(4000, 'l');
    const QByteArray lyrics3 =
        lyrics + QByteArray::number(lyrics.size()).rightJustified(6, '0') + "LYRICS200";
    Expect({.kind = EKind::VbrXing, .seconds = 15}, EMethod::XingHeader, {}, lyrics3 + v1);
}

TEST_F(StreamProbeTest, TruncatedStreamsAreMeasuredByWhatIsThere)
{
    CMp3Factory::SAudioInfo info;
    const QString path = Write({.bitrate = 160, .kind = EKind::VbrXing, .seconds = 100}, &info);
    QFile file(path);
    ASSERT_TRUE(file.resize(info.streamBytes / 2));
    probe->Probe(path);
    EXPECT_EQ(probe->LastMethod(), EMethod::FullScan);
    EXPECT_NEAR(probe->m_duration.toDouble(), 50, 3);
    EXPECT_NEAR(probe->m_bitrate.toDouble(), 160, 25);

    const QString cbr = Write({.kind = EKind::CbrInfo, .seconds = 100});
    QFile cut(cbr);
    ASSERT_TRUE(cut.resize(cut.size() / 4));
    probe->Probe(cbr);
    EXPECT_EQ(probe->LastMethod(), EMethod::Constant);
    EXPECT_NEAR(probe->m_duration.toDouble(), 25, 1);
    EXPECT_EQ(probe->m_bitrate, QStringLiteral("128"));
}

TEST_F(StreamProbeTest, ImplausibleOrBrokenInputIsUnknownAndSilent)
{
    // Everything the library might print would land in this file.
    std::fflush(stderr);
    const QString errPath = env.Root() + QStringLiteral("/stderr.txt");
    const int saved = dup(2);
    FILE* err = std::fopen(QFile::encodeName(errPath).constData(), "w");
    dup2(fileno(err), 2);

    ExpectUnknown(env.Root() + QStringLiteral("/missing.mp3"));
    ExpectUnknown(env.WriteFile(QStringLiteral("empty.mp3"), {}));
    ExpectUnknown(
        env.WriteFile(QStringLiteral("text.mp3"), QByteArray("Hello world\n").repeated(5000)));
    ExpectUnknown(env.MakeDir(QStringLiteral("folder.mp3")));
    const QString pipe = env.Root() + QStringLiteral("/pipe.mp3");
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    ExpectUnknown(pipe);
    const QString device = env.Root() + QStringLiteral("/zero.mp3");
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), device));
    ExpectUnknown(device);
    ExpectUnknown(Write({.seconds = 0.5}));
    ExpectUnknown(env.WriteFile(
        QStringLiteral("tagonly.mp3"),
        CId3Writer(4, CId3Writer::EEncoding::Utf8).Text("TIT2", QStringLiteral("t")).Build()));
    QByteArray huge = CId3Writer(3, CId3Writer::EEncoding::Latin1).Build();
    huge.replace(6, 4, CId3Writer::Syncsafe(200000000));
    ExpectUnknown(env.WriteFile(QStringLiteral("hugetag.mp3"), huge + QByteArray(1000, 'x')));
    QFile self(QCoreApplication::applicationFilePath());
    ASSERT_TRUE(self.open(QIODevice::ReadOnly));
    ExpectUnknown(env.WriteFile(QStringLiteral("program.mp3"), self.read(4 * 1024 * 1024)));
    std::mt19937 random(7);
    for (int i = 0; i < 20; ++i) {
        QByteArray noise(64 * 1024, '\0');
        for (char& c : noise)
            c = char(random());
        ExpectUnknown(env.WriteFile(QStringLiteral("noise%1.mp3").arg(i), noise));
    }
    // Still measures after all that.
    Expect({.seconds = 5}, EMethod::Constant);

    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    std::fclose(err);
    EXPECT_EQ(QFileInfo(errPath).size(), 0);
}

} // namespace

namespace {

TEST(Mp3FactoryTest, TaggedSongsReadBackAsWritten)
{
    CTestEnvironment env;
    const std::unique_ptr<CStreamProbe> probe = CStreamProbe::Create();
    const QString path = env.Root() + QStringLiteral("/x/song.mp3");
    CMp3Factory::SAudioInfo info;
    ASSERT_TRUE(CMp3Factory::WriteTaggedSong(path, 95, 192, EKind::VbrXing, QStringLiteral("T"),
                                             QStringLiteral("A"), QStringLiteral("B"), &info));
    probe->Probe(path);
    EXPECT_EQ(probe->m_duration, QStringLiteral("95"));
    EXPECT_NEAR(probe->m_bitrate.toDouble(), info.averageKbps, 1.0);
    EXPECT_NEAR(info.averageKbps, 192, 40);
}

} // namespace
