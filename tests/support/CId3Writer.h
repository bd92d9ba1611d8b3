#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Writes ID3 tags byte by byte, independently of the tag library under test.
class CId3Writer
{
public:
    enum class EEncoding
    {
        Latin1 = 0,
        Utf16 = 1,
        Utf16BE = 2,
        Utf8 = 3
    };

    // version: 2, 3 or 4 (ID3v2.2, v2.3, v2.4); frame identifiers are given in their
    // four-letter form and shortened for v2.2.
    CId3Writer(int version, EEncoding encoding) : m_version(version), m_encoding(encoding) {}

    CId3Writer& Text(const char* id, const QString& text);
    CId3Writer& Lyrics(const QString& text, const QString& description = QString());
    CId3Writer& Comment(const QString& text, const QString& description = QString());
    CId3Writer& Raw(const QByteArray& id, const QByteArray& body, quint16 flags = 0);
    // An extended header (ID3v2.3: 6 bytes after its size field; ID3v2.4: 6 bytes in all).
    CId3Writer& ExtendedHeader()
    {
        m_extended = true;
        return *this;
    }

    // The frames of a file's ID3v2.3 or ID3v2.4 tag, read byte by byte (a whole-tag
    // unsynchronisation undone, an extended header skipped), each as written.
    struct SFrame
    {
        QByteArray id;
        quint16 flags = 0;
        QByteArray body;
        bool operator==(const SFrame& other) const = default;
    };
    static QList<SFrame> Frames(const QByteArray& file);
    // The first frame of an identifier; an empty one when there is none.
    static SFrame FrameOf(const QByteArray& file, const char* id);
    // A text frame's first text; a comment's or lyrics frame's text (after the description).
    static QString TextOf(const SFrame& frame);
    // The 128 bytes of a file's ID3v1 tag; empty when it has none.
    static QByteArray Id3v1Of(const QByteArray& file);
    // A compressed frame (ID3v2.3 and 2.4): `zlib` as the frame holds it, `inflated` the
    // size it declares.
    CId3Writer& Compressed(const QByteArray& id, const QByteArray& zlib, quint32 inflated);
    CId3Writer& Padding(int bytes)
    {
        m_padding = bytes;
        return *this;
    }

    // The whole tag: header, frames, padding.
    QByteArray Build() const;

    // A 128-byte ID3v1.1 tag (track 0 gives plain ID3v1).
    static QByteArray Id3v1(const QByteArray& title, const QByteArray& artist,
                            const QByteArray& album, const QByteArray& year,
                            const QByteArray& comment, int genre, int track = 0);
    // A syncsafe 28-bit number as ID3v2 sizes are written, and read.
    static QByteArray Syncsafe(quint32 value);
    static quint32 SyncsafeValue(const QByteArray& bytes);
    // A zlib stream of `data`.
    static QByteArray Deflate(const QByteArray& data);
    // A zlib stream of `prefix` followed by `mebibytes` MiB of `fill`, made in a moment and
    // a few hundred kilobytes long, however far it inflates.
    static QByteArray DeflateRun(const QByteArray& prefix, char fill, int mebibytes);

private:
    QByteArray Encode(const QString& text, bool terminate) const;
    QByteArray LanguageFrame(const QString& description, const QString& text) const;

    int m_version;
    EEncoding m_encoding;
    QByteArray m_frames;
    int m_padding = 0;
    bool m_extended = false;
};
