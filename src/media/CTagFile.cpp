#include "media/CTagFile.h"

#include "media/CId3Frames.h"
#include "media/CId3Limits.h"
#include "media/CSafeCopy.h"
#include "media/CTagLibSupport.h"
#include "platform/CFileNames.h"
#include "platform/CRegularFile.h"

#include <QScopeGuard>
#include <QSet>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2tag.h>
#include <taglib/tbytevectorstream.h>
#include <unistd.h>

namespace {

using TagLib::ByteVector;

using CSafeCopy::CopyInto;
using CSafeCopy::Open;
using CSafeCopy::Reason;
using CSafeCopy::SOpened;

bool ReadAt(int fd, char* data, qint64 length, qint64 offset)
{
    return CSafeCopy::ReadBytes(fd, data, length, offset);
}

bool WriteAt(int fd, const char* data, qint64 length, qint64 offset)
{
    return CSafeCopy::WriteBytes(fd, data, length, offset);
}

bool CopyRange(int from, int to, qint64 offset, qint64 length, qint64& written)
{
    return CSafeCopy::CopyBytes(from, to, offset, length, written);
}

constexpr qint64 kHeaderSize = 10;
constexpr qint64 kId3v1Size = 128;
constexpr qint64 kPage = 4096;
// No tag larger than this is rewritten: the catalogue keeps a few kilobytes of it.
constexpr qint64 kMaxTag = 16 * 1024 * 1024;

// The changed fields of an ID3v1 tag, each in its place, Latin-1 (other letters as "?"),
// cut to the field and padded with zeros; every other byte stays.
QByteArray PatchedId3v1(const QByteArray& old, const CTagFile::SChanges& c)
{
    QByteArray tag = old;
    const auto put = [&tag](const std::optional<QString>& value, int at, int length) {
        if (!value)
            return;
        QString safe = *value;
        for (QChar& ch : safe)
            if (ch.unicode() > 0xff)
                ch = u'?';
        const QByteArray bytes = safe.toLatin1().left(length);
        tag.replace(at, length, bytes + QByteArray(length - bytes.size(), '\0'));
    };
    put(c.title, 3, 30);
    put(c.artist, 33, 30);
    put(c.album, 63, 30);
    put(c.year, 93, 4);
    // ID3v1.1 keeps a track number in the comment's last two bytes.
    const bool track = tag[125] == 0 && (tag[126] != 0 || c.track);
    put(c.comment, 97, track ? 28 : 30);
    if (c.track && tag[125] == 0) {
        // "3/12" is track 3; a comment that fills all 30 bytes leaves no room for one.
        const int number = c.track->section(u'/', 0, 0).trimmed().toInt();
        tag[126] = char(number > 0 && number < 256 ? number : 0);
    }
    if (c.genreNumber >= 0 && c.genreNumber < 126)
        tag[127] = char(c.genreNumber);
    else if (c.genre && c.genre->isEmpty())
        tag[127] = char(0xff); // no genre
    return tag;
}

quint32 Syncsafe(const char* b)
{
    return (quint32(quint8(b[0])) << 21) | (quint32(quint8(b[1])) << 14) |
           (quint32(quint8(b[2])) << 7) | quint32(quint8(b[3]));
}

void PutSyncsafe(char* b, quint32 value)
{
    for (int i = 3; i >= 0; --i, value >>= 7)
        b[i] = char(value & 0x7f);
}

// What the file holds where tags are kept.
struct SLayout
{
    qint64 size = 0;
    int version = 0;       // ID3v2 major version at the start, 0 for none
    qint64 v2Size = 0;     // the whole ID3v2 tag with padding and footer
    bool v2Footer = false; // an ID3v2.4 footer (which leaves no room for padding)
    ByteVector v2;         // its bytes
    ByteVector v1;         // the ID3v1 tag, empty for none
};

QString ReadLayout(int fd, qint64 size, SLayout& layout)
{
    layout.size = size;
    char header[kHeaderSize];
    if (size >= kHeaderSize && ReadAt(fd, header, kHeaderSize, 0) &&
        std::memcmp(header, "ID3", 3) == 0 && header[3] >= 2 && header[3] <= 4 &&
        ((quint8(header[6]) | quint8(header[7]) | quint8(header[8]) | quint8(header[9])) & 0x80) ==
            0) {
        layout.version = header[3];
        layout.v2Footer = layout.version == 4 && (header[5] & 0x10);
        layout.v2Size = kHeaderSize + Syncsafe(header + 6) + (layout.v2Footer ? kHeaderSize : 0);
        if (layout.v2Size > size)
            return QStringLiteral("its ID3v2 tag is longer than the file");
        if (layout.v2Size > kMaxTag)
            return QStringLiteral("its ID3v2 tag is too large");
        layout.v2 = ByteVector(uint(layout.v2Size), '\0');
        if (!ReadAt(fd, layout.v2.data(), layout.v2Size, 0))
            return Reason(errno);
    }
    // The last 128 bytes, unless "TAG" there is the middle of an APE footer's "APETAGEX".
    if (size - layout.v2Size >= kId3v1Size + 3) {
        ByteVector tail(uint(kId3v1Size + 3), '\0');
        if (!ReadAt(fd, tail.data(), tail.size(), size - tail.size()))
            return Reason(errno);
        if (tail.containsAt("TAG", 3) && !tail.containsAt("APETAGEX", 0))
            layout.v1 = tail.mid(3);
    }
    return QString();
}

struct SNewTags
{
    ByteVector v2;     // as the copy starts
    ByteVector v2Same; // the same in the old tag's room (empty when it does not fit)
    ByteVector v1;
};

QByteArray ToQt(const ByteVector& bytes)
{
    return QByteArray(bytes.data(), qsizetype(bytes.size()));
}

ByteVector ToTagLib(const QByteArray& bytes)
{
    return ByteVector(bytes.constData(), uint(bytes.size()));
}

// An ID3v2.2 tag, which nothing writes any more, is read by the tag library and written
// whole as ID3v2.3.
QString ConvertedId3v22(const SLayout& layout, QByteArray& rendered)
{
    // Frames the reader's limits would leave out would be lost on writing.
    ByteVector limited = layout.v2;
    CId3Limits::Apply(limited);
    if (limited != layout.v2)
        return QStringLiteral("its ID3v2 tag holds frames too large to rewrite");
    TagLib::ByteVectorStream stream(layout.v2);
    CRegionFile file(&stream);
    TagLib::ID3v2::Tag tag(&file, 0, TagLib::ID3v2::FrameFactory::instance());
    rendered = ToQt(tag.render(TagLib::ID3v2::v3));
    if (rendered.size() < kHeaderSize)
        return QStringLiteral("the new tag could not be made");
    // Without padding: its room is measured as every other tag's.
    rendered[5] = 0;
    qsizetype used = rendered.size();
    while (used > kHeaderSize && rendered[used - 1] == 0)
        --used;
    rendered.truncate(used);
    PutSyncsafe(rendered.data() + 6, quint32(used - kHeaderSize));
    return QString();
}

void ApplyToFrames(CId3Frames& frames, const CTagFile::SChanges& c)
{
    if (c.title)
        frames.SetText("TIT2", *c.title);
    if (c.artist)
        frames.SetText("TPE1", *c.artist);
    if (c.album)
        frames.SetText("TALB", *c.album);
    if (c.year) {
        // The year of the tag's version, and the other version's too when the tag has it.
        const bool v4 = frames.Version() == 4;
        frames.SetText(v4 ? "TDRC" : "TYER", *c.year);
        if (frames.Has(v4 ? "TYER" : "TDRC"))
            frames.SetText(v4 ? "TYER" : "TDRC", *c.year);
    }
    if (c.genre && c.genre->isEmpty())
        frames.Remove("TCON");
    else if (c.genre)
        frames.SetText("TCON", *c.genre);
    if (c.comment)
        frames.SetComment(*c.comment);
    if (c.lyrics)
        frames.SetLyrics(*c.lyrics);
    if (c.track)
        frames.SetText("TRCK", *c.track);
}

QString RenderTags(const SLayout& layout, const CTagFile::SChanges& changes, SNewTags& tags)
{
    CId3Frames frames;
    if (layout.version == 0) {
        frames.Start(4);
    } else {
        QByteArray old = ToQt(layout.v2);
        if (layout.version == 2) {
            if (QString error = ConvertedId3v22(layout, old); !error.isEmpty())
                return error;
        }
        if (!frames.Parse(old))
            return QStringLiteral("its ID3v2 tag cannot be read");
    }
    ApplyToFrames(frames, changes);
    const QByteArray rendered = frames.Render();
    tags.v2 = ToTagLib(rendered);
    // Within the old tag's room: its padding takes up the difference.
    if (layout.version != 0 && !layout.v2Footer && rendered.size() <= layout.v2Size)
        tags.v2Same = ToTagLib(frames.Render(layout.v2Size));
    if (!layout.v1.isEmpty())
        tags.v1 = ToTagLib(PatchedId3v1(ToQt(layout.v1), changes));
    return QString();
}

// Where a block of the file changes: the one byte range from the first to the last byte
// that differs (first -1 when none).
struct SSpan
{
    qint64 base = 0; // the block's place in the file
    qint64 first = -1;
    qint64 last = -1;
    bool OnePage() const { return first < 0 || (base + first) / kPage == (base + last) / kPage; }
};

SSpan Changed(const ByteVector& before, const ByteVector& after, qint64 base)
{
    SSpan span;
    span.base = base;
    for (qint64 i = 0; i < qint64(before.size()); ++i) {
        if (before[uint(i)] != after[uint(i)]) {
            if (span.first < 0)
                span.first = i;
            span.last = i;
        }
    }
    return span;
}

QString WriteCopy(int fd, const struct stat& st, const QByteArray& real, const SLayout& layout,
                  const SNewTags& tags)
{
    return CopyInto(fd, st, real, [&](int from, qint64, int copy) {
        const qint64 audioEnd = layout.size - (layout.v1.isEmpty() ? 0 : kId3v1Size);
        const ByteVector& v1 = layout.v1.isEmpty() ? layout.v1 : tags.v1;
        // A tag that kept its room keeps the file's length.
        const ByteVector& v2 = tags.v2Same.isEmpty() ? tags.v2 : tags.v2Same;
        qint64 written = 0;
        if (!WriteAt(copy, v2.data(), v2.size(), 0))
            return Reason(errno);
        written = v2.size();
        if (!CopyRange(from, copy, layout.v2Size, audioEnd - layout.v2Size, written) ||
            !WriteAt(copy, v1.data(), v1.size(), written))
            return Reason(errno);
        return QString();
    });
}

// Puts the new tags into the file.
QString Apply(const SOpened& file, const SLayout& layout, const SNewTags& tags)
{
    // In place when the ID3v2 tag has room and each tag's change is one write within one
    // page, which a kill cannot split. The ID3v1 tag goes first: the ID3v2 tag, which
    // every reader prefers, then turns old into new in one write.
    SSpan v2, v1;
    if (!tags.v2Same.isEmpty())
        v2 = Changed(layout.v2, tags.v2Same, 0);
    if (!layout.v1.isEmpty())
        v1 = Changed(layout.v1, tags.v1, layout.size - kId3v1Size);
    if (!tags.v2Same.isEmpty() && v2.OnePage() && v1.OnePage()) {
        for (const auto& [span, block] : {std::pair{v1, &tags.v1}, std::pair{v2, &tags.v2Same}}) {
            if (span.first >= 0 && !WriteAt(file.fd, block->data() + span.first,
                                            span.last - span.first + 1, span.base + span.first))
                return Reason(errno);
        }
        return QString();
    }
    return WriteCopy(file.fd, file.st, file.real, layout, tags);
}

QString WriteFile(const QString& path, const CTagFile::SChanges& changes, CTagFile::SBefore* before)
{
    SOpened file;
    SLayout layout;
    SNewTags tags;
    if (QString error = Open(path, file); !error.isEmpty())
        return error;
    if (QString error = ReadLayout(file.fd, file.st.st_size, layout); !error.isEmpty())
        return error;
    if (QString error = RenderTags(layout, changes, tags); !error.isEmpty())
        return error;
    if (before)
        *before = {ToQt(layout.v2), ToQt(layout.v1), nullptr};
    return Apply(file, layout, tags);
}

QString RestoreFile(const QString& path, const CTagFile::SBefore& before)
{
    SOpened file;
    SLayout layout;
    if (QString error = Open(path, file); !error.isEmpty())
        return error;
    if (QString error = ReadLayout(file.fd, file.st.st_size, layout); !error.isEmpty())
        return error;
    SNewTags tags;
    tags.v2 = ToTagLib(before.v2);
    if (layout.version != 0 && !layout.v2Footer && qint64(before.v2.size()) == layout.v2Size)
        tags.v2Same = tags.v2;
    if (!layout.v1.isEmpty())
        tags.v1 = before.v1.isEmpty() ? layout.v1 : ToTagLib(before.v1);
    return Apply(file, layout, tags);
}

} // namespace

namespace CTagFile {

QString Write(const QString& path, const SChanges& changes, SBefore* before)
{
    return AsFileError([&] { return WriteFile(path, changes, before); });
}

QString Restore(const QString& path, const SBefore& before)
{
    return AsFileError([&] { return RestoreFile(path, before); });
}

} // namespace CTagFile
