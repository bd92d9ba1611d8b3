#include "media/CFormatTagFile.h"

#include "db/CGenres.h"
#include "media/CFormatTags.h"
#include "media/CTagLibSupport.h"
#include "platform/CFileNames.h"

#include <QScopeGuard>
#include <QtEndian>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <taglib/opusfile.h>
#include <taglib/tfilestream.h>
#include <taglib/vorbisfile.h>
#include <unistd.h>

namespace {

using CTagFile::SChanges;
using FEdit = std::function<QString(QByteArray& region)>;

QString Reason()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// ---- Xiph comments (FLAC, Ogg Vorbis, Opus) ----

struct SXiph
{
    QByteArray vendor;         // with its length
    QList<QByteArray> entries; // "KEY=value"
    QByteArray rest;           // what follows: Vorbis' framing bit, Opus' extra data
};

bool ParseXiph(const QByteArray& body, SXiph& x)
{
    const auto u32 = [&](qsizetype at) {
        return qFromLittleEndian<quint32>(body.constData() + at);
    };
    if (body.size() < 8)
        return false;
    qsizetype at = 4 + qsizetype(u32(0));
    if (at + 4 > body.size())
        return false;
    x.vendor = body.left(at);
    const quint32 count = u32(at);
    at += 4;
    for (quint32 i = 0; i < count; ++i) {
        if (at + 4 > body.size() || qsizetype(u32(at)) > body.size() - at - 4)
            return false;
        x.entries << body.mid(at + 4, u32(at));
        at += 4 + u32(at);
    }
    x.rest = body.mid(at);
    return true;
}

QByteArray Le32(quint32 v)
{
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

QByteArray RenderXiph(const SXiph& x)
{
    QByteArray body = x.vendor + Le32(quint32(x.entries.size()));
    for (const QByteArray& entry : x.entries)
        body += Le32(quint32(entry.size())) + entry;
    return body + x.rest;
}

QByteArray KeyOf(const QByteArray& entry)
{
    return entry.left(entry.indexOf('=')).toUpper();
}

bool HasKey(const SXiph& x, const char* key)
{
    for (const QByteArray& entry : x.entries)
        if (key && KeyOf(entry) == key)
            return true;
    return false;
}

// Removes every entry of `key` but the first, whose place is returned (-1 for none).
qsizetype KeepFirst(QList<QByteArray>& entries, const char* key)
{
    qsizetype first = -1;
    for (qsizetype i = 0; i < entries.size();) {
        if (KeyOf(entries[i]) != key)
            ++i;
        else if (first < 0)
            first = i++;
        else
            entries.removeAt(i);
    }
    return first;
}

void SetXiph(SXiph& x, const char* const (&keys)[2], const std::optional<QString>& value)
{
    if (!value)
        return;
    if (value->isEmpty()) {
        // Emptied: no key of the field is left to be read instead.
        for (const char* key : keys)
            if (key)
                x.entries.removeIf([key](const QByteArray& e) { return KeyOf(e) == key; });
        return;
    }
    const char* key = keys[1] && !HasKey(x, keys[0]) && HasKey(x, keys[1]) ? keys[1] : keys[0];
    const qsizetype first = KeepFirst(x.entries, key);
    // The key keeps the spelling the file gave it.
    const QByteArray spelled =
        first >= 0 ? x.entries[first].left(x.entries[first].indexOf('=')) : QByteArray(key);
    const QByteArray entry = spelled + '=' + value->toUtf8();
    if (first >= 0)
        x.entries[first] = entry;
    else
        x.entries << entry;
}

// The genre as other formats write it: a name, not the catalogue's "(17)".
std::optional<QString> GenreText(const SChanges& c)
{
    if (!c.genre || c.genreNumber < 0)
        return c.genre;
    return CGenres::Name(c.genreNumber);
}

// The changed fields, in STagFields' order.
std::array<std::optional<QString>, CFormatTags::kFieldCount> Fields(const SChanges& c)
{
    return {c.title, c.artist, c.album, GenreText(c), c.year, c.comment, c.lyrics};
}

QString EditXiph(QByteArray& body, const SChanges& c)
{
    SXiph x;
    if (!ParseXiph(body, x))
        return QStringLiteral("its comment cannot be read");
    const auto values = Fields(c);
    for (int f = 0; f < CFormatTags::kFieldCount; ++f)
        SetXiph(x, CFormatTags::kXiphKeys[f], values[f]);
    body = RenderXiph(x);
    return QString();
}

// ---- Regions of a file written anew ----

// Writes the file again with [start, end) replaced by `region`.
QString ReplaceRegion(const QString& path, qint64 start, qint64 end, const QByteArray& region)
{
    return CTagFile::ReplaceWithCopy(path, [&](int from, qint64 size, int to) {
        qint64 written = 0;
        if (!CTagFile::CopyBytes(from, to, 0, start, written) ||
            !CTagFile::WriteBytes(to, region.constData(), region.size(), written))
            return Reason();
        written += region.size();
        if (!CTagFile::CopyBytes(from, to, end, size - end, written))
            return Reason();
        return QString();
    });
}

QByteArray ReadRange(int fd, qint64 offset, qint64 length)
{
    QByteArray data(length, '\0');
    return CTagFile::ReadBytes(fd, data.data(), length, offset) ? data : QByteArray();
}

struct SRegion
{
    qint64 start = -1;
    qint64 end = -1;
    QByteArray bytes;
};

// ---- FLAC: the metadata blocks after "fLaC" ----

QString FindFlacBlocks(int fd, qint64 size, SRegion& region)
{
    qint64 at = 0;
    QByteArray head = ReadRange(fd, 0, std::min<qint64>(size, 10));
    if (head.startsWith("ID3") && head.size() == 10) {
        at = 10 + ((qint64(head[6] & 0x7f) << 21) | (qint64(head[7] & 0x7f) << 14) |
                   (qint64(head[8] & 0x7f) << 7) | qint64(head[9] & 0x7f));
        if (head[5] & 0x10)
            at += 10;
    }
    if (ReadRange(fd, at, 4) != "fLaC")
        return QStringLiteral("it is no FLAC file");
    region.start = at + 4;
    qint64 p = region.start;
    for (bool last = false; !last;) {
        const QByteArray h = ReadRange(fd, p, 4);
        if (h.size() != 4 || p - region.start > CFormatTags::kMaxRead)
            return QStringLiteral("its metadata cannot be read");
        last = h[0] & 0x80;
        p += 4 + ((qint64(quint8(h[1])) << 16) | (qint64(quint8(h[2])) << 8) | quint8(h[3]));
    }
    if (p > size)
        return QStringLiteral("its metadata is longer than the file");
    region.end = p;
    region.bytes = ReadRange(fd, region.start, p - region.start);
    return QString();
}

QByteArray FlacBlock(int type, const QByteArray& body)
{
    QByteArray h(4, '\0');
    h[0] = char(type);
    h[1] = char(body.size() >> 16);
    h[2] = char(body.size() >> 8);
    h[3] = char(body.size());
    return h + body;
}

QString EditFlac(QByteArray& blocks, const SChanges& c)
{
    QList<std::pair<int, QByteArray>> list;
    for (qsizetype at = 0; at + 4 <= blocks.size();) {
        const qsizetype length = (qsizetype(quint8(blocks[at + 1])) << 16) |
                                 (qsizetype(quint8(blocks[at + 2])) << 8) | quint8(blocks[at + 3]);
        list.append({blocks[at] & 0x7f, blocks.mid(at + 4, length)});
        at += 4 + length;
    }
    // A FLAC stream opens with its stream information; without it (or with a block marked
    // invalid) no player would read what is written.
    const bool invalid = std::any_of(list.cbegin(), list.cend(),
                                     [](const auto& block) { return block.first == 0x7f; });
    if (list.isEmpty() || list[0].first != 0 || list[0].second.size() != 34 || invalid)
        return QStringLiteral("its metadata cannot be read");
    qsizetype comment = -1, padding = -1;
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (list[i].first == 4 && comment < 0)
            comment = i;
        if (list[i].first == 1 && padding < 0)
            padding = i;
    }
    if (comment < 0) {
        // A new comment follows the stream information.
        list.insert(1, {4, QByteArray("\x09\0\0\0Cratewise\0\0\0\0", 17)});
        comment = 1;
        padding += padding >= 1 ? 1 : 0;
    }
    if (QString error = EditXiph(list[comment].second, c); !error.isEmpty())
        return error;
    if (list[comment].second.size() >= (1 << 24))
        return QStringLiteral("the new comment is too long");
    const auto render = [&list] {
        QByteArray rendered;
        for (qsizetype i = 0; i < list.size(); ++i)
            rendered +=
                FlacBlock(list[i].first | (i + 1 == list.size() ? 0x80 : 0), list[i].second);
        return rendered;
    };
    QByteArray rendered = render();
    // The padding takes up the difference where it can: the audio stays where it was.
    const qsizetype grown = rendered.size() - blocks.size();
    if (padding >= 0 && list[padding].second.size() >= grown && grown != 0) {
        list[padding].second.resize(list[padding].second.size() - grown, '\0');
        rendered = render();
    }
    blocks = rendered;
    return QString();
}

// ---- MP4: the movie atom with its item list ----

// 0 past the end: no atom has that size, so every walk stops there.
quint32 Be32(const QByteArray& b, qsizetype at)
{
    return at >= 0 && at + 4 <= b.size() ? qFromBigEndian<quint32>(b.constData() + at) : 0;
}

QByteArray Atom(const QByteArray& name, const QByteArray& body)
{
    QByteArray a(4, '\0');
    qToBigEndian(quint32(body.size() + 8), a.data());
    return a + name + body;
}

// Where an atom's children begin: after its header (and a full atom's version).
qsizetype ChildrenAt(const QByteArray& b, qsizetype at)
{
    return at + (Be32(b, at) == 1 ? 16 : 8) + (b.mid(at + 4, 4) == "meta" ? 4 : 0);
}

qint64 AtomSize(const QByteArray& b, qsizetype at)
{
    const quint32 size = Be32(b, at);
    if (size != 1)
        return size;
    return at + 16 <= b.size() ? qint64(qFromBigEndian<quint64>(b.constData() + at + 8)) : 0;
}

// The first child of that name within [from, to), or -1.
qsizetype FindChild(const QByteArray& b, qsizetype from, qsizetype to, const char* name)
{
    for (qsizetype at = from; at + 8 <= to;) {
        const qint64 size = AtomSize(b, at);
        if (size < 8 || at + size > to)
            return -1;
        if (b.mid(at + 4, 4) == name)
            return at;
        at += size;
    }
    return -1;
}

// Whether the atoms within [from, to) follow one another exactly to its end.
bool ChildrenFit(const QByteArray& b, qsizetype from, qsizetype to)
{
    qsizetype at = from;
    while (at + 8 <= to) {
        const qint64 size = AtomSize(b, at);
        if (size < 8 || at + size > to)
            return false;
        at += size;
    }
    return at == to;
}

void AddToSize(QByteArray& b, qsizetype at, qint64 delta)
{
    if (Be32(b, at) == 1)
        qToBigEndian(quint64(AtomSize(b, at) + delta), b.data() + at + 8);
    else
        qToBigEndian(quint32(AtomSize(b, at) + delta), b.data() + at);
}

// Every chunk offset of every track moves by delta (the stream lies behind the movie).
void ShiftChunkOffsets(QByteArray& b, qsizetype from, qsizetype to, qint64 delta)
{
    for (qsizetype at = from; at + 8 <= to;) {
        const qint64 size = AtomSize(b, at);
        if (size < 8 || at + size > to)
            return;
        const QByteArray name = b.mid(at + 4, 4);
        if (name == "trak" || name == "mdia" || name == "minf" || name == "stbl") {
            ShiftChunkOffsets(b, ChildrenAt(b, at), at + size, delta);
        } else if ((name == "stco" || name == "co64") && size >= 16) {
            const bool wide = name == "co64";
            const qint64 count = std::min<qint64>(Be32(b, at + 12), (size - 16) / (wide ? 8 : 4));
            for (qint64 i = 0; i < count; ++i) {
                char* p = b.data() + at + 16 + i * (wide ? 8 : 4);
                if (wide)
                    qToBigEndian(qFromBigEndian<quint64>(p) + quint64(delta), p);
                else
                    qToBigEndian(quint32(qFromBigEndian<quint32>(p) + delta), p);
            }
        }
        at += size;
    }
}

QByteArray TextAtom(const char* key, const QString& value)
{
    // Type 1: UTF-8 text, no locale.
    return Atom(key, Atom("data", QByteArray("\0\0\0\1\0\0\0\0", 8) + value.toUtf8()));
}

QByteArray EditItems(const QByteArray& ilst, const SChanges& c)
{
    QList<QByteArray> items;
    for (qsizetype at = 8; at + 8 <= ilst.size();) {
        const qint64 size = AtomSize(ilst, at);
        if (size < 8 || at + size > ilst.size())
            break;
        items << ilst.mid(at, size);
        at += size;
    }
    const auto values = Fields(c);
    for (int f = 0; f < CFormatTags::kFieldCount; ++f) {
        if (!values[f])
            continue;
        const char* key = CFormatTags::kMp4Keys[f];
        qsizetype first = -1;
        for (qsizetype i = 0; i < items.size();) {
            if (items[i].mid(4, 4) != key)
                ++i;
            else if (first < 0)
                first = i++;
            else
                items.removeAt(i);
        }
        if (values[f]->isEmpty()) {
            if (first >= 0)
                items.removeAt(first);
        } else if (first >= 0) {
            items[first] = TextAtom(key, *values[f]);
        } else {
            items << TextAtom(key, *values[f]);
        }
    }
    return Atom("ilst", items.join());
}

// The movie atom and whether the stream follows it (its chunk offsets then move).
QString FindMovie(int fd, qint64 size, SRegion& region, bool& streamBehind)
{
    streamBehind = false;
    for (qint64 at = 0; at + 8 <= size;) {
        const QByteArray h = ReadRange(fd, at, std::min<qint64>(16, size - at));
        if (h.size() < 8)
            return QStringLiteral("its atoms cannot be read");
        qint64 length = Be32(h, 0);
        if (length == 1 && h.size() == 16)
            length = qint64(qFromBigEndian<quint64>(h.constData() + 8));
        else if (length == 0)
            length = size - at;
        if (length < 8)
            break;
        if (at + length > size) // cut short: the tag library reads no tag of it either
            return QStringLiteral("it ends inside an atom");
        if (h.mid(4, 4) == "moov" && region.start < 0) {
            if (length > CFormatTags::kMaxRead)
                return QStringLiteral("its movie atom is too large");
            region = {at, at + length, ReadRange(fd, at, length)};
        } else if (h.mid(4, 4) == "mdat" && region.start >= 0) {
            streamBehind = true;
        }
        at += length;
    }
    return region.start < 0 || region.bytes.isEmpty() ? QStringLiteral("it has no movie atom")
                                                      : QString();
}

QString EditMovie(QByteArray& moov, bool streamBehind, const SChanges& c)
{
    // A movie atom sized "to the end of the file" (or not as long as it says) would take a
    // wrong size from the edit.
    if (AtomSize(moov, 0) != moov.size() || !ChildrenFit(moov, ChildrenAt(moov, 0), moov.size()))
        return QStringLiteral("its movie atom cannot be read");
    // The chain movie › user data › meta › item list, made where it is missing.
    QList<qsizetype> chain{0};
    static const char* const kPath[] = {"udta", "meta", "ilst"};
    qsizetype ilst = -1;
    for (const char* name : kPath) {
        const qsizetype parent = chain.last();
        const qsizetype found =
            FindChild(moov, ChildrenAt(moov, parent), parent + AtomSize(moov, parent), name);
        if (found < 0)
            break;
        if (!ChildrenFit(moov, ChildrenAt(moov, found), found + AtomSize(moov, found)))
            return QStringLiteral("its movie atom cannot be read");
        chain << found;
        if (qstrcmp(name, "ilst") == 0)
            ilst = found;
    }
    QByteArray oldList = ilst >= 0 ? moov.mid(ilst, AtomSize(moov, ilst)) : Atom("ilst", {});
    QByteArray inserted = EditItems(oldList, c);
    qsizetype at = ilst;
    if (ilst >= 0) {
        chain.removeLast();
    } else {
        // The missing levels wrap the new list; it goes at the end of the deepest one found.
        const QByteArray handler = QByteArray(8, '\0') + "mdirappl" + QByteArray(9, '\0');
        if (chain.size() < 3)
            inserted = Atom("meta", QByteArray(4, '\0') + Atom("hdlr", handler) + inserted);
        if (chain.size() < 2)
            inserted = Atom("udta", inserted);
        at = chain.last() + AtomSize(moov, chain.last());
        oldList.clear();
    }
    const qint64 delta = inserted.size() - oldList.size();
    moov = moov.left(at) + inserted + moov.mid(at + oldList.size());
    for (const qsizetype parent : chain)
        AddToSize(moov, parent, delta);
    if (streamBehind && delta != 0)
        ShiftChunkOffsets(moov, ChildrenAt(moov, 0), moov.size(), delta);
    return QString();
}

// ---- Ogg: the comment packet, paged by the tag library ----

QString EditOggPacket(TagLib::ByteVector& packet, EAudioFormat format, const SChanges& c)
{
    const QByteArray prefix =
        format == EAudioFormat::Opus ? QByteArray("OpusTags") : QByteArray("\x03vorbis");
    QByteArray bytes(packet.data(), packet.size());
    if (!bytes.startsWith(prefix))
        return QStringLiteral("its comment cannot be read");
    QByteArray body = bytes.mid(prefix.size());
    if (QString error = EditXiph(body, c); !error.isEmpty())
        return error;
    bytes = prefix + body;
    packet = TagLib::ByteVector(bytes.constData(), uint(bytes.size()));
    return QString();
}

// Copies the file whole, then lets the library page the new packet into the copy.
QString WriteOgg(const QString& path, EAudioFormat format,
                 const std::function<QString(TagLib::ByteVector&)>& edit)
{
    return CTagFile::ReplaceWithCopy(path, [&](int from, qint64 size, int to) {
        qint64 written = 0;
        if (!CTagFile::CopyBytes(from, to, 0, size, written))
            return Reason();
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(to);
        TagLib::FileStream stream(self.constData());
        std::unique_ptr<TagLib::Ogg::File> file;
        if (format == EAudioFormat::Opus)
            file = std::make_unique<TagLib::Ogg::Opus::File>(&stream, false);
        else
            file = std::make_unique<TagLib::Ogg::Vorbis::File>(&stream, false);
        if (stream.readOnly() || !file->isValid())
            return QStringLiteral("its Ogg stream cannot be read");
        TagLib::ByteVector packet = file->packet(1);
        if (QString error = edit(packet); !error.isEmpty())
            return error;
        file->setPacket(1, packet);
        // The base class writes the packets as set; the format's own save would render
        // the comment anew from its parsed fields.
        return file->TagLib::Ogg::File::save() ? QString()
                                               : QStringLiteral("the new comment was not written");
    });
}

// Reads the region a format keeps its tag in (and whether a stream follows an MP4 movie).
QString FindRegion(const QString& path, EAudioFormat format, SRegion& region, bool& streamBehind)
{
    const int fd = ::open(CFileNames::Encode(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return Reason();
    const auto closer = qScopeGuard([fd] { ::close(fd); });
    struct stat st = {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return QStringLiteral("it is not a regular file");
    return format == EAudioFormat::Flac ? FindFlacBlocks(fd, st.st_size, region)
                                        : FindMovie(fd, st.st_size, region, streamBehind);
}

QString WriteEdit(const QString& path, EAudioFormat format, const SChanges& changes,
                  QByteArray& before)
{
    if (format == EAudioFormat::OggVorbis || format == EAudioFormat::Opus) {
        return WriteOgg(path, format, [&](TagLib::ByteVector& packet) {
            before = QByteArray(packet.data(), packet.size());
            return EditOggPacket(packet, format, changes);
        });
    }
    SRegion region;
    bool streamBehind = false;
    if (QString error = FindRegion(path, format, region, streamBehind); !error.isEmpty())
        return error;
    QByteArray edited = region.bytes;
    const QString error = format == EAudioFormat::Flac ? EditFlac(edited, changes)
                                                       : EditMovie(edited, streamBehind, changes);
    if (!error.isEmpty())
        return error;
    before = region.bytes;
    return ReplaceRegion(path, region.start, region.end, edited);
}

// The texts the edit set, as the tag library reads them now.
bool ReadsBack(const QString& path, EAudioFormat format, const SChanges& c)
{
    STagFields now;
    if (!CFormatTags::Read(path, format, &now, nullptr))
        return false;
    const auto same = [](const std::optional<QString>& set, const QString& read) {
        return !set || *set == read;
    };
    return same(c.title, now.title) && same(c.artist, now.artist) && same(c.album, now.album) &&
           same(c.comment, now.comment);
}

} // namespace

namespace CFormatTagFile {

QString Write(const QString& path, EAudioFormat format, const SChanges& changes, QByteArray* before)
{
    SilenceTagLib();
    // What the tag library cannot read now, an edit must not touch: whatever were written
    // into it would not be read back either.
    if (STagFields now; !CFormatTags::Read(path, format, &now, nullptr))
        return QStringLiteral("its tag cannot be read");
    QByteArray found;
    if (QString error = WriteEdit(path, format, changes, found); !error.isEmpty())
        return error;
    // A file built in a way the writer does not foresee may hide the edit from readers:
    // it is put back as it was rather than reported as written.
    if (!ReadsBack(path, format, changes)) {
        Restore(path, format, found);
        return QStringLiteral("the edited tag cannot be read back");
    }
    if (before)
        *before = found;
    return QString();
}

QString Restore(const QString& path, EAudioFormat format, const QByteArray& before)
{
    if (before.isEmpty())
        return QStringLiteral("nothing to put back");
    if (format == EAudioFormat::OggVorbis || format == EAudioFormat::Opus) {
        return WriteOgg(path, format, [&](TagLib::ByteVector& packet) {
            packet = TagLib::ByteVector(before.constData(), uint(before.size()));
            return QString();
        });
    }
    SRegion region;
    bool streamBehind = false;
    if (QString error = FindRegion(path, format, region, streamBehind); !error.isEmpty())
        return error;
    return ReplaceRegion(path, region.start, region.end, before);
}

} // namespace CFormatTagFile
