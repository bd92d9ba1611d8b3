#pragma once

#include "media/STagFields.h"

#include <QString>

class CCachedFile;

namespace CTagReader {
// The longest lyrics text taken from a tag.
constexpr qsizetype kMaxLyrics = STagFields::kMaxLyrics;

// Reads the tag of an MPEG audio file: each field from the ID3v2 frame of that identifier,
// else from the APE tag, else from the ID3v1 tag (other formats: CTaggedFile). False
// (fields empty) when the file has no readable tag or cannot be opened; never throws,
// never prints, never crashes on broken input.
bool ReadMpegFields(const QString& path, STagFields& fields);
bool ReadMpegFields(CCachedFile& file, STagFields& fields);
} // namespace CTagReader
