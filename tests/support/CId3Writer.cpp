#include "CId3Writer.h"

#include <QMap>
#include <zlib.h>

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

// Deflate data without a zlib header; a full flush ends it on a byte boundary, so that such
// pieces can follow each other in one stream.
QByteArray RawDeflate(const QByteArray& data, int flush)
{
    z_stream stream{};
    deflateInit2(&stream, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
    QByteArray out(int(deflateBound(&stream, uLong(data.size()))) + 64, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    deflate(&stream, flush);
    out.resize(out.size() - qsizetype(stream.avail_out));
    deflateEnd(&stream);
    return out;
}

uLong Adler(const QByteArray& data)
{
    return adler32(adler32(0, nullptr, 0), reinterpret_cast<const Bytef*>(data.constData()),
                   uInt(data.size()));
}

} // namespace

QByteArray CId3Writer::Deflate(const QByteArray& data)
{
    return qCompress(data, 9).mid(4); // without Qt's length prefix
}

QByteArray CId3Writer::DeflateRun(const QByteArray& prefix, char fill, int mebibytes)
{
    const QByteArray chunk(1 << 20, fill);
    const QByteArray piece = RawDeflate(chunk, Z_FULL_FLUSH);
    QByteArray out = QByteArray("\x78\xda", 2) + RawDeflate(prefix, Z_FULL_FLUSH);
    uLong adler = Adler(prefix);
    for (int i = 0; i < mebibytes; ++i) {
        out += piece;
        adler = adler32_combine(adler, Adler(chunk), chunk.size());
    }
    return out + RawDeflate(QByteArray(), Z_FINISH) + BigEndian(quint32(adler), 4);
}

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

CId3Writer& CId3Writer::Raw(const QByteArray& id, const QByteArray& body, quint16 flags)
{
    if (m_version == 2) {
        m_frames += ShortId(id) + BigEndian(quint32(body.size()), 3) + body;
        return *this;
    }
    const QByteArray size =
        m_version == 4 ? Syncsafe(quint32(body.size())) : BigEndian(quint32(body.size()), 4);
    m_frames += id + size + BigEndian(flags, 2) + body;
    return *this;
}

CId3Writer& CId3Writer::Compressed(const QByteArray& id, const QByteArray& zlib, quint32 inflated)
{
    const bool v4 = m_version == 4;
    const quint32 size = quint32(zlib.size()) + 4;
    m_frames += id + (v4 ? Syncsafe(size) : BigEndian(size, 4));
    m_frames += v4 ? QByteArray("\x00\x09", 2) : QByteArray("\x00\x80", 2); // + data length
    m_frames += (v4 ? Syncsafe(inflated) : BigEndian(inflated, 4)) + zlib;
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
    // ID3v2.3 counts the extended header without its size, ID3v2.4 with it.
    const QByteArray extended =
        !m_extended      ? QByteArray()
        : m_version == 4 ? Syncsafe(6) + QByteArray("\x01\x00", 2)
                         : BigEndian(6, 4) + QByteArray(2, '\0') + BigEndian(quint32(m_padding), 4);
    const QByteArray body = extended + m_frames + QByteArray(m_padding, '\0');
    return QByteArray("ID3") + char(m_version) + '\0' + char(m_extended ? 0x40 : 0) +
           Syncsafe(quint32(body.size())) + body;
}

quint32 CId3Writer::SyncsafeValue(const QByteArray& b)
{
    return b.size() < 4 ? 0
                        : (quint32(quint8(b[0])) << 21) | (quint32(quint8(b[1])) << 14) |
                              (quint32(quint8(b[2])) << 7) | quint32(quint8(b[3]));
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

QList<CId3Writer::SFrame> CId3Writer::Frames(const QByteArray& file)
{
    QList<SFrame> frames;
    if (!file.startsWith("ID3") || file.size() < 10 || (file[3] != 3 && file[3] != 4))
        return frames;
    const int version = file[3];
    const quint8 flags = quint8(file[5]);
    const auto syncsafe = [](const char* b) {
        return (quint32(quint8(b[0])) << 21) | (quint32(quint8(b[1])) << 14) |
               (quint32(quint8(b[2])) << 7) | quint32(quint8(b[3]));
    };
    const auto big = [](const char* b) {
        return (quint32(quint8(b[0])) << 24) | (quint32(quint8(b[1])) << 16) |
               (quint32(quint8(b[2])) << 8) | quint32(quint8(b[3]));
    };
    QByteArray body = file.mid(10, syncsafe(file.constData() + 6));
    if (version == 3 && (flags & 0x80))
        body.replace(QByteArray("\xff\x00", 2), QByteArray("\xff", 1));
    qsizetype pos = 0;
    if ((flags & 0x40) && body.size() >= 4)
        pos = version == 3 ? 4 + big(body.constData()) : syncsafe(body.constData());
    while (pos + 10 <= body.size() && body[pos] != 0) {
        const quint32 size =
            version == 3 ? big(body.constData() + pos + 4) : syncsafe(body.constData() + pos + 4);
        if (pos + 10 + qsizetype(size) > body.size())
            break;
        frames.append({body.mid(pos, 4),
                       quint16((quint8(body[pos + 8]) << 8) | quint8(body[pos + 9])),
                       body.mid(pos + 10, size)});
        pos += 10 + size;
    }
    return frames;
}

CId3Writer::SFrame CId3Writer::FrameOf(const QByteArray& file, const char* id)
{
    for (const SFrame& frame : Frames(file))
        if (frame.id == id)
            return frame;
    return {};
}

QString CId3Writer::TextOf(const SFrame& frame)
{
    if (frame.body.isEmpty())
        return QString();
    const char encoding = frame.body[0];
    QByteArray text = frame.body.mid(1);
    const bool wide = encoding == 1 || encoding == 2;
    if (frame.id == "COMM" || frame.id == "USLT") {
        text = text.mid(3);
        for (qsizetype i = 0; i + (wide ? 1 : 0) < text.size(); i += wide ? 2 : 1) {
            if (text[i] == 0 && (!wide || text[i + 1] == 0)) {
                text = text.mid(i + (wide ? 2 : 1));
                break;
            }
        }
    }
    switch (encoding) {
    case 0:
        return QString::fromLatin1(text);
    case 3:
        return QString::fromUtf8(text);
    default: {
        const bool bigEndian = encoding == 2 || (text.size() >= 2 && quint8(text[0]) == 0xfe &&
                                                 quint8(text[1]) == 0xff);
        if (encoding == 1 && text.size() >= 2)
            text = text.mid(2);
        QString out;
        for (qsizetype i = 0; i + 1 < text.size(); i += 2) {
            const quint16 unit = bigEndian ? quint16((quint8(text[i]) << 8) | quint8(text[i + 1]))
                                           : quint16((quint8(text[i + 1]) << 8) | quint8(text[i]));
            out += QChar(unit);
        }
        return out;
    }
    }
}

QByteArray CId3Writer::Id3v1Of(const QByteArray& file)
{
    return file.size() >= 128 && file.mid(file.size() - 128, 3) == "TAG" ? file.right(128)
                                                                         : QByteArray();
}
