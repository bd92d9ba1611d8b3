#pragma once

#include "media/CAudioFormat.h"
#include "media/CSafeCopy.h"
#include "media/STagChanges.h"

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
// around it and every offset that points behind the movie atom (chunk offsets, fragments'
// base offsets, the fragment index) follow its new length, unless a free atom behind it
// takes the change up. Before the copy takes the song's place it is read again: its
// structure must parse and every table must point at the bytes it pointed at before.
namespace CFormatTagFile {

// Empty when the file now holds the changes, else why it was left as it was (byte for
// byte). `before`, when given, receives the file as it was.
QString Write(const QString& path, EAudioFormat format, const STagChanges& changes,
              CSafeCopy::POriginalFile* before = nullptr);
// Puts the file back as a Write found it, byte for byte.
QString Restore(const QString& path, const CSafeCopy::POriginalFile& before);

} // namespace CFormatTagFile
