#pragma once

#include "media/CAudioFormat.h"
#include "media/CTagFile.h"

#include <QByteArray>
#include <QString>

// Writes the changed fields into a FLAC, Ogg Vorbis, Opus or M4A file's own tag by the
// rules CTagFile keeps for MP3: only those fields change; every other comment or atom,
// the pictures and the audio stay byte for byte, and the new file takes the song's place
// only once it is complete on disk.
//
// A Xiph comment keeps its entries in their order: a changed field replaces the first
// entry of its key (further entries of that key go), a new one is added at the end, an
// emptied one goes. An MP4 item list keeps its atoms the same way; the sizes of the atoms
// around it and the chunk offsets of a stream behind it follow its new length.
namespace CFormatTagFile {

// Empty when the file now holds the changes, else why it was left as it was. `before`,
// when given, receives the tag as it was (the FLAC metadata, the Ogg comment packet, the
// MP4 movie atom).
QString Write(const QString& path, EAudioFormat format, const CTagFile::SChanges& changes,
              QByteArray* before = nullptr);
// Puts back what a Write found.
QString Restore(const QString& path, EAudioFormat format, const QByteArray& before);

} // namespace CFormatTagFile
