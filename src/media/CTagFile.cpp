#include "media/CTagFile.h"

#include "media/CId3Limits.h"
#include "media/CTagLibSupport.h"
#include "platform/CFileNames.h"

#include <QFileInfo>
#include <QScopeGuard>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <taglib/commentsframe.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2tag.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/textidentificationframe.h>
#include <taglib/unsynchronizedlyricsframe.h>
#include <unistd.h>

namespace {

using TagLib::ByteVector;

constexpr qint64 kHeaderSize = 10;
constexpr qint64 kId3v1Size = 128;
constexpr qint64 kPage = 4096;
// No tag larger than this is rewritten: the catalogue keeps a few kilobytes of it.
constexpr qint64 kMaxTag = 16 * 1024 * 1024;
constexpr size_t kCopyChunk = 1024 * 1024;

std::function<void(qint64)> g_copyObserver;

QString Reason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

bool ReadAt(int fd, char* data, qint64 length, qint64 offset)
{
    qint64 done = 0;
    while (done < length) {
        const ssize_t got = ::pread(fd, data + done, size_t(length - done), offset + done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        done += got;
    }
    return true;
}

bool WriteAt(int fd, const char* data, qint64 length, qint64 offset)
{
    qint64 done = 0;
    while (done < length) {
        const ssize_t put = ::pwrite(fd, data + done, size_t(length - done), offset + done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            if (put == 0)
                errno = ENOSPC;
            return false;
        }
        done += put;
    }
    return true;
}

TagLib::String ToTagLib(const QString& text)
{
    return TagLib::String(text.toUtf8().toStdString(), TagLib::String::UTF8);
}

// ID3v2.4 text is UTF-8; ID3v2.3 knows Latin-1 and UTF-16 only.
TagLib::String::Type EncodingFor(int version, const QString& text)
{
    if (version == 4)
        return TagLib::String::UTF8;
    for (QChar c : text)
        if (c.unicode() > 0xff)
            return TagLib::String::UTF16;
    return TagLib::String::Latin1;
}

void SetTextFrame(TagLib::ID3v2::Tag& tag, int version, const char* id, const QString& text)
{
    const TagLib::ID3v2::FrameList& frames = tag.frameList(id);
    auto* frame = frames.isEmpty()
                      ? nullptr
                      : dynamic_cast<TagLib::ID3v2::TextIdentificationFrame*>(frames.front());
    if (!frame) {
        auto made = std::make_unique<TagLib::ID3v2::TextIdentificationFrame>(
            ByteVector(id), EncodingFor(version, text));
        frame = made.get();
        tag.addFrame(made.release());
    }
    frame->setTextEncoding(EncodingFor(version, text));
    frame->setText(ToTagLib(text));
}

// Fills a frame with a language (COMM, USLT), making one when there is none.
template <class TFrame>
void FillLanguageFrame(TagLib::ID3v2::Tag& tag, TFrame* frame, int version, const QString& text)
{
    if (!frame) {
        frame = new TFrame(EncodingFor(version, text));
        frame->setLanguage("eng");
        tag.addFrame(frame);
    }
    frame->setTextEncoding(EncodingFor(version, text));
    frame->setText(ToTagLib(text));
}

// The comment without a description (the one the intake reads first); players keep
// their own data in described comments, which stay as they are.
void SetComment(TagLib::ID3v2::Tag& tag, int version, const QString& text)
{
    TagLib::ID3v2::CommentsFrame* target = nullptr;
    for (TagLib::ID3v2::Frame* f : tag.frameList("COMM")) {
        auto* comment = dynamic_cast<TagLib::ID3v2::CommentsFrame*>(f);
        if (comment && comment->description().isEmpty()) {
            target = comment;
            break;
        }
    }
    FillLanguageFrame(tag, target, version, text);
}

void SetLyrics(TagLib::ID3v2::Tag& tag, int version, const QString& text)
{
    const TagLib::ID3v2::FrameList& frames = tag.frameList("USLT");
    FillLanguageFrame(tag,
                      frames.isEmpty()
                          ? nullptr
                          : dynamic_cast<TagLib::ID3v2::UnsynchronizedLyricsFrame*>(frames.front()),
                      version, text);
}

void ApplyToId3v2(TagLib::ID3v2::Tag& tag, int version, const CTagFile::SChanges& c)
{
    if (c.title)
        SetTextFrame(tag, version, "TIT2", *c.title);
    if (c.artist)
        SetTextFrame(tag, version, "TPE1", *c.artist);
    if (c.album)
        SetTextFrame(tag, version, "TALB", *c.album);
    if (c.year) {
        // The library keeps an ID3v2.3 year as TDRC and writes it back as TYER; an
        // ID3v2.4 tag that carries an old TYER anyway has it refreshed too.
        SetTextFrame(tag, version, "TDRC", *c.year);
        if (!tag.frameList("TYER").isEmpty())
            SetTextFrame(tag, version, "TYER", *c.year);
    }
    if (c.genre)
        SetTextFrame(tag, version, "TCON", *c.genre);
    if (c.comment)
        SetComment(tag, version, *c.comment);
    if (c.lyrics)
        SetLyrics(tag, version, *c.lyrics);
}

// ID3v1 holds Latin-1 only; the library would keep the low byte of any other letter.
TagLib::String Latin1(const QString& text)
{
    QString safe = text;
    for (QChar& c : safe)
        if (c.unicode() > 0xff)
            c = u'?';
    return ToTagLib(safe);
}

ByteVector RefreshedId3v1(const ByteVector& old, const CTagFile::SChanges& c)
{
    TagLib::ByteVectorStream stream(old);
    CRegionFile file(&stream);
    TagLib::ID3v1::Tag tag(&file, 0);
    if (c.title)
        tag.setTitle(Latin1(*c.title));
    if (c.artist)
        tag.setArtist(Latin1(*c.artist));
    if (c.album)
        tag.setAlbum(Latin1(*c.album));
    if (c.year)
        tag.setYear(c.year->toUInt());
    if (c.comment)
        tag.setComment(Latin1(*c.comment));
    if (c.genreNumber >= 0 && c.genreNumber < 126)
        tag.setGenreNumber(unsigned(c.genreNumber));
    return tag.render();
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

QString RenderTags(const SLayout& layout, const CTagFile::SChanges& changes, SNewTags& tags)
{
    const int version = layout.version == 4 || layout.version == 0 ? 4 : 3;
    TagLib::ByteVectorStream stream(layout.v2);
    CRegionFile file(&stream);
    std::unique_ptr<TagLib::ID3v2::Tag> tag;
    if (layout.version != 0) {
        // Frames the reader's limits would leave out would be lost on writing.
        ByteVector limited = layout.v2;
        CId3Limits::Apply(limited);
        if (limited != layout.v2)
            return QStringLiteral("its ID3v2 tag holds frames too large to rewrite");
        tag =
            std::make_unique<TagLib::ID3v2::Tag>(&file, 0, TagLib::ID3v2::FrameFactory::instance());
    } else {
        tag = std::make_unique<TagLib::ID3v2::Tag>();
    }
    ApplyToId3v2(*tag, version, changes);
    tags.v2 = tag->render(version == 4 ? TagLib::ID3v2::v4 : TagLib::ID3v2::v3);
    if (tags.v2.size() < kHeaderSize)
        return QStringLiteral("the new tag could not be made");
    // The frames are written plain, without extended header or footer.
    tags.v2[5] = 0;
    // Within the old tag's room: its padding takes up the difference.
    qint64 used = tags.v2.size();
    while (used > kHeaderSize && tags.v2[uint(used - 1)] == 0)
        --used;
    if (layout.version != 0 && !layout.v2Footer && used <= layout.v2Size) {
        tags.v2Same = tags.v2.mid(0, uint(used));
        tags.v2Same.resize(uint(layout.v2Size), '\0');
        PutSyncsafe(tags.v2Same.data() + 6, quint32(layout.v2Size - kHeaderSize));
    }
    if (!layout.v1.isEmpty())
        tags.v1 = RefreshedId3v1(layout.v1, changes);
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

// Copies `length` bytes from `from` at `offset` to the end of `to`.
bool CopyRange(int from, int to, qint64 offset, qint64 length, qint64& written)
{
    loff_t in = offset;
    bool kernelCopy = true;
    std::vector<char> buffer;
    while (length > 0) {
        const size_t chunk = size_t(std::min<qint64>(length, kCopyChunk));
        ssize_t done = -1;
        if (kernelCopy) {
            loff_t out = written;
            done = ::copy_file_range(from, &in, to, &out, chunk, 0);
            if (done < 0 &&
                (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)) {
                kernelCopy = false;
                continue;
            }
        } else {
            buffer.resize(chunk);
            done = ::pread(from, buffer.data(), chunk, in);
            if (done > 0 && !WriteAt(to, buffer.data(), done, written))
                return false;
            in += done > 0 ? done : 0;
        }
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0) {
            if (done == 0)
                errno = EIO; // the file ended early
            return false;
        }
        length -= done;
        written += done;
        if (g_copyObserver)
            g_copyObserver(written);
    }
    return true;
}

// An unnamed file in `folder`, or a hidden named one where the file system has none
// (its name then in `named`).
int CreateCopy(const QByteArray& folder, const QByteArray& base, QByteArray& named)
{
    const int fd = ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL))
        return fd;
    named = folder + "/." + base + ".cratewise-XXXXXX";
    return ::mkostemp(named.data(), O_CLOEXEC);
}

QString WriteCopy(int fd, const struct stat& st, const QByteArray& real, const SLayout& layout,
                  const SNewTags& tags)
{
    if (st.st_nlink > 1)
        return QStringLiteral("it has other hard links, which a new copy would not keep");
    const qsizetype slash = real.lastIndexOf('/');
    const QByteArray folder = slash > 0 ? real.left(slash) : QByteArray("/");
    const QByteArray base = real.mid(slash + 1);
    QByteArray named;
    const int copy = CreateCopy(folder, base, named);
    if (copy < 0)
        return Reason(errno);
    bool linked = false;
    const auto cleanUp = qScopeGuard([&] {
        ::close(copy);
        if (!named.isEmpty() && !linked)
            ::unlink(named.constData());
    });
    const qint64 audioEnd = layout.size - (layout.v1.isEmpty() ? 0 : kId3v1Size);
    qint64 written = 0;
    const ByteVector& v1 = layout.v1.isEmpty() ? layout.v1 : tags.v1;
    // A tag that kept its room keeps the file's length.
    const ByteVector& v2 = tags.v2Same.isEmpty() ? tags.v2 : tags.v2Same;
    if (!WriteAt(copy, v2.data(), v2.size(), 0))
        return Reason(errno);
    written = v2.size();
    if (!CopyRange(fd, copy, layout.v2Size, audioEnd - layout.v2Size, written) ||
        !WriteAt(copy, v1.data(), v1.size(), written))
        return Reason(errno);
    // The copy keeps the song's permissions (and owner, where that may be given).
    if (::fchmod(copy, st.st_mode & 07777) != 0)
        return Reason(errno);
    [[maybe_unused]] const int owned = ::fchown(copy, st.st_uid, st.st_gid);
    // Whole on disk before it takes the song's place.
    if (::fsync(copy) != 0)
        return Reason(errno);
    if (named.isEmpty()) {
        named = folder + "/." + base + ".cratewise-" + QByteArray::number(::getpid());
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(copy);
        ::unlink(named.constData());
        if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, named.constData(), AT_SYMLINK_FOLLOW) !=
            0) {
            named.clear();
            return Reason(errno);
        }
    }
    if (::rename(named.constData(), real.constData()) != 0)
        return Reason(errno);
    linked = true;
    return QString();
}

QString WriteFile(const QString& path, const CTagFile::SChanges& changes)
{
    // A link is followed: the file it names is the song, and the copy is made beside it.
    char resolved[PATH_MAX];
    if (!::realpath(CFileNames::Encode(path).constData(), resolved))
        return Reason(errno);
    const QByteArray real(resolved);
    const int fd = ::open(real.constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return Reason(errno);
    const auto closeFile = qScopeGuard([fd] { ::close(fd); });
    struct stat st = {};
    if (::fstat(fd, &st) != 0)
        return Reason(errno);
    if (!S_ISREG(st.st_mode))
        return QStringLiteral("it is not a regular file");
    // A file nobody may write is read-only for this program too, even for root.
    if ((st.st_mode & 0222) == 0)
        return Reason(EACCES);
    SLayout layout;
    SNewTags tags;
    if (QString error = ReadLayout(fd, st.st_size, layout); !error.isEmpty())
        return error;
    if (QString error = RenderTags(layout, changes, tags); !error.isEmpty())
        return error;

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
            if (span.first >= 0 && !WriteAt(fd, block->data() + span.first,
                                            span.last - span.first + 1, span.base + span.first))
                return Reason(errno);
        }
        return QString();
    }
    return WriteCopy(fd, st, real, layout, tags);
}

} // namespace

namespace CTagFile {

QString Write(const QString& path, const SChanges& changes)
{
    SilenceTagLib();
    try {
        return WriteFile(path, changes);
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral("the tag could not be read");
    }
}

void SetCopyObserver(std::function<void(qint64 written)> observer)
{
    g_copyObserver = std::move(observer);
}

} // namespace CTagFile
