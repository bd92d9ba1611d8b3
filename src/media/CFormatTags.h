#pragma once

#include "media/CAudioFormat.h"
#include "media/STagFields.h"

#include <QString>

class CCachedFile;

// The tags and stream figures of FLAC, Ogg Vorbis, Opus and M4A files, each read through
// the tag library's class for its format: Xiph comments (and, in FLAC, an ID3 tag where
// there is no comment), MP4 atoms; length and bit rate from the format's own headers.
namespace CFormatTags {

// No file costs more than this to read, whatever its blocks or atoms claim: a tag with
// pictures is read whole, as an MP3's is.
constexpr qint64 kMaxRead = STagFields::kMaxRead;

// Which key of each format's own tag holds a field, in STagFields' order. Of two Xiph
// keys the second is taken where a file has it and not the first.
enum EField
{
    Title,
    Artist,
    Album,
    Genre,
    Year,
    Comment,
    Lyrics,
    Track,
    kFieldCount
};
inline constexpr const char* kXiphKeys[kFieldCount][2] = {
    {"TITLE", nullptr},           {"ARTIST", nullptr},     {"ALBUM", nullptr},
    {"GENRE", nullptr},           {"DATE", "YEAR"},        {"COMMENT", "DESCRIPTION"},
    {"LYRICS", "UNSYNCEDLYRICS"}, {"TRACKNUMBER", nullptr}};
// The track is no text: a pair of numbers (track, total).
inline constexpr const char* kMp4Keys[kFieldCount] = {"\251nam", "\251ART", "\251alb", "\251gen",
                                                      "\251day", "\251cmt", "\251lyr", "trkn"};
// The STagFields member of each field.
QString& FieldOf(STagFields& fields, EField field);

struct SStream
{
    QString bitrate;  // kbit/s; empty when unknown
    QString duration; // whole seconds; empty when unknown or under a second
};

// Reads the tag into `fields` and the figures into `stream`, either may be null. False
// when the file is not a readable file of that format (what was found is kept).
// `bytesRead`, when given, grows by the bytes read.
bool Read(const QString& path, EAudioFormat format, STagFields* fields, SStream* stream,
          qint64* bytesRead = nullptr);
// The same from a file already open, shared with its other readers.
bool Read(CCachedFile& file, EAudioFormat format, STagFields* fields, SStream* stream,
          qint64* bytesRead = nullptr);

// The same as the tag library alone reads it: what an edit may touch and must read back.
bool ReadStrictly(const QString& path, EAudioFormat format, STagFields* fields);

} // namespace CFormatTags
