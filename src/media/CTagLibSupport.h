#pragma once

#include <taglib/tfile.h>

// What reading and writing tags with the tag library both need.

// The library reports broken tags on stderr in some builds; the program shows nothing.
void SilenceTagLib();

// The tag classes read from a TagLib::File; this one hands them the bytes of one region
// of a file (a stream over bytes read before).
class CRegionFile : public TagLib::File
{
public:
    explicit CRegionFile(TagLib::IOStream* stream) : TagLib::File(stream) {}
    TagLib::Tag* tag() const override { return nullptr; }
    TagLib::AudioProperties* audioProperties() const override { return nullptr; }
    bool save() override { return false; }
};
