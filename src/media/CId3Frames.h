#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The frames of an ID3v2.3 or ID3v2.4 tag, each kept as the bytes it was written with: a
// save renders anew only the frames it changes, and writes every other frame back byte for
// byte (encrypted and compressed frames with their flags, text in an encoding the program
// does not know, frames it does not know at all).
class CId3Frames
{
public:
    // Reads a whole tag: header, extended header, frames, padding. False when it is no
    // ID3v2.3 or ID3v2.4 tag. What follows the last frame that can be read, other than
    // padding, is kept as it is, after the frames.
    bool Parse(const QByteArray& tag);
    // A new, empty tag of this version.
    void Start(int version);
    int Version() const { return m_version; }

    bool Has(const char* id) const;
    // Replaces the first frame of this identifier by a text frame, or adds one at the end.
    void SetText(const char* id, const QString& text);
    // Every frame of that identifier goes.
    void Remove(const char* id);
    // The comment without a description (the one the reader takes); a new one when there is
    // none. Described comments are players' data and stay as they are.
    void SetComment(const QString& text);
    // The first lyrics frame, keeping its language and description; a new one when there
    // is none.
    void SetLyrics(const QString& text);

    // The tag: the frames in their order, then the kept bytes and padding up to `size` (at
    // least). No extended header (its checksum would be wrong), no footer and no
    // unsynchronisation: frames an unsynchronised ID3v2.3 tag held are written decoded.
    QByteArray Render(qint64 size = 0) const;

private:
    struct SFrame
    {
        QByteArray id;
        QByteArray bytes; // header and body
    };
    // The body of a plain frame (no compression, encryption, grouping or unsynchronisation)
    // whose encoding byte is known; empty when the frame is not one.
    QByteArray PlainBody(const SFrame& frame) const;
    QByteArray Frame(const QByteArray& id, const QByteArray& body) const;
    void Put(const QByteArray& id, int at, const QByteArray& body);
    // The body of a comment or lyrics frame.
    QByteArray LanguageBody(const QByteArray& language, const QString& description,
                            const QString& text) const;

    int m_version = 0;
    quint8 m_flags = 0;
    QList<SFrame> m_frames;
    QByteArray m_kept;
};
