#pragma once

#include <QString>

class CCachedFile;

// The kinds of music file the program reads, told apart by their first bytes rather than
// their names: a file named .mp3 that holds FLAC is still read as FLAC.
enum class EAudioFormat
{
    Mpeg, // MPEG audio (MP3, MP2) and anything not recognised as one of the others
    Flac,
    OggVorbis,
    Opus,
    Mp4 // M4A/AAC
};

namespace CAudioFormat {
// The format of the file at `path` from at most a few hundred bytes at its start (past an
// ID3v2 tag, which some programs put in front of FLAC). `bytesRead`, when given, grows by
// what was read.
EAudioFormat Detect(const QString& path, qint64* bytesRead = nullptr);
// The same for a file already open, shared with its other readers.
EAudioFormat Detect(CCachedFile& file, qint64* bytesRead = nullptr);
// How many bytes an ID3v2 tag at the start of `head` (its first ten bytes at least) takes,
// footer included; 0 when there is none. Some programs put one in front of FLAC.
qint64 Id3v2Length(const QByteArray& head);
// The format a file's name says it holds (Mpeg for a name no other format uses).
EAudioFormat ByName(const QString& path);
// The format's name as users know it: "MPEG", "FLAC", "Ogg Vorbis", "Opus", "M4A".
QString Name(EAudioFormat format);
// Whether an extension names a kind of audio file, read by the program or not ("wav",
// "wma" too): what a scan passes over is counted by these.
bool IsAudioExtension(const QString& extension);
// The file-name extensions of every format above, blank-separated, as "Recognized
// filetypes" may list them.
QString KnownTypes();
} // namespace CAudioFormat
