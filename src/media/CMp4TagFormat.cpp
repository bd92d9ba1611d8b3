#include "media/CMp4TagFormat.h"

#include "media/CMp4Atoms.h"
#include "platform/CCachedFile.h"

#include <QtEndian>
#include <algorithm>
#include <taglib/mp4file.h>

namespace {

using CSafeCopy::ReadRange;
using CSafeCopy::Reason;
using CSafeCopy::SameBytes;

// Each field's item, in ETagField's order. The track is no text: a pair of numbers.
constexpr const char* kKeys[kTagFieldCount] = {"\251nam", "\251ART", "\251alb", "\251gen",
                                               "\251day", "\251cmt", "\251lyr", "trkn"};

QList<CMp4Atoms::SItem> Items(const std::array<std::optional<QString>, kTagFieldCount>& texts)
{
    QList<CMp4Atoms::SItem> items;
    for (int f = 0; f < kTagFieldCount; ++f)
        items.append({kKeys[f], texts[size_t(f)]});
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
    if (top.size > STagFields::kMaxRead)
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

QString PlanMp4(int fd, qint64 size, const QList<CMp4Atoms::SItem>& items, SMp4Plan& plan)
{
    if (QString error = CMp4Atoms::List(fd, size, plan.atoms); !error.isEmpty())
        return error;
    const auto movie = std::find_if(plan.atoms.cbegin(), plan.atoms.cend(),
                                    [](const auto& top) { return top.name == "moov"; });
    if (movie == plan.atoms.cend())
        return QStringLiteral("it has no movie atom");
    if (movie->size > STagFields::kMaxRead)
        return QStringLiteral("its movie atom is too large");
    plan.movie = movie - plan.atoms.cbegin();
    plan.moov = ReadRange(fd, movie->at, movie->size);
    if (plan.moov.size() != movie->size)
        return Reason();
    if (QString error = CMp4Atoms::EditMovie(plan.moov, items); !error.isEmpty())
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

QString Mp4Text(const CMp4Atoms::SData& data)
{
    if (data.type == 1)
        return QString::fromUtf8(data.payload);
    if (data.type == 2)
        return QString::fromUtf16(reinterpret_cast<const char16_t*>(data.payload.constData()),
                                  data.payload.size() / 2);
    return QString();
}

// The items of an MP4 file's list as some writers lay them out and the library does not
// read: `mean` and `name` before an item's data, 64-bit sizes, a broken picture beside them.
STagFields LenientMp4Items(CCachedFile& file)
{
    STagFields found;
    QByteArray moov;
    for (qint64 at = 0; at + 8 <= file.Size();) {
        const QByteArray h = file.Read(at, 16);
        if (h.size() < 8)
            break;
        qint64 size = qFromBigEndian<quint32>(h.constData());
        if (size == 1 && h.size() == 16)
            size = qint64(std::min<quint64>(qFromBigEndian<quint64>(h.constData() + 8), INT64_MAX));
        else if (size == 0)
            size = file.Size() - at;
        if (size < 8 || size > file.Size() - at)
            break;
        if (h.mid(4, 4) == "moov") {
            if (size <= STagFields::kMaxRead)
                moov = file.Read(at, size);
            break;
        }
        at += size;
    }
    for (const CMp4Atoms::SData& item : CMp4Atoms::Items(moov)) {
        for (int f = 0; f < kTagFieldCount; ++f) {
            QString& field = found[ETagField(f)];
            if (item.key != kKeys[f] || !field.isEmpty())
                continue;
            if (ETagField(f) == ETagField::Track && item.payload.size() >= 4)
                field = QString::number(qFromBigEndian<quint16>(item.payload.constData() + 2));
            else
                field = Mp4Text(item);
        }
    }
    if (found.track == u"0")
        found.track.clear();
    return found;
}

} // namespace

std::unique_ptr<TagLib::File> CMp4TagFormat::Open(TagLib::IOStream* stream, bool measure) const
{
    return std::make_unique<TagLib::MP4::File>(stream, measure, TagLib::AudioProperties::Average);
}

void CMp4TagFormat::TakeFields(TagLib::File& file, STagFields& fields) const
{
    auto& mp4 = static_cast<TagLib::MP4::File&>(file);
    if (!mp4.hasMP4Tag())
        return;
    const TagLib::MP4::ItemMap& items = mp4.tag()->itemMap();
    for (int f = 0; f < kTagFieldCount; ++f) {
        const auto it = items.find(kKeys[f]);
        if (it != items.end() && !it->second.toStringList().isEmpty())
            fields[ETagField(f)] = ToQt(it->second.toStringList().front());
    }
    const auto track = items.find("trkn");
    if (track != items.end() && track->second.toIntPair().first > 0)
        fields.track = QString::number(track->second.toIntPair().first);
    // The older genre atom holds an ID3v1 genre number plus one.
    const auto genre = items.find("gnre");
    if (fields.genre.isEmpty() && genre != items.end() && genre->second.toInt() > 0)
        fields.genre = QStringLiteral("(%1)").arg(genre->second.toInt() - 1);
}

bool CMp4TagFormat::Complete(CCachedFile& file, bool valid, STagFields& fields) const
{
    if (valid && !fields.title.isEmpty() && !fields.artist.isEmpty() && !fields.album.isEmpty())
        return true;
    // Whatever the library could not read of the items, these writers' ways included; a
    // file it refuses whole is read for its items alone.
    const STagFields lenient = LenientMp4Items(file);
    FillEmpty(fields, lenient);
    return valid || !lenient.title.isEmpty() || !lenient.artist.isEmpty();
}

QString CMp4TagFormat::WriteEdit(const QString& path, const STagChanges& changes,
                                 CSafeCopy::POriginalFile* original) const
{
    return WithRegularFile(path, [&](int fd, qint64 size) {
        SMp4Plan plan;
        if (QString error = PlanMp4(fd, size, Items(FileTexts(changes)), plan); !error.isEmpty())
            return error;
        return CSafeCopy::ReplaceWithCopy(
            path, [&](int from, qint64, int to) { return FillMp4(plan, from, to); }, original);
    });
}
