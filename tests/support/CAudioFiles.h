#pragma once

#include "media/CAudioFormat.h"

#include <QString>

// Real FLAC, Ogg Vorbis, Opus and M4A files, encoded by GStreamer from a 440 Hz tone with
// the tags given (each written by the encoder's own tag mapping, not by the code under
// test).
namespace CAudioFiles {

struct STags
{
    QString title, artist, album, genre, comment, lyrics;
    QString composer; // a field the program never writes
    int year = 0;     // none
};

// False when the encoder is missing or the file could not be written.
bool Write(const QString& path, EAudioFormat format, double seconds, const STags& tags = {});
// The file name extension of a format.
QString Extension(EAudioFormat format);

} // namespace CAudioFiles
