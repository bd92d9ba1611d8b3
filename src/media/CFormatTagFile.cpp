#include "media/CFormatTagFile.h"

#include "db/CGenres.h"
#include "media/CFormatTags.h"
#include "media/CMp4Atoms.h"
#include "media/CTagLibSupport.h"
#include "media/CXiphComment.h"
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

using CSafeCopy::POriginalFile;
using SChanges = STagChanges;

QString Reason()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// The genre as other formats write it: a name, not the catalogue's "(17)".
std::optional<QString> GenreText(const SChanges& c)
{
    if (!c.genre || c.genreNumber < 0)
        return c.genre;
    return CGenres::Name(c.genreNumber);
}

// The changed fields, in CFormatTags::EField's order.
std::array<std::optional<QString>, CFormatTags::kFieldCount> Fields(const SChanges& c)
{
    return {c.title, c.artist, c.album, GenreText(c), c.year, c.comment, c.lyrics, c.track};
}

QString EditXiph(QByteArray& body, const SChanges& c)
{
    SXiphComment x;
    if (!x.Parse(body))
        return QStringLiteral("its comment cannot be read");
    const auto values = Fields(c);
    for (int f = 0; f < CFormatTags::kFieldCount; ++f)
        x.Set(CFormatTags::kXiphKeys[f], values[f]);
    body = x.Render();
    return QString();
}

QByteArray ReadRange(int fd, qint64 offset, qint64 length)
{
    QByteArray data(length, '\0');
    return CSafeCopy::ReadBytes(fd, data.data(), length, offset) ? data : QByteArray();
}

// Whether `length` bytes at `a` in one file and at `b` in another are the same (both cut
// at their files' ends): the audio a table points to must be where it points after an edit.
bool SameBytes(int fa, qint64 a, int fb, qint64 b)
{
    constexpr qint64 kProbe = 16;
    QByteArray x(kProbe, '\0'), y(kProbe, '\0');
    const ssize_t gx = ::pread(fa, x.data(), kProbe, a);
    const ssize_t gy = ::pread(fb, y.data(), kProbe, b);
    return gx >= 0 && gx == gy && x.left(gx) == y.left(gy);
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
    if (p > size || p - region.start > CFormatTags::kMaxRead)
        return QStringLiteral("its metadata is longer than the file allows");
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

using FlacBlocks = QList<std::pair<int, QByteArray>>;

QString EditComments(FlacBlocks& list, const SChanges& c)
{
    qsizetype comment = -1;
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (list[i].first != 4)
            continue;
        if (comment < 0) {
            comment = i;
            continue;
        }
        // A second comment block (some tools add one) must not contradict the first.
        SXiphComment later;
        if (!later.Parse(list[i].second))
            return QStringLiteral("its metadata cannot be read");
        const auto values = Fields(c);
        for (int f = 0; f < CFormatTags::kFieldCount; ++f)
            if (values[f])
                later.Remove(CFormatTags::kXiphKeys[f]);
        list[i].second = later.Render();
    }
    if (comment < 0) {
        // A new comment follows the stream information.
        list.insert(1, {4, QByteArray("\x09\0\0\0Cratewise\0\0\0\0", 17)});
        comment = 1;
    }
    if (QString error = EditXiph(list[comment].second, c); !error.isEmpty())
        return error;
    return list[comment].second.size() >= (1 << 24) ? QStringLiteral("the new comment is too long")
                                                    : QString();
}

QString EditFlac(QByteArray& blocks, const SChanges& c)
{
    FlacBlocks list;
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
    if (QString error = EditComments(list, c); !error.isEmpty())
        return error;
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
    const auto padding =
        std::find_if(list.begin(), list.end(), [](const auto& block) { return block.first == 1; });
    if (padding != list.end() && padding->second.size() >= grown && grown != 0) {
        padding->second.resize(padding->second.size() - grown, '\0');
        rendered = render();
    }
    blocks = rendered;
    return QString();
}

QString WriteFlac(const QString& path, int fd, qint64 size, const SChanges& c,
                  POriginalFile* original)
{
    SRegion region;
    if (QString error = FindFlacBlocks(fd, size, region); !error.isEmpty())
        return error;
    QByteArray edited = region.bytes;
    if (QString error = EditFlac(edited, c); !error.isEmpty())
        return error;
    return CSafeCopy::ReplaceWithCopy(
        path,
        [&](int from, qint64 fromSize, int to) {
            qint64 written = 0;
            if (!CSafeCopy::CopyBytes(from, to, 0, region.start, written) ||
                !CSafeCopy::WriteBytes(to, edited.constData(), edited.size(), written))
                return Reason();
            written += edited.size();
            if (!CSafeCopy::CopyBytes(from, to, region.end, fromSize - region.end, written))
                return Reason();
            // The copy's blocks end where the audio begins, and it is the same audio.
            SRegion check;
            if (!FindFlacBlocks(to, written, check).isEmpty() || check.bytes != edited ||
                !SameBytes(from, region.end, to, check.end))
                return QStringLiteral("the new metadata did not come out as planned");
            return QString();
        },
        original);
}

// ---- MP4: the movie atom with its item list ----

QList<CMp4Atoms::SItem> Mp4Items(const SChanges& c)
{
    QList<CMp4Atoms::SItem> items;
    const auto values = Fields(c);
    for (int f = 0; f < CFormatTags::kFieldCount; ++f)
        items.append({CFormatTags::kMp4Keys[f], values[f]});
    return items;
}

// What the copy of an MP4 file is made of: the atoms before the movie as they are, the new
// movie, the atoms behind it with their offsets moved.
struct SMp4Plan
{
    QList<CMp4Atoms::STop> atoms;
    qsizetype movie = -1; // its index in atoms
    QByteArray moov;      // the new movie atom
    qint64 delta = 0;     // how far what follows it moves
    QByteArray padding;   // a free atom behind the movie that takes up the change, if any
};

// The atom at `index` as the copy holds it, and the offsets it held before and holds now.
QString MovedAtom(int from, const SMp4Plan& plan, qsizetype index, QByteArray& atom,
                  QList<qint64>& before, QList<qint64>& after)
{
    const CMp4Atoms::STop& top = plan.atoms[index];
    if (top.size > CFormatTags::kMaxRead)
        return QStringLiteral("a fragment of it is too large");
    atom = ReadRange(from, top.at, top.size);
    if (atom.size() != top.size)
        return Reason();
    before << CMp4Atoms::Offsets(atom);
    CMp4Atoms::ShiftOffsets(atom, plan.atoms[plan.movie].at + plan.atoms[plan.movie].size,
                            plan.delta);
    after << CMp4Atoms::Offsets(atom);
    return QString();
}

QString FillMp4(const SMp4Plan& plan, int from, int to)
{
    const CMp4Atoms::STop& movie = plan.atoms[plan.movie];
    QList<qint64> before, after;
    qint64 written = 0;
    if (!CSafeCopy::CopyBytes(from, to, 0, movie.at, written) ||
        !CSafeCopy::WriteBytes(to, plan.moov.constData(), plan.moov.size(), written))
        return Reason();
    written += plan.moov.size();
    qsizetype next = plan.movie + 1;
    if (!plan.padding.isEmpty()) {
        if (!CSafeCopy::WriteBytes(to, plan.padding.constData(), plan.padding.size(), written))
            return Reason();
        written += plan.padding.size();
        ++next;
    }
    for (qsizetype i = next; i < plan.atoms.size(); ++i) {
        const CMp4Atoms::STop& top = plan.atoms[i];
        if (plan.delta == 0 || (top.name != "moof" && top.name != "mfra")) {
            if (!CSafeCopy::CopyBytes(from, to, top.at, top.size, written))
                return Reason();
            continue;
        }
        QByteArray atom;
        if (QString error = MovedAtom(from, plan, i, atom, before, after); !error.isEmpty())
            return error;
        if (!CSafeCopy::WriteBytes(to, atom.constData(), atom.size(), written))
            return Reason();
        written += atom.size();
    }
    // Every sample, fragment and index entry is where its table says, and holds what it
    // held: the audio did not move under its tables.
    QByteArray oldMovie = ReadRange(from, movie.at, movie.size);
    before = CMp4Atoms::Offsets(oldMovie) + before;
    after = CMp4Atoms::Offsets(plan.moov) + after;
    QList<CMp4Atoms::STop> check;
    if (before.size() != after.size() || !CMp4Atoms::List(to, written, check).isEmpty())
        return QStringLiteral("the new atoms did not come out as planned");
    for (qsizetype i = 0; i < before.size(); ++i)
        if (!SameBytes(from, before[i], to, after[i]))
            return QStringLiteral("the new atoms would move the audio away from its tables");
    return QString();
}

QString PlanMp4(int fd, qint64 size, const SChanges& c, SMp4Plan& plan)
{
    if (QString error = CMp4Atoms::List(fd, size, plan.atoms); !error.isEmpty())
        return error;
    const auto movie = std::find_if(plan.atoms.cbegin(), plan.atoms.cend(),
                                    [](const auto& top) { return top.name == "moov"; });
    if (movie == plan.atoms.cend())
        return QStringLiteral("it has no movie atom");
    if (movie->size > CFormatTags::kMaxRead)
        return QStringLiteral("its movie atom is too large");
    plan.movie = movie - plan.atoms.cbegin();
    plan.moov = ReadRange(fd, movie->at, movie->size);
    if (plan.moov.size() != movie->size)
        return Reason();
    if (QString error = CMp4Atoms::EditMovie(plan.moov, Mp4Items(c)); !error.isEmpty())
        return error;
    plan.delta = plan.moov.size() - movie->size;
    // A free atom right behind the movie takes up the change, so nothing else moves.
    const qsizetype after = plan.movie + 1;
    if (plan.delta != 0 && after < plan.atoms.size() && plan.atoms[after].name == "free") {
        const qint64 room = plan.atoms[after].size - plan.delta;
        if (room >= 8 && room < (qint64(1) << 32)) {
            plan.padding = QByteArray(room, '\0');
            qToBigEndian(quint32(room), plan.padding.data());
            plan.padding.replace(4, 4, "free");
            plan.delta = 0;
        }
    }
    CMp4Atoms::ShiftOffsets(plan.moov, movie->at + movie->size, plan.delta);
    return QString();
}

QString WriteMp4(const QString& path, int fd, qint64 size, const SChanges& c,
                 POriginalFile* original)
{
    SMp4Plan plan;
    if (QString error = PlanMp4(fd, size, c, plan); !error.isEmpty())
        return error;
    return CSafeCopy::ReplaceWithCopy(
        path, [&](int from, qint64, int to) { return FillMp4(plan, from, to); }, original);
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

std::unique_ptr<TagLib::Ogg::File> OpenOgg(TagLib::IOStream& stream, EAudioFormat format)
{
    if (format == EAudioFormat::Opus)
        return std::make_unique<TagLib::Ogg::Opus::File>(&stream, false);
    return std::make_unique<TagLib::Ogg::Vorbis::File>(&stream, false);
}

// Copies the file whole, then lets the library page the new packet into the copy, and
// reads the copy back: the new comment, and the header packet after it as it was.
QString WriteOgg(const QString& path, EAudioFormat format, const SChanges& c,
                 POriginalFile* original)
{
    return CSafeCopy::ReplaceWithCopy(
        path,
        [&](int from, qint64 size, int to) {
            qint64 written = 0;
            if (!CSafeCopy::CopyBytes(from, to, 0, size, written))
                return Reason();
            const QByteArray self = "/proc/self/fd/" + QByteArray::number(to);
            TagLib::ByteVector packet, next;
            {
                TagLib::FileStream stream(self.constData());
                const std::unique_ptr<TagLib::Ogg::File> file = OpenOgg(stream, format);
                if (stream.readOnly() || !file->isValid())
                    return QStringLiteral("its Ogg stream cannot be read");
                packet = file->packet(1);
                next = file->packet(2);
                if (QString error = EditOggPacket(packet, format, c); !error.isEmpty())
                    return error;
                file->setPacket(1, packet);
                // The base class writes the packets as set; the format's own save would
                // render the comment anew from its parsed fields.
                if (!file->TagLib::Ogg::File::save())
                    return QStringLiteral("the new comment was not written");
            }
            TagLib::FileStream stream(self.constData(), true);
            const std::unique_ptr<TagLib::Ogg::File> file = OpenOgg(stream, format);
            if (!file->isValid() || file->packet(1) != packet || file->packet(2) != next)
                return QStringLiteral("the new comment did not come out as planned");
            return QString();
        },
        original);
}

// The texts the edit set, as the tag library reads them now.
bool ReadsBack(const QString& path, EAudioFormat format, const SChanges& c)
{
    STagFields now;
    if (!CFormatTags::ReadStrictly(path, format, &now))
        return false;
    const auto same = [](const std::optional<QString>& set, const QString& read) {
        return !set || *set == read;
    };
    const std::optional<QString> track =
        c.track ? std::optional(c.track->section(u'/', 0, 0).trimmed()) : std::nullopt;
    const auto number = [](const QString& t) { return t.section(u'/', 0, 0).toUInt(); };
    return same(c.title, now.title) && same(c.artist, now.artist) && same(c.album, now.album) &&
           same(c.comment, now.comment) && same(c.year, now.year) &&
           (!track || track->toUInt() == number(now.track));
}

QString WriteEdit(const QString& path, EAudioFormat format, const SChanges& c,
                  POriginalFile* original)
{
    if (format == EAudioFormat::OggVorbis || format == EAudioFormat::Opus)
        return WriteOgg(path, format, c, original);
    const int fd = ::open(CFileNames::Encode(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return Reason();
    const auto closer = qScopeGuard([fd] { ::close(fd); });
    struct stat st = {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return QStringLiteral("it is not a regular file");
    return format == EAudioFormat::Flac ? WriteFlac(path, fd, st.st_size, c, original)
                                        : WriteMp4(path, fd, st.st_size, c, original);
}

} // namespace

namespace CFormatTagFile {

QString Write(const QString& path, EAudioFormat format, const SChanges& changes,
              POriginalFile* before)
{
    SilenceTagLib();
    // What the tag library cannot read now, an edit must not touch: whatever were written
    // into it would not be read back either.
    if (STagFields now; !CFormatTags::ReadStrictly(path, format, &now))
        return QStringLiteral("its tag cannot be read");
    POriginalFile original;
    if (QString error = WriteEdit(path, format, changes, &original); !error.isEmpty())
        return error;
    // A file built in a way the writer does not foresee may hide the edit from readers:
    // it is put back as it was rather than reported as written.
    if (!ReadsBack(path, format, changes)) {
        const QString undone = Restore(path, original);
        return undone.isEmpty() ? QStringLiteral("the edited tag cannot be read back")
                                : QStringLiteral("the edited tag cannot be read back, and the "
                                                 "file could not be put back: %1")
                                      .arg(undone);
    }
    if (before)
        *before = original;
    return QString();
}

QString Restore(const QString& path, const POriginalFile& original)
{
    if (!original)
        return QStringLiteral("nothing to put back");
    struct stat st = {};
    if (::fstat(original->Fd(), &st) != 0)
        return Reason();
    return CSafeCopy::ReplaceWithCopy(path, [&](int, qint64, int to) {
        qint64 written = 0;
        return CSafeCopy::CopyBytes(original->Fd(), to, 0, st.st_size, written) ? QString()
                                                                                : Reason();
    });
}

} // namespace CFormatTagFile
