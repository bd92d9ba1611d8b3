#pragma once

#include <taglib/tbytevector.h>

// The tag library inflates a compressed ID3v2 frame whole, whatever it claims and whatever
// it turns out to hold: a frame of a few hundred kilobytes can inflate to gigabytes.
namespace CCompressedFrames {

// What one frame may inflate to: the catalogue keeps 5000 characters of a field at most.
constexpr unsigned kMaxInflated = 256 * 1024;

// Takes out of the first ID3v2 tag in `head` (the start of a file) every compressed frame
// that declares or inflates to more than kMaxInflated, as if it had never been written;
// the frames after it stay readable and the tag keeps its size.
void DropOversized(TagLib::ByteVector& head);

} // namespace CCompressedFrames
