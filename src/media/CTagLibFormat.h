#pragma once

#include "media/CTagFormat.h"

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <taglib/tfile.h>
#include <taglib/tiostream.h>
#include <taglib/tstring.h>

// The formats whose tags the tag library reads (FLAC, Ogg Vorbis, Opus, M4A): what they
// share. Reading opens the file through the format's class, measures it and takes the
// fields; a format may then fill what the library passed over. Writing is the format's
// own, framed by the same checks: the library must read the tag before an edit touches it
// and read the edit back after, or the file is put back byte for byte.
class CTagLibFormat : public CTagFormat
{
public:
    bool Read(CCachedFile& file, STagFields* fields, SStreamFigures* figures,
              qint64* bytesRead = nullptr) const override;
    bool HoldsAudio(const QString& path) const override;
    QString Write(const QString& path, const STagChanges& changes,
                  STagBefore* before = nullptr) const override;
    QString Restore(const QString& path, const STagBefore& before) const override;

    // The same as the tag library alone reads it: what an edit may touch and must read back.
    bool ReadStrictly(const QString& path, STagFields* fields) const;

protected:
    using FieldTexts = std::array<std::optional<QString>, kTagFieldCount>;

    virtual std::unique_ptr<TagLib::File> Open(TagLib::IOStream* stream, bool measure) const = 0;
    virtual void TakeFields(TagLib::File& file, STagFields& fields) const = 0;
    // What a lenient reading adds to what the library read; whether the file counts as read.
    virtual bool Complete(CCachedFile&, bool valid, STagFields&) const { return valid; }
    // The edit itself; the checks around it are the base's.
    virtual QString WriteEdit(const QString& path, const STagChanges& changes,
                              CSafeCopy::POriginalFile* original) const = 0;

    // Without toWString()'s copy: the library keeps four bytes a character, and a comment
    // of megabytes would cost them once more.
    static QString ToQt(const TagLib::String& s);
    // The changed fields as a file takes them: the genre as a name, not "(17)".
    static FieldTexts FileTexts(const STagChanges& changes);
    // Runs `work` on the song's file opened for reading, once it is known to be a regular
    // file; the planning of an edit reads it this way before the copy is made.
    static QString WithRegularFile(const QString& path,
                                   const std::function<QString(int fd, qint64 size)>& work);
    // Fills the fields still empty from `found`, in the catalogue's forms.
    static void FillEmpty(STagFields& fields, STagFields found);

private:
    bool ReadAs(CCachedFile& file, STagFields* fields, SStreamFigures* figures, qint64* bytesRead,
                bool lenient) const;
    bool ReadsBack(const QString& path, const STagChanges& changes) const;
};
