#pragma once

#include <QByteArray>
#include <QString>

class CCachedFile;

// A song's front cover: the picture in the file's own tag (ID3 APIC for MP3, the picture
// blocks of FLAC, Ogg Vorbis and Opus, the MP4 `covr` atom), else a cover.jpg or
// folder.jpg beside it, and the small copy the catalogue keeps of it.
namespace CCoverReader {

// No picture larger than this is read (FLAC's own bound for one block).
constexpr qint64 kMaxPicture = 16 * 1024 * 1024;
// The catalogue's copy: at most this many pixels a side and bytes, JPEG or PNG.
constexpr int kThumbnailSide = 300;
constexpr qint64 kThumbnailBytes = 32 * 1024;

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
// it is transparent and fits, else JPEG); empty when the bytes are no picture.
QByteArray Thumbnail(const QByteArray& picture);

} // namespace CCoverReader
