#include "media/CTaggedFile.h"

#include "media/CFlacTagFormat.h"
#include "media/CMp4TagFormat.h"
#include "media/CMpegTagFormat.h"
#include "media/COggTagFormat.h"
#include "platform/CCachedFile.h"

namespace CTaggedFile {

const CTagFormat& Of(EAudioFormat format)
{
    static const CMpegTagFormat mpeg;
    static const CFlacTagFormat flac;
    static const COggTagFormat vorbis(EAudioFormat::OggVorbis);
    static const COggTagFormat opus(EAudioFormat::Opus);
    static const CMp4TagFormat mp4;
    switch (format) {
    case EAudioFormat::Flac:
        return flac;
    case EAudioFormat::OggVorbis:
        return vorbis;
    case EAudioFormat::Opus:
        return opus;
    case EAudioFormat::Mp4:
        return mp4;
    case EAudioFormat::Mpeg:
        break;
    }
    return mpeg;
}

const CTagFormat& OfFile(const QString& path)
{
    return Of(CAudioFormat::Detect(path));
}

bool Read(const QString& path, STagFields& fields)
{
    CCachedFile file(path, CCachedFile::EReaders::Several); // the format, then the tag
    return Of(CAudioFormat::Detect(file)).Read(file, &fields, nullptr);
}

bool ReadAs(const QString& path, EAudioFormat format, STagFields* fields, SStreamFigures* figures,
            qint64* bytesRead)
{
    CCachedFile file(path, CCachedFile::EReaders::Several);
    return Of(format).Read(file, fields, figures, bytesRead);
}

QString Write(const QString& path, const STagChanges& changes, STagBefore* before)
{
    return OfFile(path).Write(path, changes, before);
}

QString Restore(const QString& path, const STagBefore& before)
{
    return OfFile(path).Restore(path, before);
}

} // namespace CTaggedFile
