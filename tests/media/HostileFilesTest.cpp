// Files made to hurt the intake: huge, hollow, or with tags that claim or unpack to far
// more than they hold. Each must cost what an ordinary song costs.
#include "media/CCoverReader.h"
#include "media/CStreamProbe.h"
#include "media/CTagReader.h"
#include "media/CTaggedFile.h"
#include "support/CId3Writer.h"
#include "support/CMp3Factory.h"
#include "support/CTestEnvironment.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageWriter>
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
        CTaggedFile::Read(path, fields);
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
        qint64 addedKb = 0; // peak memory beyond what the child held when it began
    };
    static qint64 ResidentKb()
    {
        QFile statm(QStringLiteral("/proc/self/statm"));
        statm.open(QIODevice::ReadOnly);
        return statm.readAll().split(' ').value(1).toLongLong() * sysconf(_SC_PAGESIZE) / 1024;
    }
    // Runs `body` in a child process, so that the memory it takes is measured on its own;
    // the child's exit status is 0 when it returns true.
    static SChildRun RunInChild(const std::function<bool()>& body)
    {
        int added[2];
        if (pipe(added) != 0)
            return {};
        QElapsedTimer timer;
        timer.start();
        const pid_t pid = fork();
        if (pid == 0) {
            // A child starts with fewer resident pages than its parent: it counts its own.
            const qint64 startKb = ResidentKb();
            const bool passed = body();
            struct rusage usage = {};
            getrusage(RUSAGE_SELF, &usage);
            const qint64 kb = usage.ru_maxrss - startKb;
            _exit(write(added[1], &kb, sizeof kb) == sizeof kb && passed ? 0 : 1);
        }
        close(added[1]);
        SChildRun run;
        int status = 0;
        if (waitpid(pid, &status, 0) == pid && WIFEXITED(status))
            run.status = WEXITSTATUS(status);
        run.seconds = timer.nsecsElapsed() / 1e9;
        if (read(added[0], &run.addedKb, sizeof run.addedKb) != sizeof run.addedKb)
            run.addedKb = -1;
        close(added[0]);
        return run;
    }
    // Reads the tag in a child process; its exit status is 0 when `check` passes on the
    // fields.
    static SChildRun ReadInChild(const QString& path,
                                 const std::function<bool(const STagFields&)>& check)
    {
        return RunInChild([&] {
            STagFields fields;
            CTaggedFile::Read(path, fields);
            return check(fields);
        });
    }
    // `bytes` at the start of a new file of `size` bytes (a hole after them uses no disk).
    QString Write(const QString& name, const QByteArray& bytes, qint64 size = 0)
    {
        const QString path = env.Root() + u'/' + name;
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        if (size > bytes.size()) {
            EXPECT_TRUE(file.resize(size));
        }
        return path;
    }
    static QByteArray Be32(quint32 value)
    {
        QByteArray bytes(4, '\0');
        qToBigEndian(value, bytes.data());
        return bytes;
    }
    static QByteArray Le32(quint32 value)
    {
        QByteArray bytes(4, '\0');
        qToLittleEndian(value, bytes.data());
        return bytes;
    }
    static QByteArray Atom(const QByteArray& name, const QByteArray& body)
    {
        return Be32(quint32(8 + body.size())) + name + body;
    }
    // An M4A file whose tag holds `items`, the last of which may claim more than follows.
    static QByteArray M4a(const QByteArray& items)
    {
        const QByteArray handler =
            Atom("hdlr", QByteArray(8, '\0') + "mdirappl" + QByteArray(9, '\0'));
        const QByteArray meta = Atom("meta", Be32(0) + handler + Atom("ilst", items));
        return Atom("ftyp", QByteArray("M4A \0\0\0\0isom", 12)) + Atom("moov", Atom("udta", meta));
    }
    static QByteArray Mp4Text(const QByteArray& name, const QByteArray& text)
    {
        return Atom(name, Atom("data", Be32(1) + Be32(0) + text));
    }
    // A picture of 16 x 16 pixels whose header claims `side` a side.
    static QByteArray Jpeg(int side, bool progressive)
    {
        QImage image(16, 16, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setProgressiveScanWrite(progressive);
        EXPECT_TRUE(writer.write(image));
        const qsizetype frame = bytes.indexOf(progressive ? "\xff\xc2" : "\xff\xc0");
        qToBigEndian<quint16>(quint16(side), bytes.data() + frame + 5);
        qToBigEndian<quint16>(quint16(side), bytes.data() + frame + 7);
        return bytes;
    }
    // A FLAC picture block's body for `image`, claiming `length` bytes of image.
    static QByteArray FlacPicture(int type, const QByteArray& image, qint64 length)
    {
        return Be32(quint32(type)) + Be32(10) + "image/jpeg" + Be32(0) + QByteArray(16, '\0') +
               Be32(quint32(length)) + image;
    }
    // An Ogg stream of `packets`, each cut into pages of at most 255 segments.
    static QByteArray Ogg(const QList<QByteArray>& packets)
    {
        QByteArray out;
        quint32 sequence = 0;
        for (const QByteArray& packet : packets) {
            qsizetype at = 0;
            bool open = true; // the last segment was a full one: the packet goes on
            for (bool first = true; open; first = false) {
                QByteArray lacing;
                const qsizetype start = at;
                while (open && lacing.size() < 255) {
                    const int segment = int(std::min<qsizetype>(255, packet.size() - at));
                    lacing += char(segment);
                    at += segment;
                    open = segment == 255;
                }
                const char flags = first ? (sequence == 0 ? 2 : 0) : 1;
                out += "OggS" + QByteArray(1, '\0') + QByteArray(1, flags) + QByteArray(8, '\0') +
                       Le32(7) + Le32(sequence++) + Le32(0) + char(lacing.size()) + lacing +
                       packet.mid(start, at - start);
            }
        }
        return out;
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
        CTaggedFile::Read(Song(writer().Compressed("USLT", small, 9).Build()), fields);
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

TEST_F(HostileFilesTest, M4aItemsCostNoMoreThanTheFileHoldsNorTheBound)
{
    // 37 KB, the last item claiming 4 GiB; an item holding 64 MB (a hole).
    const QByteArray claim = Be32(0xffffffff) + "\251cmt" + QByteArray(37000, 'x');
    const QByteArray title = Mp4Text("\251nam", "Title");
    const QString claiming = Write("claim.m4a", M4a(title + claim));
    const QByteArray holding = M4a(title + Be32(64 << 20) + "\251cmt");
    const QString large = Write("large.m4a", holding, holding.size() + (64 << 20));
    for (const QString& path : {claiming, large}) {
        const SChildRun run = RunInChild([&path] {
            STagFields fields;
            CTaggedFile::Read(path, fields);
            return fields.title == u"Title" && CCoverReader::EmbeddedCover(path).isEmpty();
        });
        EXPECT_EQ(run.status, 0) << path.toStdString();
        EXPECT_LT(run.seconds, 1.0) << path.toStdString();
        EXPECT_LT(run.addedKb, (path == claiming ? 8 : 40) * 1024) << path.toStdString();
    }
}

TEST_F(HostileFilesTest, PicturesClaimingHugeSizesAreRefusedUndecoded)
{
    // 16 x 16 pixels whose header claims 20000 x 20000: a progressive JPEG is decoded
    // whole, and libjpeg would hold gigabytes of coefficients for it.
    const QByteArray huge = Jpeg(20000, true);
    Write("folder/cover.jpg", huge);
    const QString folder = env.Root() + QStringLiteral("/folder");
    const QByteArray picture =
        QByteArray(1, '\0') + QByteArray("image/jpeg\0", 11) + char(3) + '\0' + huge;
    const QString song = Song(CId3Writer(3, EEncoding::Latin1).Raw("APIC", picture).Build());
    const SChildRun run = RunInChild([&] {
        const QByteArray beside = CCoverReader::FolderCover(folder);
        const QByteArray embedded = CCoverReader::EmbeddedCover(song);
        return beside == huge && embedded == huge && CCoverReader::Thumbnail(beside).isEmpty() &&
               CCoverReader::Thumbnail(embedded).isEmpty();
    });
    EXPECT_EQ(run.status, 0);
    EXPECT_LT(run.seconds, 1.0);
    EXPECT_LT(run.addedKb, 16 * 1024);
    // Within the bounds the same bytes make a thumbnail, and a baseline JPEG, decoded at an
    // eighth of its size, may claim that much.
    EXPECT_FALSE(CCoverReader::Thumbnail(Jpeg(2000, true)).isEmpty());
    EXPECT_FALSE(CCoverReader::Thumbnail(Jpeg(20000, false)).isEmpty());
}

TEST_F(HostileFilesTest, OggCommentsAreReadNoFurtherThanTheBound)
{
    const QByteArray back = Jpeg(16, false);
    const QByteArray front = Jpeg(24, false);
    // The comment packet: a title, `fill` bytes of comment, a back and a front cover.
    const auto comment = [&](const QByteArray& name, qint64 fill) {
        QByteArray packet = name + Le32(4) + "test" + Le32(4);
        const auto add = [&packet](const QByteArray& field) {
            packet += Le32(quint32(field.size())) + field;
        };
        add("TITLE=Ogg");
        packet += Le32(quint32(8 + fill)) + "COMMENT=";
        packet.append(fill, 'c');
        for (const auto& [type, image] : {std::pair(0, back), std::pair(3, front)})
            add("METADATA_BLOCK_PICTURE=" + FlacPicture(type, image, image.size()).toBase64());
        return packet;
    };
    const QByteArray vorbis = QByteArray("\x01vorbis", 7) + Le32(0) + char(2) + Le32(44100) +
                              Le32(0) + Le32(128000) + Le32(0) + char(0xb8) + char(1);
    const QByteArray setup = QByteArray("\x05vorbis", 7) + QByteArray(20, '\0');
    const QByteArray opus =
        "OpusHead" + QByteArray("\x01\x02\0\0", 4) + Le32(48000) + QByteArray(3, '\0');
    const QByteArray audio(200, '\0');
    const QString song = Write("song.ogg", Ogg({vorbis, comment("\x03vorbis", 10), setup, audio}));
    EXPECT_EQ(CCoverReader::EmbeddedCover(song), front);
    const QString opusSong = Write("song.opus", Ogg({opus, comment("OpusTags", 10), audio}));
    EXPECT_EQ(CCoverReader::EmbeddedCover(opusSong), front);

    // 17 MB of comment before the pictures, past the bound. Made by a child process: the
    // reading one would find the megabytes freed here and take them without growing.
    const QString big = env.Root() + QStringLiteral("/big.ogg");
    ASSERT_EQ(RunInChild([&] {
                  return Write("big.ogg",
                               Ogg({vorbis, comment("\x03vorbis", 17 << 20), setup, audio})) == big;
              }).status,
              0);
    const SChildRun run = RunInChild([&big] {
        STagFields fields;
        CTaggedFile::Read(big, fields);
        return fields.title == u"Ogg" && CCoverReader::EmbeddedCover(big).isEmpty();
    });
    EXPECT_EQ(run.status, 0);
    EXPECT_LT(run.seconds, 1.0);
    EXPECT_LT(run.addedKb, 64 * 1024);
}

TEST_F(HostileFilesTest, FlacCoverIsReadAloneAmongLargePictures)
{
    // Eight pictures of 16 MB each (holes but for their headers), the front cover last.
    constexpr qint64 kBlock = 0xffffff;
    const QByteArray image = Jpeg(16, false);
    const QByteArray head = "fLaC" + Be32(34) + QByteArray(34, '\0'); // the stream's figures
    const QString path = Write("pictures.flac", head, head.size() + 8 * (4 + kBlock) + 200);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    for (int i = 0; i < 8; ++i) {
        file.seek(head.size() + i * (4 + kBlock));
        file.write(char(i < 7 ? 6 : 0x86) + Be32(kBlock).mid(1) +
                   (i < 7 ? FlacPicture(0, {}, kBlock - 42) : FlacPicture(3, image, image.size())));
    }
    file.close();

    const SChildRun run = RunInChild([&path, &image] {
        STagFields fields;
        CTaggedFile::Read(path, fields);
        return CCoverReader::EmbeddedCover(path) == image;
    });
    EXPECT_EQ(run.status, 0);
    EXPECT_LT(run.seconds, 1.0);
    EXPECT_LT(run.addedKb, 48 * 1024);
}

TEST_F(HostileFilesTest, MemoryRefusedIsTheFilesErrorNotTheEnd)
{
    // An item of 12 MB (a hole), more than the child has left; then an ordinary file.
    const QByteArray item = M4a(Be32(12 << 20) + "\251cmt");
    const QString big = Write("big.m4a", item, item.size() + (12 << 20));
    const QString small = Write("small.m4a", M4a(Mp4Text("\251nam", "Small")));
    const SChildRun run = RunInChild([&] {
        // No more address space, and what the allocator has in hand is taken, but for a
        // megabyte or so.
        QFile statm(QStringLiteral("/proc/self/statm"));
        statm.open(QIODevice::ReadOnly);
        const rlim_t vm = statm.readAll().split(' ').value(0).toULongLong() * sysconf(_SC_PAGESIZE);
        const struct rlimit limit = {vm, vm};
        setrlimit(RLIMIT_AS, &limit);
        std::vector<std::unique_ptr<char[]>> held[2];
        for (const int i : {0, 1}) {
            try {
                for (;;)
                    held[i].emplace_back(new char[i == 0 ? 1 << 20 : 64 << 10]);
            } catch (const std::bad_alloc&) {
            }
        }
        held[1].resize(held[1].size() - std::min<size_t>(held[1].size(), 16));
        STagFields fields;
        const bool read = CTaggedFile::Read(big, fields);
        CTaggedFile::Read(small, fields);
        return !read && fields.title == u"Small";
    });
    EXPECT_EQ(run.status, 0) << "-1: the child was ended by a signal";
}

} // namespace
