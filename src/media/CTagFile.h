#pragma once

#include "media/CSafeCopy.h"
#include "media/CTagFormat.h"
#include "media/STagChanges.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

// Writes frames into an MP3 file's tags without ever leaving a damaged song behind (the other
// formats have their own classes behind CTagFormat, which chooses between them).
//
// Only the frames of the fields changed are rendered anew; every other frame is written
// back as the bytes it was (see CId3Frames). The file keeps the ID3v2 version it has
// (ID3v2.2, which nothing writes any more, becomes ID3v2.3); new text goes in Latin-1, or
// UTF-16 when it needs more, in ID3v2.3 and in UTF-8 in ID3v2.4. A file without an ID3v2
// tag gets an ID3v2.4 one. In an ID3v1 tag that is there the changed fields are written,
// none is added; an APE tag and the audio stay byte for byte.
//
// A change that fits one page of the file where the tag already has room is written in
// place with one write, which a kill cannot split. Any other change is written as a new
// copy beside the file (see CSafeCopy).
namespace CTagFile {

using SChanges = STagChanges;

using CSafeCopy::COriginalFile;
using CSafeCopy::POriginalFile;

using SBefore = STagBefore;

// Writes the changes; empty when the file now holds them, else why it was left as it was.
// `before`, when given, receives what the tags were.
QString Write(const QString& path, const SChanges& changes, SBefore* before = nullptr);
// Puts back the tags a Write found (when what was stored with it could not be kept); empty,
// or why not.
QString Restore(const QString& path, const SBefore& before);

// The safe copy every format's writer goes through (see CSafeCopy).
using CSafeCopy::CopyBytes;
using CSafeCopy::FFill;
using CSafeCopy::ReadBytes;
using CSafeCopy::ReplaceWithCopy;
using CSafeCopy::SetCopyObserver;
using CSafeCopy::SetNamedCopiesOnly;
using CSafeCopy::WriteBytes;

} // namespace CTagFile
