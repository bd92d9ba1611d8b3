#include "CId3Writer.h"

#include <QMap>

namespace {

QByteArray BigEndian(quint32 value, int bytes)
{
    QByteArray out;
    for (int i = bytes - 1; i >= 0; --i)
        out += char((value >> (8 * i)) & 0xff);
    return out;
}

QByteArray ShortId(const QByteArray& id)
{
    static const QMap<QByteArray, QByteArray> ids{{"TIT2", "TT2"}, {"TPE1", "TP1"}, {"TALB", "TAL"},
                                                  {"TCON", "TCO"}, {"TYER", "TYE"}, {"USLT", "ULT"},
                                                  {"COMM", "COM"}, {"TRCK", "TRK"}};
    return ids.value(id, id.left(3));
}

QByteArray Field(const QByteArray& text, int size)
{
    QByteArray out = text.left(size);
    out.append(size - out.size(), '\0');
    return out;
}

} // namespace

QByteArray CId3Writer::Syncsafe(quint32 value)
{
    QByteArray out;
    for (int shift = 21; shift >= 0; shift -= 7)
        out += char((value >> shift) & 0x7f);
    return out;
}

QByteArray CId3Writer::Encode(const QString& text, bool terminate) const
{
    QByteArray out;
    switch (m_encoding) {
    case EEncoding::Latin1:
        out = text.toLatin1();
        if (terminate)
            out += '\0';
        break;
    case EEncoding::Utf8:
        out = text.toUtf8();
        if (terminate)
            out += '\0';
        break;
    case EEncoding::Utf16:
        out = QByteArray("\xff\xfe", 2);
        for (QChar c : text)
            out += char(c.unicode() & 0xff), out += char(c.unicode() >> 8);
        if (terminate)
            out += QByteArray(2, '\0');
        break;
    case EEncoding::Utf16BE:
        for (QChar c : text)
            out += char(c.unicode() >> 8), out += char(c.unicode() & 0xff);
        if (terminate)
            out += QByteArray(2, '\0');
        break;
    }
    return out;
}

CId3Writer& CId3Writer::Raw(const QByteArray& id, const QByteArray& body)
{
    if (m_version == 2) {
        m_frames += ShortId(id) + BigEndian(quint32(body.size()), 3) + body;
        return *this;
    }
    const QByteArray size =
        m_version == 4 ? Syncsafe(quint32(body.size())) : BigEndian(quint32(body.size()), 4);
    m_frames += id + size + QByteArray(2, '\0') + body;
    return *this;
}

CId3Writer& CId3Writer::Text(const char* id, const QString& text)
{
    return Raw(id, char(m_encoding) + Encode(text, false));
}

QByteArray CId3Writer::LanguageFrame(const QString& description, const QString& text) const
{
    return char(m_encoding) + QByteArray("eng") + Encode(description, true) + Encode(text, false);
}

CId3Writer& CId3Writer::Lyrics(const QString& text, const QString& description)
{
    return Raw("USLT", LanguageFrame(description, text));
}

CId3Writer& CId3Writer::Comment(const QString& text, const QString& description)
{
    return Raw("COMM", LanguageFrame(description, text));
}

QByteArray CId3Writer::Build() const
{
    const QByteArray body = m_frames + QByteArray(m_padding, '\0');
    return QByteArray("ID3") + char(m_version) + '\0' + '\0' + Syncsafe(quint32(body.size())) +
           body;
}

QByteArray CId3Writer::Id3v1(const QByteArray& title, const QByteArray& artist,
                             const QByteArray& album, const QByteArray& year,
                             const QByteArray& comment, int genre, int track)
{
    QByteArray tag =
        "TAG" + Field(title, 30) + Field(artist, 30) + Field(album, 30) + Field(year, 4);
    if (track > 0)
        tag += Field(comment, 28) + '\0' + char(track);
    else
        tag += Field(comment, 30);
    return tag + char(genre);
}
