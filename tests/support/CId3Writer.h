#pragma once

#include <QByteArray>
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
    CId3Writer& Raw(const QByteArray& id, const QByteArray& body);
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
    // A syncsafe 28-bit number as ID3v2 sizes are written.
    static QByteArray Syncsafe(quint32 value);
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
};
