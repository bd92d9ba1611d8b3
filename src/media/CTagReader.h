#pragma once

#include "media/STagFields.h"

#include <QString>

class CCachedFile;

namespace CTagReader {
// The longest lyrics text taken from a tag.
constexpr qsizetype kMaxLyrics = STagFields::kMaxLyrics;

// Reads the tag of one file: each field from the ID3v2 frame of that identifier, else
// from the APE tag, else from the ID3v1 tag; FLAC, Ogg and M4A files from their own tags
// (see CFormatTags). False (fields empty) when the file has no
// readable tag or cannot be opened; never throws, never prints, never crashes on broken
// input.
bool ReadTagFields(const QString& path, STagFields& fields);
// The same for a file known to be MPEG audio.
bool ReadMpegFields(const QString& path, STagFields& fields);
bool ReadMpegFields(CCachedFile& file, STagFields& fields);
} // namespace CTagReader
