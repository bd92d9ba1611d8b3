#include "media/CFormatTags.h"

#include "db/CGenres.h"
#include "media/CTagLibSupport.h"
#include "platform/CCachedFile.h"
#include "platform/CText.h"

#include <QScopeGuard>
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

QString ToQt(const TagLib::String& s)
{
    return QString::fromStdWString(s.toWString());
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
    fields.lyrics = CText::Left(fields.lyrics, CTagReader::kMaxLyrics);
    return true;
}

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
        &STagFields::title, &STagFields::artist,  &STagFields::album, &STagFields::genre,
        &STagFields::year,  &STagFields::comment, &STagFields::lyrics};
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
    if (fields)
        *fields = STagFields();
    if (stream)
        *stream = SStream();
    SilenceTagLib();
    if (!opened.IsRegular())
        return false;
    try {
        CCachedStream counted(opened, kMaxRead);
        const auto count = qScopeGuard([&] {
            if (bytesRead)
                *bytesRead += counted.BytesRead();
        });
        const std::unique_ptr<TagLib::File> file = OpenAs(format, &counted, stream != nullptr);
        if (!file || !file->isValid())
            return false;
        if (stream)
            Measure(*file, *stream);
        return !fields || ReadFields(*file, *fields);
    } catch (...) {
        if (fields)
            *fields = STagFields();
        return false;
    }
}

} // namespace CFormatTags
