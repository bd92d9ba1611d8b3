#pragma once

#include "media/STagFields.h"

#include <QString>
#include <QtGlobal>
#include <exception>
#include <taglib/tfile.h>
#include <taglib/tiostream.h>

class CCachedFile;

// What reading and writing tags with the tag library both need.

// The library reports broken tags on stderr in some builds; the program shows nothing.
void SilenceTagLib();

// Runs a tag reader's or writer's work; what it throws is that file's error, as text.
template <class F> QString AsFileError(const F& work)
{
    SilenceTagLib();
    try {
        return work();
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral("the tag could not be read");
    }
}

// Up to `length` bytes of `file` from `offset` on, read past what it keeps of its ends (and
// not kept): a picture or a long comment kept too would cost twice its size. What a later
// reader asks for again comes from the system's cache.
qint64 ReadUnkept(CCachedFile& file, qint64 offset, char* out, qint64 length);

// The tag classes read from a TagLib::File; this one hands them the bytes of one region
// of a file (a stream over bytes read before).
class CRegionFile : public TagLib::File
{
public:
    explicit CRegionFile(TagLib::IOStream* stream) : TagLib::File(stream) {}
    TagLib::Tag* tag() const override { return nullptr; }
    TagLib::AudioProperties* audioProperties() const override { return nullptr; }
    bool save() override { return false; }
};

// The tag library reads a file shared with the song's other readers through this: what
// they read of its ends comes from memory. Every read is counted and cut at the budget,
// and at the file's end, so that a block or atom claiming gigabytes costs no more than
// the file or the budget, whichever is less. Read only.
class CCachedStream : public TagLib::IOStream
{
public:
    explicit CCachedStream(CCachedFile& file, qint64 budget = STagFields::kMaxRead);
    TagLib::FileName name() const override { return ""; }
    TagLib::ByteVector readBlock(unsigned long length) override;
    void writeBlock(const TagLib::ByteVector&) override {}
    void insert(const TagLib::ByteVector&, unsigned long, unsigned long) override {}
    void removeBlock(unsigned long, unsigned long) override {}
    bool readOnly() const override { return true; }
    bool isOpen() const override;
    void seek(long offset, Position p = Beginning) override;
    long tell() const override { return m_pos; }
    long length() override;
    void truncate(long) override {}

    qint64 BytesRead() const { return m_read; }

private:
    // What the tag library reads is kept with the file's start or end for the file's other
    // readers up to this much (a usual tag many times over); the rest is read unkept.
    static constexpr qint64 kKept = 1024 * 1024;

    CCachedFile& m_file;
    qint64 m_left;
    qint64 m_read = 0;
    long m_pos = 0;
};
