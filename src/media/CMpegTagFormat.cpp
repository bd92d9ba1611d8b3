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
    STagBefore original;
    if (QString error = CTagFile::Write(path, changes, &original); !error.isEmpty())
        return error;
    // A tag laid out in a way the writer does not foresee (frame sizes of the wrong
    // version, say) may hide the edit from readers: put back rather than reported written.
    // An emptied field may still be read from an APE tag, which an edit leaves as it was.
    STagChanges texts = changes;
    for (int f = 0; f < kTagFieldCount; ++f)
        if (texts[ETagField(f)] && texts[ETagField(f)]->isEmpty())
            texts[ETagField(f)].reset();
    STagFields now;
    if (!CTagReader::ReadMpegFields(path, now) || !texts.ReadBackIn(now)) {
        const QString undone = CTagFile::Restore(path, original);
        return NotReadBack(undone);
    }
    if (before)
        *before = std::move(original);
    return QString();
}

QString CMpegTagFormat::Restore(const QString& path, const STagBefore& before) const
{
    return CTagFile::Restore(path, before);
}
