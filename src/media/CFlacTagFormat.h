#pragma once

#include "media/CTagLibFormat.h"

// FLAC: the Xiph comment among the metadata blocks after "fLaC" (an ID3 tag where there
// is no comment is read, never written). An edit rewrites the blocks only; the padding
// takes up the difference where it can, so the audio stays where it was.
class CFlacTagFormat : public CTagLibFormat
{
public:
    EAudioFormat Format() const override { return EAudioFormat::Flac; }

protected:
    std::unique_ptr<TagLib::File> Open(TagLib::IOStream* stream, bool measure) const override;
    void TakeFields(TagLib::File& file, STagFields& fields) const override;
    // Some tools add a second comment block and leave the first empty.
    bool Complete(CCachedFile& file, bool valid, STagFields& fields) const override;
    QString WriteEdit(const QString& path, const STagChanges& changes,
                      CSafeCopy::POriginalFile* original) const override;
};
