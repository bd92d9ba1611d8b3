#include "media/CTaggedFile.h"

#include "media/CAudioFormat.h"
#include "media/CFormatTagFile.h"
#include "media/CFormatTags.h"
#include "media/CTagLibSupport.h"
#include "media/CTagReader.h"
#include "platform/CCachedFile.h"

namespace CTaggedFile {

bool Read(const QString& path, STagFields& fields)
{
    CCachedFile file(path, CCachedFile::EReaders::Several); // the format, then the tag
    if (const EAudioFormat format = CAudioFormat::Detect(file); format != EAudioFormat::Mpeg)
        return CFormatTags::Read(file, format, &fields, nullptr);
    return CTagReader::ReadMpegFields(file, fields);
}

QString Write(const QString& path, const STagChanges& changes, CTagFile::SBefore* before)
{
    if (const EAudioFormat format = CAudioFormat::Detect(path); format != EAudioFormat::Mpeg)
        return AsFileError([&] {
            return CFormatTagFile::Write(path, format, changes,
                                         before ? &before->original : nullptr);
        });
    return CTagFile::Write(path, changes, before);
}

QString Restore(const QString& path, const CTagFile::SBefore& before)
{
    if (const EAudioFormat format = CAudioFormat::Detect(path); format != EAudioFormat::Mpeg)
        return AsFileError([&] { return CFormatTagFile::Restore(path, before.original); });
    return CTagFile::Restore(path, before);
}

} // namespace CTaggedFile
