#include "db/CCoverStore.h"
#include "intake/CSessionOperations.h"
#include "library/CCovers.h"
#include "media/CCoverReader.h"
#include "support/CDocFixture.h"
#include "support/CId3Writer.h"
#include "support/CMp3Factory.h"
#include "support/COpenCounter.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QImageReader>
#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace {

// A picture of the given size: noise (which JPEG compresses worst) or a transparent one.
QByteArray Picture(int width, int height, const char* format, bool transparent = false)
{
    QImage image(width, height, transparent ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, transparent ? qRgba(200, 0, 0, (x + y) % 256) : random.generate());
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QByteArray Apic(int type, const QByteArray& picture)
{
    return QByteArray(1, '\0') + "image/jpeg" + '\0' + char(type) + '\0' + picture;
}

TEST(CoverThumbnail, EveryPictureFitsTheCataloguesBoundsAndNoPictureGivesNone)
{
    struct SCase
    {
        QByteArray picture;
        const char* format; // what the thumbnail is; nullptr for none
    };
    const SCase cases[] = {{Picture(1200, 900, "JPEG"), "jpeg"},
                           {Picture(500, 500, "PNG", true), "png"},
                           {Picture(40, 30, "PNG"), "jpeg"},
                           {Picture(300, 300, "PNG"), "jpeg"}, // noise: fits only smaller
                           {QByteArray("not a picture at all"), nullptr},
                           {QByteArray(), nullptr}};
    for (const SCase& c : cases) {
        const QByteArray thumbnail = CCoverReader::Thumbnail(c.picture);
        if (!c.format) {
            EXPECT_TRUE(thumbnail.isEmpty());
            continue;
        }
        EXPECT_LE(thumbnail.size(), CCoverReader::kThumbnailBytes);
        QBuffer buffer;
        buffer.setData(thumbnail);
        QImageReader reader(&buffer);
        EXPECT_EQ(reader.format(), c.format);
        const QSize size = reader.size();
        EXPECT_LE(std::max(size.width(), size.height()), CCoverReader::kThumbnailSide);
        EXPECT_GE(std::min(size.width(), size.height()), 20) << "shrunk more than needed";
    }
}

struct CoverIntakeTest : ::testing::Test
{
    CDocFixture f;
    QString root;
    void SetUp() override
    {
        f.volumes.Mount("/", SVolume::EType::Fixed, 0, false);
        root = f.env.MakeDir("Covers");
    }
    qint64 IdOf(const QString& name)
    {
        return f.doc.Set().FindFirst(CFilter::Equals(ESongColumn::MELODI, name))->m_ID;
    }
    int Covers()
    {
        CStatement s(f.doc.Database(), "SELECT count(*) FROM Covers");
        return s.Step() ? int(s.Int(0)) : -1;
    }
};

// An album's picture is stored once; a front cover wins over the others; a folder's
// cover.jpg stands in for songs without one; the thumbnails stay when the folder goes.
TEST_F(CoverIntakeTest, CoversAreStoredOncePerPictureAndShownWhenTheFolderIsGone)
{
    const QByteArray front = Picture(600, 600, "JPEG");
    const QByteArray back = Picture(100, 80, "JPEG");
    const QByteArray tag = CId3Writer(3, CId3Writer::EEncoding::Latin1)
                               .Raw("APIC", Apic(4, back))
                               .Raw("APIC", Apic(3, front))
                               .Build();
    const CMp3Factory::SStream stream;
    for (const char* name : {"/Album/a.mp3", "/Album/b.mp3"})
        ASSERT_TRUE(CMp3Factory::WriteSong(root + name, stream, tag));
    ASSERT_TRUE(CMp3Factory::WriteSong(root + "/Album/c.mp3", stream));
    ASSERT_TRUE(CMp3Factory::WriteSong(root + "/Folder/d.mp3", stream));
    const QByteArray folderCover = Picture(300, 200, "PNG");
    ASSERT_TRUE(CMp3Factory::WriteFile(root + "/Folder/Cover.JPG", folderCover));
    CSessionOperations ops(f.doc, f.services);
    ASSERT_EQ(ops.AddSession("Covers", root).stored, 4);

    CCovers covers(f.doc, f.services);
    EXPECT_EQ(Covers(), 2);
    EXPECT_EQ(covers.Thumbnail(IdOf("a.mp3")), CCoverReader::Thumbnail(front));
    EXPECT_EQ(covers.Thumbnail(IdOf("b.mp3")), CCoverReader::Thumbnail(front));
    EXPECT_TRUE(covers.Thumbnail(IdOf("c.mp3")).isEmpty());
    EXPECT_EQ(covers.Thumbnail(IdOf("d.mp3")), CCoverReader::Thumbnail(folderCover));
    EXPECT_EQ(covers.FullPicture(IdOf("a.mp3")), front);

    ASSERT_TRUE(QDir(root).removeRecursively());
    EXPECT_EQ(covers.Thumbnail(IdOf("a.mp3")), CCoverReader::Thumbnail(front));
    EXPECT_TRUE(covers.FullPicture(IdOf("a.mp3")).isEmpty());

    f.prompts.answers << CPrompts::EAnswer::Ok;
    f.Reload();
    ops.DeleteSession(QStringLiteral("Covers"));
    EXPECT_EQ(Covers(), 0);
}

// A folder picture past the stated bound is refused by its size, before a byte of it is read,
// and the song beside it is still taken in, without a cover.
TEST_F(CoverIntakeTest, AnOversizeFolderPictureIsNeverReadAndTheSongIsTakenIn)
{
    ASSERT_TRUE(CMp3Factory::WriteSong(root + "/Big/a.mp3", CMp3Factory::SStream()));
    const QString big = root + "/Big/folder.jpg";
    ASSERT_TRUE(CMp3Factory::WriteFile(big, Picture(50, 50, "JPEG")));
    ASSERT_TRUE(QFile::resize(big, CCoverReader::kMaxPicture + 1)); // a picture, and more
    COpenCounter watch(big);
    ASSERT_EQ(CSessionOperations(f.doc, f.services).AddSession("Big", root + "/Big").stored, 1);
    EXPECT_EQ(watch.Reads(), 0);
    EXPECT_TRUE(CCovers(f.doc, f.services).Thumbnail(IdOf("a.mp3")).isEmpty());
}

} // namespace
