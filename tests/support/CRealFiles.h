#pragma once

#include "media/CAudioFormat.h"

#include <QByteArray>
#include <QMap>
#include <QString>

// Songs made by the real encoders and tag writers users' files come from (ffmpeg, flac,
// oggenc, opusenc, lame, mutagen), and read back by tools that are not the program's own:
// mutagen for the tags, ffmpeg's decoder for the samples.
namespace CRealFiles {

// How an M4A file lays out its atoms.
enum class ELayout
{
    Plain,      // ffmpeg's own: media data, then the movie
    MovieFirst, // the movie before the media data (-movflags faststart)
    Fragmented, // an empty movie, fragments with base offsets, a fragment index
    BothSides,  // media data before and behind the movie, chunks in each
    Wide,       // 64-bit chunk offsets, the movie first
    Padded,     // the movie first, a free atom behind it
};

struct SRecipe
{
    EAudioFormat format = EAudioFormat::Mpeg;
    ELayout layout = ELayout::Plain;
    QString title = QStringLiteral("Title"), artist = QStringLiteral("Artist"),
            album = QStringLiteral("Album"), genre = QStringLiteral("Rock"),
            year = QStringLiteral("2001"), track = QStringLiteral("3");
    double seconds = 3;
};

// Makes the song; false (with the tool's words on stderr) when a tool is missing or fails.
bool Make(const QString& path, const SRecipe& recipe);
// The tags as mutagen reads them (easy keys: title, artist, album, genre, date,
// tracknumber); empty when it cannot.
QMap<QString, QString> Tags(const QString& path);
// A digest of the decoded samples (empty when ffmpeg decodes nothing) and how many bytes
// of samples there were.
QByteArray Samples(const QString& path, qint64* bytes = nullptr);
// "FLAC", "M4A (fragmented)": for a test's trace.
QString Describe(const SRecipe& recipe);

} // namespace CRealFiles
