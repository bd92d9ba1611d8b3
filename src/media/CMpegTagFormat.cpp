#include "media/CMpegTagFormat.h"

#include "media/CStreamProbe.h"
#include "media/CTagFile.h"
#include "media/CTagReader.h"

bool CMpegTagFormat::Read(CCachedFile& file, STagFields* fields, SStreamFigures* figures,
                          qint64*) const
{
    if (figures)
        *figures = SStreamFigures();
    STagFields none;
    return CTagReader::ReadMpegFields(file, fields ? *fields : none);
}

bool CMpegTagFormat::HoldsAudio(const QString& path) const
{
    // One probe a thread, made at the first file: a Multisave asks for every song.
    thread_local const std::unique_ptr<CStreamProbe> probe = CStreamProbe::Create();
    return !probe || probe->Recognises(path); // without the decoder nothing can be told
}

QString CMpegTagFormat::Write(const QString& path, const STagChanges& changes,
                              STagBefore* before) const
{
    return CTagFile::Write(path, changes, before);
}

QString CMpegTagFormat::Restore(const QString& path, const STagBefore& before) const
{
    return CTagFile::Restore(path, before);
}
