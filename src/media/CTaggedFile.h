#pragma once

#include "media/CTagFormat.h"

#include <QString>

// The tag of any music file the program reads, through the classes of its format
// (CTagFormat), told by the file's first bytes (CAudioFormat), not by its name. The
// choice is made here only.
namespace CTaggedFile {

const CTagFormat& Of(EAudioFormat format);
// The format of the file at `path`.
const CTagFormat& OfFile(const QString& path);

// The fields of the file's own tag; false (fields empty) when it has none that can be read.
bool Read(const QString& path, STagFields& fields);
// The same through the given format's classes, whatever the file holds; `figures` and
// `bytesRead` as CTagFormat::Read gives them.
bool ReadAs(const QString& path, EAudioFormat format, STagFields* fields, SStreamFigures* figures,
            qint64* bytesRead = nullptr);
// Writes the changed fields into the file; empty when it now holds them, else why it was
// left as it was. `before`, when given, receives what an undo needs.
QString Write(const QString& path, const STagChanges& changes, STagBefore* before = nullptr);
// Puts the file back as a Write found it.
QString Restore(const QString& path, const STagBefore& before);

} // namespace CTaggedFile
