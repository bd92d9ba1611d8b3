#pragma once

#include "media/CTagFile.h"
#include "media/STagChanges.h"
#include "media/STagFields.h"

#include <QString>

// The tag of any music file the program reads, through the classes of its format: MP3 and
// MP2 through CTagReader and CTagFile; FLAC, Ogg Vorbis, Opus and M4A through CFormatTags
// and CFormatTagFile. The format is told by the file's first bytes (CAudioFormat), not by
// its name, and no format's classes call another's: the choice is made here only.
namespace CTaggedFile {

// The fields of the file's own tag; false (fields empty) when it has none that can be read.
bool Read(const QString& path, STagFields& fields);
// Writes the changed fields into the file; empty when it now holds them, else why it was
// left as it was. `before`, when given, receives what an undo needs.
QString Write(const QString& path, const STagChanges& changes, CTagFile::SBefore* before = nullptr);
// Puts the file back as a Write found it.
QString Restore(const QString& path, const CTagFile::SBefore& before);

} // namespace CTaggedFile
