#pragma once

#include <QString>
#include <taglib/tbytevector.h>

class CCachedFile;

// The two ends of a file, where its tags are kept, read at a bounded cost: a file of
// 20 GB, a file of zeros or a tag that claims a huge size costs what a song does. The
// tag library would otherwise look for a tag through the whole file.
struct STagRegions
{
    // How far from the start an ID3v2 tag is looked for (some programs leave junk there);
    // the first look is shorter, most tags start at the first byte.
    static constexpr qint64 kHeadScan = 64 * 1024;
    static constexpr qint64 kFirstLook = 4 * 1024;
    // The end read at first: an ID3v1 tag and the footer of an APE tag before it.
    static constexpr qint64 kTailScan = 4 * 1024;
    // No region grows past this, whatever size a tag claims.
    static constexpr qint64 kMaxRegion = 16 * 1024 * 1024;

    // The start of the file up to the end of the first ID3v2 tag in its first kHeadScan
    // bytes, else those bytes.
    TagLib::ByteVector head;
    // The last kTailScan bytes, or back to the start of the APE tag found there.
    TagLib::ByteVector tail;

    // False when the file is not a regular file or cannot be opened.
    bool Read(const QString& path);
    // The same from a file already open, shared with its other readers.
    bool Read(CCachedFile& file);
};
