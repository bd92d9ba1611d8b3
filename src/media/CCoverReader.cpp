#include "media/CCoverReader.h"

#include "media/CId3Limits.h"
#include "media/CTagLibSupport.h"
#include "media/CTagRegions.h"
#include "platform/CCachedFile.h"
#include "platform/CFileNames.h"
#include "platform/CRegularFile.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <memory>
#include <taglib/attachedpictureframe.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/opusfile.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/vorbisfile.h>
#include <taglib/xiphcomment.h>

namespace {

QByteArray Bytes(const TagLib::ByteVector& data)
{
    if (data.isEmpty() || qint64(data.size()) > CCoverReader::kMaxPicture)
        return {};
    return QByteArray(data.data(), qsizetype(data.size()));
}

// ID3 picture types and FLAC's are the same numbers: 3 is the front cover.
template <typename Picture, typename List>
const Picture* Choose(const List& pictures, int frontType, int typeOf(const Picture*))
{
    const Picture* first = nullptr;
    for (const auto* item : pictures) {
        const auto* picture = dynamic_cast<const Picture*>(item);
        if (!picture)
            continue;
        if (typeOf(picture) == frontType)
            return picture;
        if (!first)
            first = picture;
    }
    return first;
}

// Whether the ID3v2 tag at the file's start may hold a picture: the frame identifier
// APIC (PIC in ID3v2.2) appears in its bytes. Most songs have none and cost a short read
// of the tag (from memory when the tag was read before); it is not parsed a second time.
bool MayHoldPicture(CCachedFile& file)
{
    // One read holds most tags whole; it goes to the stack, as this runs for every song.
    char start[4096];
    const qint64 got = file.Read(0, start, qint64(sizeof start));
    const QByteArrayView head(start, std::max<qint64>(got, 0));
    if (head.size() < 10 || !head.startsWith("ID3"))
        return false;
    const auto byte = [&head](int i) { return qint64(quint8(head.at(i)) & 0x7f); };
    const qint64 size = 10 + std::min(STagRegions::kMaxRegion,
                                      byte(6) << 21 | byte(7) << 14 | byte(8) << 7 | byte(9));
    if (size <= head.size())
        return head.first(size).contains("PIC");
    const QByteArray tag = head.toByteArray() + file.Read(head.size(), size - head.size());
    return QByteArrayView(tag).first(std::min<qint64>(tag.size(), size)).contains("PIC");
}

QByteArray FromId3(CCachedFile& file)
{
    if (!MayHoldPicture(file))
        return {};
    STagRegions regions;
    if (!regions.Read(file))
        return {};
    CId3Limits::Apply(regions.head);
    TagLib::ByteVectorStream stream(regions.head);
    TagLib::MPEG::File tagged(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
    if (!tagged.hasID3v2Tag())
        return {};
    using Frame = TagLib::ID3v2::AttachedPictureFrame;
    const Frame* chosen = Choose<Frame>(
        tagged.ID3v2Tag()->frameList("APIC"), Frame::FrontCover,
        +[](const Frame* f) { return int(f->type()); });
    return chosen ? Bytes(chosen->picture()) : QByteArray();
}

QByteArray FromPictureList(const TagLib::List<TagLib::FLAC::Picture*>& pictures)
{
    using Picture = TagLib::FLAC::Picture;
    const Picture* chosen = Choose<Picture>(
        pictures, Picture::FrontCover, +[](const Picture* p) { return int(p->type()); });
    return chosen ? Bytes(chosen->data()) : QByteArray();
}

QByteArray FromMp4(TagLib::MP4::File& file)
{
    TagLib::MP4::Tag* tag = file.tag();
    if (!tag || !tag->contains("covr"))
        return {};
    const TagLib::MP4::CoverArtList covers = tag->item("covr").toCoverArtList();
    return covers.isEmpty() ? QByteArray() : Bytes(covers.front().data());
}

// The library reads every format through its own classes, chosen here by the file's
// type; their reads are bounded by what each block or atom may hold.
QByteArray FromOtherFormat(const QString& suffix, TagLib::IOStream& stream)
{
    if (suffix == u"flac") {
        TagLib::FLAC::File file(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
        return file.isValid() ? FromPictureList(file.pictureList()) : QByteArray();
    }
    if (suffix == u"ogg" || suffix == u"oga") {
        TagLib::Ogg::Vorbis::File file(&stream, false);
        return file.isValid() && file.tag() ? FromPictureList(file.tag()->pictureList())
                                            : QByteArray();
    }
    if (suffix == u"opus") {
        TagLib::Ogg::Opus::File file(&stream, false);
        return file.isValid() && file.tag() ? FromPictureList(file.tag()->pictureList())
                                            : QByteArray();
    }
    if (suffix == u"m4a" || suffix == u"mp4" || suffix == u"m4b" || suffix == u"aac") {
        TagLib::MP4::File file(&stream, false);
        return file.isValid() ? FromMp4(file) : QByteArray();
    }
    return {};
}

struct SDirCloser
{
    void operator()(DIR* dir) const { ::closedir(dir); }
};

// The entries of the folder named as one of `names`, any letter case, in the order of their
// names. Compared here: a name pattern would be compiled anew for every folder.
QStringList NamesIn(const QString& folder, const QStringList& names)
{
    QStringList found;
    const std::unique_ptr<DIR, SDirCloser> dir(::opendir(CFileNames::Encode(folder).constData()));
    if (!dir)
        return found;
    while (const dirent* entry = ::readdir(dir.get())) {
        const QString name = CFileNames::Decode(entry->d_name);
        if (std::any_of(names.begin(), names.end(), [&name](const QString& wanted) {
                return name.compare(wanted, Qt::CaseInsensitive) == 0;
            }))
            found << name;
    }
    std::sort(found.begin(), found.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return found;
}

QByteArray Encoded(const QImage& image, const char* format, int quality)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    return image.save(&buffer, format, quality) ? bytes : QByteArray();
}

} // namespace

namespace CCoverReader {

QByteArray EmbeddedCover(const QString& path)
{
    CCachedFile file(path);
    return EmbeddedCover(path, file);
}

QByteArray EmbeddedCover(const QString& path, CCachedFile& file)
{
    SilenceTagLib();
    const QString suffix = path.mid(path.lastIndexOf(u'.') + 1).toLower();
    try {
        if (!file.IsRegular())
            return {};
        if (suffix == u"mp3" || suffix == u"mp2" || suffix == u"mpga")
            return FromId3(file);
        CCachedStream stream(file);
        return FromOtherFormat(suffix, stream);
    } catch (...) {
        return {};
    }
}

QByteArray FolderCover(const QString& folder)
{
    static const QStringList kNames = {QStringLiteral("cover.jpg"),   QStringLiteral("cover.jpeg"),
                                       QStringLiteral("cover.png"),   QStringLiteral("folder.jpg"),
                                       QStringLiteral("folder.jpeg"), QStringLiteral("folder.png")};
    const QStringList found = NamesIn(folder, kNames);
    for (const QString& name : kNames) {
        for (const QString& entry : found) {
            if (entry.compare(name, Qt::CaseInsensitive) != 0)
                continue;
            QByteArray bytes;
            QString reason;
            // Only a readable regular file (or a link to one) is read.
            if (CRegularFile::Read(QDir(folder).filePath(entry), kMaxPicture, bytes, reason))
                return bytes;
        }
    }
    return {};
}

QByteArray FrontCover(const QString& path)
{
    const QByteArray embedded = EmbeddedCover(path);
    return embedded.isEmpty() ? FolderCover(QFileInfo(path).path()) : embedded;
}

QByteArray Thumbnail(const QByteArray& picture)
{
    QBuffer buffer;
    buffer.setData(picture);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    // A picture claiming a huge size is refused before it is decoded.
    if (!size.isValid() || size.width() > 20000 || size.height() > 20000)
        return {};
    const QSize side(kThumbnailSide, kThumbnailSide);
    // JPEG decodes straight to a smaller size, much faster than scaling afterwards.
    if (size.width() > 2 * kThumbnailSide || size.height() > 2 * kThumbnailSide)
        reader.setScaledSize(size.scaled(side * 2, Qt::KeepAspectRatio));
    QImage image = reader.read();
    if (image.isNull())
        return {};
    if (image.width() > kThumbnailSide || image.height() > kThumbnailSide)
        image = image.scaled(side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    if (image.hasAlphaChannel()) {
        const QByteArray png = Encoded(image, "PNG", -1);
        if (!png.isEmpty() && png.size() <= kThumbnailBytes)
            return png;
        // JPEG has no transparency: the picture goes onto white, as a page shows it.
        QImage flat(image.size(), QImage::Format_RGB32);
        flat.fill(Qt::white);
        QPainter(&flat).drawImage(0, 0, image);
        image = flat;
    }
    // Lower quality first, then fewer pixels, until it fits.
    for (int round = 0; round < 6 && !image.isNull(); ++round) {
        for (const int quality : {85, 70, 55, 40}) {
            const QByteArray jpeg = Encoded(image, "JPEG", quality);
            if (!jpeg.isEmpty() && jpeg.size() <= kThumbnailBytes)
                return jpeg;
        }
        image = image.scaled(image.size() * 3 / 4, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    return {};
}

} // namespace CCoverReader
