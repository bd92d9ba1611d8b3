#include "media/CFormatTags.h"

#include "db/CGenres.h"
#include "media/CMp4Atoms.h"
#include "media/CTagLibSupport.h"
#include "media/CXiphComment.h"
#include "platform/CCachedFile.h"
#include "platform/CText.h"

#include <QScopeGuard>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <memory>
#include <taglib/flacfile.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/mp4file.h>
#include <taglib/opusfile.h>
#include <taglib/vorbisfile.h>
#include <taglib/xiphcomment.h>

namespace {

// Without toWString()'s copy: the library keeps four bytes a character, and a comment of
// megabytes would cost them once more.
QString ToQt(const TagLib::String& s)
{
    return QString::fromWCharArray(s.toCWString(), qsizetype(s.size()));
}

std::unique_ptr<TagLib::File> OpenAs(EAudioFormat format, TagLib::IOStream* stream, bool measure)
{
    const auto style = TagLib::AudioProperties::Average;
    switch (format) {
    case EAudioFormat::Flac:
        return std::make_unique<TagLib::FLAC::File>(stream, TagLib::ID3v2::FrameFactory::instance(),
                                                    measure, style);
    case EAudioFormat::OggVorbis:
        return std::make_unique<TagLib::Ogg::Vorbis::File>(stream, measure, style);
    case EAudioFormat::Opus:
        return std::make_unique<TagLib::Ogg::Opus::File>(stream, measure, style);
    case EAudioFormat::Mp4:
        return std::make_unique<TagLib::MP4::File>(stream, measure, style);
    case EAudioFormat::Mpeg:
        break;
    }
    return nullptr;
}

QString XiphField(const TagLib::Ogg::XiphComment& tag, const char* const (&keys)[2])
{
    const TagLib::Ogg::FieldListMap& map = tag.fieldListMap();
    for (const char* key : keys) {
        if (!key)
            continue;
        const auto it = map.find(key);
        if (it != map.end() && !it->second.isEmpty())
            return ToQt(it->second.front());
    }
    return QString();
}

void ReadXiph(const TagLib::Ogg::XiphComment& tag, STagFields& fields)
{
    for (int f = 0; f < CFormatTags::kFieldCount; ++f)
        CFormatTags::FieldOf(fields, CFormatTags::EField(f)) =
            XiphField(tag, CFormatTags::kXiphKeys[f]);
}

void ReadMp4(const TagLib::MP4::Tag& tag, STagFields& fields)
{
    const TagLib::MP4::ItemMap& items = tag.itemMap();
    for (int f = 0; f < CFormatTags::kFieldCount; ++f) {
        const auto it = items.find(CFormatTags::kMp4Keys[f]);
        if (it != items.end() && !it->second.toStringList().isEmpty())
            CFormatTags::FieldOf(fields, CFormatTags::EField(f)) =
                ToQt(it->second.toStringList().front());
    }
    const auto track = items.find("trkn");
    if (track != items.end() && track->second.toIntPair().first > 0)
        fields.track = QString::number(track->second.toIntPair().first);
    // The older genre atom holds an ID3v1 genre number plus one.
    const auto genre = items.find("gnre");
    if (fields.genre.isEmpty() && genre != items.end() && genre->second.toInt() > 0)
        fields.genre = QStringLiteral("(%1)").arg(genre->second.toInt() - 1);
}

// A FLAC file without a comment may carry an ID3 tag, read through the library's union.
void ReadGeneric(const TagLib::Tag& tag, STagFields& fields)
{
    fields.title = ToQt(tag.title());
    fields.artist = ToQt(tag.artist());
    fields.album = ToQt(tag.album());
    fields.genre = ToQt(tag.genre());
    fields.year = tag.year() ? QString::number(tag.year()) : QString();
    fields.comment = ToQt(tag.comment());
}

bool ReadFields(TagLib::File& file, STagFields& fields)
{
    if (auto* flac = dynamic_cast<TagLib::FLAC::File*>(&file)) {
        if (flac->hasXiphComment())
            ReadXiph(*flac->xiphComment(), fields);
        else if (flac->tag())
            ReadGeneric(*flac->tag(), fields);
    } else if (auto* mp4 = dynamic_cast<TagLib::MP4::File*>(&file)) {
        if (mp4->hasMP4Tag())
            ReadMp4(*mp4->tag(), fields);
    } else if (auto* xiph = dynamic_cast<TagLib::Ogg::XiphComment*>(file.tag())) {
        ReadXiph(*xiph, fields);
    }
    fields.genre = CGenres::StoredFormOfTag(fields.genre);
    fields.lyrics = CText::Left(fields.lyrics, STagFields::kMaxLyrics);
    return true;
}

// Fills the fields still empty from `found` (what a lenient reading found).
void FillEmpty(STagFields& fields, STagFields found)
{
    for (int f = 0; f < CFormatTags::kFieldCount; ++f) {
        QString& field = CFormatTags::FieldOf(fields, CFormatTags::EField(f));
        if (field.isEmpty())
            field = std::move(CFormatTags::FieldOf(found, CFormatTags::EField(f)));
    }
}

// The comment blocks after a FLAC file's first, which the library passes over: some tools
// add a second one and leave the first empty.
STagFields LaterFlacComments(CCachedFile& file)
{
    STagFields found;
    QByteArray head = file.Read(0, 10);
    qint64 at = 0;
    if (head.size() == 10 && head.startsWith("ID3"))
        at = 10 + ((qint64(head[6] & 0x7f) << 21) | (qint64(head[7] & 0x7f) << 14) |
                   (qint64(head[8] & 0x7f) << 7) | qint64(head[9] & 0x7f));
    if (file.Read(at, 4) != "fLaC")
        return found;
    const qint64 start = at + 4;
    bool first = true;
    for (at = start; at - start < CFormatTags::kMaxRead;) {
        const QByteArray h = file.Read(at, 4);
        if (h.size() != 4)
            break;
        const qint64 length = qFromBigEndian<quint32>(h.constData()) & 0xffffff;
        if ((h[0] & 0x7f) == 4 && !std::exchange(first, false)) {
            SXiphComment comment;
            if (at + 4 + length - start <= CFormatTags::kMaxRead &&
                comment.Parse(file.Read(at + 4, length))) {
                STagFields block;
                for (int f = 0; f < CFormatTags::kFieldCount; ++f)
                    CFormatTags::FieldOf(block, CFormatTags::EField(f)) =
                        comment.Value(CFormatTags::kXiphKeys[f]);
                FillEmpty(found, block);
            }
        }
        if (h[0] & 0x80)
            break;
        at += 4 + length;
    }
    found.genre = CGenres::StoredFormOfTag(found.genre);
    found.lyrics = CText::Left(found.lyrics, STagFields::kMaxLyrics);
    return found;
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
            if (size <= CFormatTags::kMaxRead)
                moov = file.Read(at, size);
            break;
        }
        at += size;
    }
    for (const CMp4Atoms::SData& item : CMp4Atoms::Items(moov)) {
        for (int f = 0; f < CFormatTags::kFieldCount; ++f) {
            QString& field = CFormatTags::FieldOf(found, CFormatTags::EField(f));
            if (item.key != CFormatTags::kMp4Keys[f] || !field.isEmpty())
                continue;
            if (f == CFormatTags::Track && item.payload.size() >= 4)
                field = QString::number(qFromBigEndian<quint16>(item.payload.constData() + 2));
            else
                field = Mp4Text(item);
        }
    }
    if (found.track == u"0")
        found.track.clear();
    return found;
}

bool ReadAs(CCachedFile& opened, EAudioFormat format, STagFields* fields,
            CFormatTags::SStream* stream, qint64* bytesRead, bool lenient);

void Measure(const TagLib::File& file, CFormatTags::SStream& stream)
{
    const TagLib::AudioProperties* properties = file.audioProperties();
    if (!properties)
        return;
    const long seconds = std::lround(properties->lengthInMilliseconds() / 1000.0);
    if (seconds < 1 || properties->bitrate() <= 0)
        return;
    stream.bitrate = QString::number(properties->bitrate());
    stream.duration = QString::number(seconds);
}

} // namespace

namespace CFormatTags {

QString& FieldOf(STagFields& fields, EField field)
{
    QString STagFields::*const members[kFieldCount] = {
        &STagFields::title, &STagFields::artist,  &STagFields::album,  &STagFields::genre,
        &STagFields::year,  &STagFields::comment, &STagFields::lyrics, &STagFields::track};
    return fields.*members[field];
}

bool Read(const QString& path, EAudioFormat format, STagFields* fields, SStream* stream,
          qint64* bytesRead)
{
    CCachedFile file(path, CCachedFile::EReaders::Several); // the library reads in small pieces
    return Read(file, format, fields, stream, bytesRead);
}

bool Read(CCachedFile& opened, EAudioFormat format, STagFields* fields, SStream* stream,
          qint64* bytesRead)
{
    return ReadAs(opened, format, fields, stream, bytesRead, true);
}

bool ReadStrictly(const QString& path, EAudioFormat format, STagFields* fields)
{
    CCachedFile file(path, CCachedFile::EReaders::Several);
    return ReadAs(file, format, fields, nullptr, nullptr, false);
}

} // namespace CFormatTags

namespace {

bool ReadAs(CCachedFile& opened, EAudioFormat format, STagFields* fields,
            CFormatTags::SStream* stream, qint64* bytesRead, bool lenient)
{
    if (fields)
        *fields = STagFields();
    if (stream)
        *stream = CFormatTags::SStream();
    SilenceTagLib();
    if (!opened.IsRegular())
        return false;
    try {
        CCachedStream counted(opened, CFormatTags::kMaxRead);
        const auto count = qScopeGuard([&] {
            if (bytesRead)
                *bytesRead += counted.BytesRead();
        });
        const std::unique_ptr<TagLib::File> file = OpenAs(format, &counted, stream != nullptr);
        const bool valid = file && file->isValid();
        if (valid && stream)
            Measure(*file, *stream);
        if (valid && fields)
            ReadFields(*file, *fields);
        if (!lenient)
            return valid;
        if (format == EAudioFormat::Flac && valid && fields && fields->title.isEmpty())
            FillEmpty(*fields, LaterFlacComments(opened));
        const bool gaps = fields && (fields->title.isEmpty() || fields->artist.isEmpty() ||
                                     fields->album.isEmpty());
        if (format == EAudioFormat::Mp4 && fields && (!valid || gaps)) {
            // Whatever the library could not read of the items, these writers' ways
            // included; a file it refuses whole is read for its items alone.
            STagFields lenient = LenientMp4Items(opened);
            lenient.genre = CGenres::StoredFormOfTag(lenient.genre);
            lenient.lyrics = CText::Left(lenient.lyrics, STagFields::kMaxLyrics);
            FillEmpty(*fields, lenient);
            return valid || !lenient.title.isEmpty() || !lenient.artist.isEmpty();
        }
        return valid;
    } catch (...) {
        if (fields)
            *fields = STagFields();
        return false;
    }
}

} // namespace
