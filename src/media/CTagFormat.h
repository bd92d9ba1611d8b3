#pragma once

#include "media/CAudioFormat.h"
#include "media/CSafeCopy.h"
#include "media/STagChanges.h"
#include "media/STagFields.h"

#include <QByteArray>
#include <QString>

class CCachedFile;

// What a file held before an edit, to put it back.
struct STagBefore
{
    QByteArray v2;                     // MP3: the ID3v2 tag as it was (empty: none)
    QByteArray v1;                     // MP3: the ID3v1 tag as it was (empty: none)
    CSafeCopy::POriginalFile original; // the other formats: the whole file as it was
};

// Bit rate and length as a format's own headers give them.
struct SStreamFigures
{
    QString bitrate;  // kbit/s; empty when unknown
    QString duration; // whole seconds; empty when unknown or under a second
};

// The tag of one format of music file, read and written by that format's own classes: one
// implementation per format, chosen by CTaggedFile from the file's first bytes, never by
// its name. No format calls another's.
//
// Every writer keeps the same rules: only the changed fields change; every other frame,
// comment or atom, the pictures and the audio stay byte for byte; a file is either left
// as it was or holds the whole edit, read back before it is reported written.
class CTagFormat
{
public:
    virtual ~CTagFormat() = default;

    virtual EAudioFormat Format() const = 0;
    // Reads the tag into `fields` and the figures into `figures` (either may be null) from
    // one reading of the headers; false when the file is no readable file of this format.
    // `bytesRead`, when given, grows by the bytes read. Never throws.
    virtual bool Read(CCachedFile& file, STagFields* fields, SStreamFigures* figures,
                      qint64* bytesRead = nullptr) const = 0;
    // Whether Read gives the figures; MPEG streams are measured by the stream probe.
    virtual bool ReadsFigures() const { return true; }
    // Whether the file holds this format's audio, as an edit must find it: a picture or a
    // text named like a song takes no tag.
    virtual bool HoldsAudio(const QString& path) const = 0;
    // Writes the changed fields; empty when the file now holds them, else why it was left
    // as it was. `before`, when given, receives what an undo needs.
    virtual QString Write(const QString& path, const STagChanges& changes,
                          STagBefore* before = nullptr) const = 0;
    // Puts the file back as a Write found it.
    virtual QString Restore(const QString& path, const STagBefore& before) const = 0;

protected:
    // Why a write whose edit cannot be read back failed, after the undo that followed it
    // (`undone`: empty, or why the file could not be put back).
    static QString NotReadBack(const QString& undone)
    {
        const QString why = QStringLiteral("the edited tag cannot be read back");
        return undone.isEmpty()
                   ? why
                   : why + QStringLiteral(", and the file could not be put back: ") + undone;
    }
};
