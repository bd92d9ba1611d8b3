#pragma once

#include "media/CTagLibFormat.h"

// M4A: the item list in the movie atom. An edit rewrites the movie atom; every offset that
// points behind it (chunk offsets, fragments' base offsets, the fragment index) follows its
// new length, unless a free atom behind it takes the change up. Items some writers lay out
// in ways the tag library does not read are read here too.
class CMp4TagFormat : public CTagLibFormat
{
public:
    EAudioFormat Format() const override { return EAudioFormat::Mp4; }

protected:
    std::unique_ptr<TagLib::File> Open(TagLib::IOStream* stream, bool measure) const override;
    void TakeFields(TagLib::File& file, STagFields& fields) const override;
    bool Complete(CCachedFile& file, bool valid, STagFields& fields) const override;
    QString WriteEdit(const QString& path, const STagChanges& changes,
                      CSafeCopy::POriginalFile* original) const override;
};
