#pragma once

#include <QtGlobal>
#include <taglib/tbytevector.h>

// Limits put on an ID3v2 tag before the tag library reads it. The library inflates a
// compressed frame whole, whatever it claims and whatever it turns out to hold: a frame
// of a few hundred bytes can inflate to a gigabyte, and a tag can hold thousands of them.
namespace CId3Limits {

// What one compressed frame may inflate to: the catalogue keeps 5000 characters of a
// field at most.
constexpr qint64 kMaxInflated = 256 * 1024;
// What all compressed frames of a tag may inflate to together.
constexpr qint64 kMaxInflatedTotal = 1024 * 1024;
// The frames of a tag read at most: a song has a few dozen; each costs the library some
// hundred bytes and its time, a tag of tiny frames would cost a gigabyte.
constexpr int kMaxFrames = 1000;

// Takes out of the first ID3v2 tag in `head` (the start of a file), as if they had never
// been written, every compressed frame that declares or inflates to more than
// kMaxInflated or, with those before it, to more than kMaxInflatedTotal, and the chapter
// frames (CHAP, CTOC), whose frames within the library reads unchecked, and the frames
// past the first kMaxFrames. The frames after those left out stay readable and the tag
// keeps its size.
void Apply(TagLib::ByteVector& head);

} // namespace CId3Limits
