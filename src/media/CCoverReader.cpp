#include "media/CCoverReader.h"

#include "media/CId3Limits.h"
#include "media/CTagLibSupport.h"
#include "media/CTagRegions.h"
#include "media/STagFields.h"
#include "platform/CCachedFile.h"
#include "platform/CFileNames.h"
#include "platform/CRegularFile.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QtEndian>
#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <memory>
#include <new>
#include <taglib/attachedpictureframe.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/tbytevectorstream.h>
#include <vector>

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

// The image of a FLAC picture block (also what an Ogg comment's METADATA_BLOCK_PICTURE
// holds): picture type, MIME type, description, four figures, then the image, which is
// cut out of the block without a copy. Empty when the block is broken.
QByteArray PictureData(QByteArray block)
{
    const auto number = [&block](qint64 at) {
        return at >= 0 && at + 4 <= block.size()
                   ? qint64(qFromBigEndian<quint32>(block.constData() + at))
                   : -1;
    };
    const qint64 mime = number(4);
    const qint64 description = mime < 0 ? -1 : number(8 + mime);
    const qint64 at = 8 + mime + 4 + description + 16; // the image's length
    const qint64 length = description < 0 ? -1 : number(at);
    if (length <= 0 || at + 4 + length > block.size())
        return {};
    block.remove(0, at + 4);
    block.truncate(length);
    return block;
}

// Where the audio format's own header begins: behind an ID3v2 tag, if one leads.
qint64 BehindId3v2(CCachedFile& file)
{
    char h[10];
    if (file.Read(0, h, 10) != 10 || std::memcmp(h, "ID3", 3) != 0)
        return 0;
    qint64 size = 10;
    for (int i = 6; i < 10; ++i)
        size += qint64(h[i] & 0x7f) << (7 * (9 - i));
    return h[5] & 0x10 ? size + 10 : size; // a footer
}

// FLAC: the headers of the metadata blocks are read, then only the chosen picture's block,
// however many pictures the file holds.
QByteArray FromFlac(CCachedFile& file)
{
    constexpr int kPictureBlock = 6;
    constexpr int kMaxBlocks = 1024; // a usual file has a handful
    qint64 at = BehindId3v2(file);
    char magic[4];
    if (file.Read(at, magic, 4) != 4 || std::memcmp(magic, "fLaC", 4) != 0)
        return {};
    at += 4;
    qint64 chosen = -1;
    qint64 chosenLength = 0;
    for (int block = 0; block < kMaxBlocks; ++block) {
        uchar h[8]; // the block's header, and a picture's type
        const qint64 got = file.Read(at, reinterpret_cast<char*>(h), 8);
        if (got < 4)
            break;
        const qint64 length = h[1] << 16 | h[2] << 8 | h[3];
        if ((h[0] & 0x7f) == kPictureBlock && got == 8) {
            const bool front = qFromBigEndian<quint32>(h + 4) == 3;
            if (front || chosen < 0) {
                chosen = at + 4;
                chosenLength = length;
            }
            if (front)
                break;
        }
        if (h[0] & 0x80) // the last block
            break;
        at += 4 + length;
    }
    if (chosen < 0)
        return {};
    QByteArray block(chosenLength, Qt::Uninitialized);
    block.truncate(ReadUnkept(file, chosen, block.data(), block.size()));
    return PictureData(std::move(block));
}

// The comment packet of an Ogg Vorbis or Opus stream (its second), as far as kMaxRead
// reaches: where its pieces lie in the file, found from the page headers alone, so that
// only the few bytes asked for are read (a comment of tens of megabytes is not).
class COggComment
{
public:
    explicit COggComment(CCachedFile& file);
    qint64 Size() const { return m_size; }
    // `length` bytes from `offset` on; fewer where the packet or the file ends.
    QByteArray Read(qint64 offset, qint64 length) const;

private:
    // Names and lengths are read through a window of the packet: a comment of many short
    // fields costs a read a window, not one a field.
    static constexpr qint64 kWindow = 64 * 1024;
    QByteArray ReadPieces(qint64 offset, qint64 length) const;

    struct SPiece
    {
        qint64 at, offset, length; // where in the packet, where in the file, how long
    };
    CCachedFile& m_file;
    std::vector<SPiece> m_pieces;
    qint64 m_size = 0;
    mutable QByteArray m_window;
    mutable qint64 m_windowAt = 0;
};

COggComment::COggComment(CCachedFile& file) : m_file(file)
{
    qint64 read = 0; // page headers count too: a file of empty pages ends the walk
    qint64 at = 0;
    int packet = 0; // the packet the next segment belongs to
    quint32 serial = 0;
    while (packet <= 1 && read < STagFields::kMaxRead && m_size < STagFields::kMaxRead) {
        uchar h[27 + 255]; // the page header and its segment table
        const qint64 got = file.Read(at, reinterpret_cast<char*>(h), qint64(sizeof h));
        const int segments = got >= 27 ? h[26] : 0;
        if (got < 27 + segments || std::memcmp(h, "OggS", 4) != 0)
            break;
        read += got;
        if (at == 0)
            serial = qFromLittleEndian<quint32>(h + 14);
        const bool ours = qFromLittleEndian<quint32>(h + 14) == serial; // not another stream's
        qint64 data = at + 27 + segments;
        for (int i = 0; i < segments; ++i) {
            const int lacing = h[27 + i];
            if (ours && packet == 1 && lacing > 0) {
                const qint64 length = std::min<qint64>(lacing, STagFields::kMaxRead - m_size);
                SPiece* last = m_pieces.empty() ? nullptr : &m_pieces.back();
                if (last && last->offset + last->length == data)
                    last->length += length;
                else
                    m_pieces.push_back({m_size, data, length});
                m_size += length;
            }
            data += lacing;
            if (ours && lacing < 255)
                ++packet;
        }
        at = data;
    }
}

QByteArray COggComment::Read(qint64 offset, qint64 length) const
{
    offset = std::clamp<qint64>(offset, 0, m_size);
    length = std::clamp<qint64>(length, 0, m_size - offset);
    if (length > kWindow)
        return ReadPieces(offset, length);
    if (offset < m_windowAt || offset + length > m_windowAt + m_window.size()) {
        m_window = ReadPieces(offset, kWindow);
        m_windowAt = offset;
    }
    return m_window.mid(offset - m_windowAt, length);
}

QByteArray COggComment::ReadPieces(qint64 offset, qint64 length) const
{
    length = std::min(length, m_size - offset);
    if (length <= 0)
        return {};
    QByteArray bytes(length, Qt::Uninitialized);
    qint64 filled = 0;
    auto piece = std::upper_bound(m_pieces.begin(), m_pieces.end(), offset,
                                  [](qint64 at, const SPiece& p) { return at < p.at; });
    for (--piece; filled < length && piece != m_pieces.end(); ++piece) {
        const qint64 from = offset + filled - piece->at;
        const qint64 count = std::min(length - filled, piece->length - from);
        const qint64 got = ReadUnkept(m_file, piece->offset + from, bytes.data() + filled, count);
        filled += std::max<qint64>(got, 0);
        if (got != count)
            break;
    }
    bytes.truncate(filled);
    return bytes;
}

// The picture in a Vorbis comment: METADATA_BLOCK_PICTURE fields (base64 FLAC picture
// blocks) and the older COVERART (a base64 image). Each field's name and the start of its
// value are read; only the chosen picture is read and decoded whole. A picture cut off by
// the read's bound is left out.
QByteArray FromOggComment(const COggComment& comment)
{
    const auto number = [&comment](qint64 at) {
        const QByteArray bytes = comment.Read(at, 4);
        return bytes.size() == 4 ? qint64(qFromLittleEndian<quint32>(bytes.constData())) : -1;
    };
    const QByteArray name = comment.Read(0, 8);
    qint64 at = name == "OpusTags" ? 8 : name.startsWith("\x03vorbis") ? 7 : -1;
    const qint64 vendor = at < 0 ? -1 : number(at);
    if (vendor < 0)
        return {};
    at += 4 + vendor;
    const qint64 count = number(at);
    at += 4;
    qint64 chosen = -1; // where the chosen field's value begins
    qint64 chosenLength = 0;
    bool chosenIsBlock = false;
    const QByteArrayView kBlock = "METADATA_BLOCK_PICTURE=";
    const QByteArrayView kCoverArt = "COVERART=";
    const auto names = [](const QByteArray& head, QByteArrayView name) {
        return head.size() >= name.size() &&
               QByteArrayView(head).first(name.size()).compare(name, Qt::CaseInsensitive) == 0;
    };
    for (qint64 i = 0; i < count; ++i) {
        const qint64 length = number(at);
        if (length < 0 || at + 4 + length > comment.Size())
            break;
        const qint64 field = at + 4;
        at = field + length;
        // The name, and the first eight characters of a picture, which hold its type.
        const QByteArray head = comment.Read(field, std::min<qint64>(length, kBlock.size() + 8));
        if (names(head, kBlock)) {
            const QByteArray start = QByteArray::fromBase64(head.mid(kBlock.size()));
            const bool front = start.size() >= 4 && qFromBigEndian<quint32>(start.constData()) == 3;
            if (front || chosen < 0) {
                chosen = field + kBlock.size();
                chosenLength = length - kBlock.size();
                chosenIsBlock = true;
            }
            if (front)
                break;
        } else if (chosen < 0 && names(head, kCoverArt)) {
            chosen = field + kCoverArt.size();
            chosenLength = length - kCoverArt.size();
        }
    }
    if (chosen < 0)
        return {};
    QByteArray picture = QByteArray::fromBase64(comment.Read(chosen, chosenLength));
    return chosenIsBlock ? PictureData(std::move(picture)) : picture;
}

QByteArray FromMp4(CCachedFile& opened)
{
    CCachedStream stream(opened, STagFields::kMaxRead);
    TagLib::MP4::File file(&stream, false);
    TagLib::MP4::Tag* tag = file.isValid() ? file.tag() : nullptr;
    if (!tag || !tag->contains("covr"))
        return {};
    const TagLib::MP4::CoverArtList covers = tag->item("covr").toCoverArtList();
    return covers.isEmpty() ? QByteArray() : Bytes(covers.front().data());
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

// What libjpeg holds of the whole image while it decodes it, from the markers up to the
// first scan: a progressive JPEG, or one whose first scan lacks some of the colours (they
// come in later scans), is kept whole as coefficients, two bytes for each of each colour
// component's pixels at its own sampling; any other is decoded a few rows at a time (0).
// -1 when the markers cannot be read.
qint64 WholeImageBytes(QByteArrayView jpeg)
{
    if (!jpeg.startsWith("\xff\xd8"))
        return -1;
    const auto byte = [&jpeg](qsizetype i) { return int(quint8(jpeg[i])); };
    qsizetype at = 2;
    qint64 width = 0;
    qint64 height = 0;
    int components = 0;
    bool progressive = false;
    int h[4] = {};
    int v[4] = {};
    while (at + 4 <= jpeg.size()) {
        if (byte(at) != 0xff)
            return -1;
        const int marker = byte(at + 1);
        if (marker == 0xff) { // fill
            ++at;
            continue;
        }
        const qsizetype length = byte(at + 2) << 8 | byte(at + 3);
        if (length < 2 || at + 2 + length > jpeg.size())
            return -1;
        const qsizetype body = at + 4;
        at += 2 + length;
        const bool frame =
            marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc;
        if (frame) {
            components = length >= 8 ? byte(body + 5) : 0;
            if (components < 1 || components > 4 || length < 8 + 3 * components)
                return -1;
            height = byte(body + 1) << 8 | byte(body + 2);
            width = byte(body + 3) << 8 | byte(body + 4);
            progressive = (marker & 3) == 2; // SOF2, and its arithmetic and hierarchical kin
            for (int c = 0; c < components; ++c) {
                h[c] = std::max(1, byte(body + 7 + 3 * c) >> 4);
                v[c] = std::max(1, byte(body + 7 + 3 * c) & 15);
            }
        } else if (marker == 0xda) { // the first scan
            if (components == 0 || length < 3)
                return -1;
            if (!progressive && byte(body) >= components)
                return 0;
            const int hMax = *std::max_element(h, h + components);
            const int vMax = *std::max_element(v, v + components);
            const auto blocks = [](qint64 pixels, int factor, int max) {
                const qint64 count = (pixels * factor + 8 * max - 1) / (8 * max);
                return (count + factor - 1) / factor * factor; // whole units of the sampling
            };
            qint64 bytes = 0;
            for (int c = 0; c < components; ++c)
                bytes += blocks(width, h[c], hMax) * blocks(height, v[c], vMax) * 64 * 2;
            return bytes;
        }
    }
    return -1;
}

// The bytes a pixel costs while a picture is decoded whole and scaled: the decoded image,
// and the copy smooth scaling makes of it, in 32 bits a pixel (64 for a deeper one). The
// copy of a shallower one is larger than itself, so it counts as 32 bits too. A format
// that does not tell counts as the deepest.
qint64 WholeBytesPerPixel(QImage::Format format)
{
    const int decoded = format == QImage::Format_Invalid
                            ? 8
                            : std::max(4, QImage::toPixelFormat(format).bitsPerPixel() / 8);
    return decoded + (decoded > 4 ? 8 : 4);
}

// Whether decoding the picture stays within kMaxDecodeBytes, judged by its header alone.
bool Affordable(const QByteArray& picture, QImageReader& reader, QSize size)
{
    const qint64 pixels = qint64(size.width()) * size.height();
    if (reader.format() != "jpeg")
        return pixels * WholeBytesPerPixel(reader.imageFormat()) <= CCoverReader::kMaxDecodeBytes;
    const qint64 whole = WholeImageBytes(picture);
    if (whole == 0)
        return pixels <= CCoverReader::kMaxScaledPixels;
    return whole > 0 && whole <= CCoverReader::kMaxDecodeBytes;
}

QByteArray Encoded(const QImage& image, const char* format, int quality)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    return image.save(&buffer, format, quality) ? bytes : QByteArray();
}

QImage DecodeWithin(const QByteArray& picture, QSize within)
{
    QBuffer buffer;
    buffer.setData(picture);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    reader.setAllocationLimit(int(CCoverReader::kMaxDecodeBytes / (1024 * 1024)));
    const QSize size = reader.size();
    if (!size.isValid() || !Affordable(picture, reader, size))
        return {};
    // JPEG decodes straight to a smaller size, much faster than scaling afterwards.
    if (size.width() > within.width() || size.height() > within.height())
        reader.setScaledSize(size.scaled(within, Qt::KeepAspectRatio));
    return reader.read();
}

QByteArray MakeThumbnail(const QByteArray& picture)
{
    using CCoverReader::kThumbnailBytes;
    using CCoverReader::kThumbnailSide;
    const QSize side(kThumbnailSide, kThumbnailSide);
    QImage image = DecodeWithin(picture, side * 2);
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
    // Memory refused for one picture (std::bad_alloc) leaves that song without its cover.
    try {
        if (!file.IsRegular())
            return {};
        if (suffix == u"mp3" || suffix == u"mp2" || suffix == u"mpga")
            return FromId3(file);
        if (suffix == u"flac")
            return FromFlac(file);
        if (suffix == u"ogg" || suffix == u"oga" || suffix == u"opus")
            return FromOggComment(COggComment(file));
        if (suffix == u"m4a" || suffix == u"mp4" || suffix == u"m4b" || suffix == u"aac")
            return FromMp4(file);
        return {};
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
            // Only a readable regular file (or a link to one) is read; memory refused for it
            // (std::bad_alloc) leaves the folder without a cover.
            try {
                if (CRegularFile::Read(QDir(folder).filePath(entry), kMaxPicture, bytes, reason))
                    return bytes;
            } catch (const std::bad_alloc&) {
                return {};
            }
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
    try {
        return MakeThumbnail(picture);
    } catch (...) {
        return {}; // memory refused (std::bad_alloc): this picture is none
    }
}

QImage Decoded(const QByteArray& picture, QSize within)
{
    try {
        return DecodeWithin(picture, within);
    } catch (const std::bad_alloc&) {
        return {};
    }
}

} // namespace CCoverReader
