#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

class CCachedFile;

// A song's front cover: the picture in the file's own tag (ID3 APIC for MP3, the picture
// blocks of FLAC, Ogg Vorbis and Opus, the MP4 `covr` atom), else a cover.jpg or
// folder.jpg beside it, and the small copy the catalogue keeps of it.
namespace CCoverReader {

// No picture larger than this is read (FLAC's own bound for one block), and no tag is read
// further than STagFields::kMaxRead to find one.
constexpr qint64 kMaxPicture = 16 * 1024 * 1024;
// The catalogue's copy: at most this many pixels a side and bytes, JPEG or PNG.
constexpr int kThumbnailSide = 300;
constexpr qint64 kThumbnailBytes = 32 * 1024;

// Decoding a picture for its thumbnail takes at most about kMaxDecodeBytes besides the
// picture's own bytes (measured: 53 MB at most): what it would take is worked out from its
// header, and a picture that would take more is refused before it is decoded (a few
// hundred bytes may claim 20000 x 20000 pixels).
// - A baseline JPEG decodes straight to an eighth of its sides, a few rows at a time; it
//   may claim up to kMaxScaledPixels (25 MB at an eighth).
// - A progressive JPEG, or one whose colours come in separate scans, keeps every
//   coefficient of the image, 3 to 8 bytes a pixel by its colour sampling: at most about
//   4000 x 4000 pixels at 4:2:0, 2890 x 2890 at 4:4:4.
// - PNG and the other formats take the decoded image and a scaled copy: 8 bytes a pixel
//   for 8-bit colour (at most about 2450 x 2450), 16 for 16-bit.
constexpr qint64 kMaxDecodeBytes = 48 * 1024 * 1024;
constexpr qint64 kMaxScaledPixels = qint64(20000) * 20000;

// The picture's bytes as the file holds them: the front cover, else the first picture;
// empty when it has none or cannot be read. Never throws.
QByteArray EmbeddedCover(const QString& path);
// The same from `file`, opened at `path` and shared with its other readers.
QByteArray EmbeddedCover(const QString& path, CCachedFile& file);
// cover.jpg, else folder.jpg (any letter case; .jpeg and .png too) in the folder; empty
// when there is none.
QByteArray FolderCover(const QString& folder);
// The embedded cover, else the folder's.
QByteArray FrontCover(const QString& path);

// The catalogue's copy of a picture (within kThumbnailSide and kThumbnailBytes, PNG when
// it is transparent and fits, else JPEG); empty when the bytes are no picture, or one that
// would cost more than kMaxDecodeBytes to decode. Never throws.
QByteArray Thumbnail(const QByteArray& picture);
// The picture to be shown whole, decoded at most `within` in size by the same limits;
// null when the bytes are no picture or one too costly to decode. Never throws.
QImage Decoded(const QByteArray& picture, QSize within);

} // namespace CCoverReader
