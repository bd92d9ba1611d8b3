#include "media/CId3Frames.h"

#include <QStringDecoder>
#include <QtEndian>
#include <algorithm>

namespace {

constexpr int kHeader = 10;

quint32 Syncsafe(const char* b)
{
    return (quint32(quint8(b[0])) << 21) | (quint32(quint8(b[1])) << 14) |
           (quint32(quint8(b[2])) << 7) | quint32(quint8(b[3]));
}

QByteArray SyncsafeBytes(quint32 value)
{
    QByteArray b(4, '\0');
    for (int i = 3; i >= 0; --i, value >>= 7)
        b[i] = char(value & 0x7f);
    return b;
}

bool IsFrameId(const char* id)
{
    return std::all_of(id, id + 4,
                       [](char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); });
}

// The ID3v2.3 way of undoing unsynchronisation: every 0xFF 0x00 loses its 0x00.
QByteArray Decoded(const QByteArray& data)
{
    QByteArray out;
    out.reserve(data.size());
    for (qsizetype i = 0; i < data.size(); ++i) {
        out += data[i];
        if (quint8(data[i]) == 0xff && i + 1 < data.size() && data[i + 1] == 0)
            ++i;
    }
    return out;
}

// A frame's size: ID3v2.4 sizes are syncsafe, except those some programs write as plain
// numbers, told apart by what follows (as the readers do).
qint64 FrameSize(const QByteArray& body, qint64 pos, int version)
{
    const char* field = body.constData() + pos + 4;
    if (version == 3)
        return qFromBigEndian<quint32>(field);
    const qint64 size = Syncsafe(field);
    const auto frameAt = [&body](qint64 at) {
        return at + 4 <= body.size() && IsFrameId(body.constData() + at);
    };
    const qint64 next = pos + kHeader + size;
    if (size > 127 && next < body.size() && !frameAt(next)) {
        const qint64 plain = qFromBigEndian<quint32>(field);
        if (frameAt(pos + kHeader + plain))
            return plain;
    }
    return size;
}

// The text encodings of ID3v2: 0 Latin-1, 1 UTF-16 with a byte order mark, 2 UTF-16BE,
// 3 UTF-8 (ID3v2.4 only).
int TerminatorSize(char encoding)
{
    return encoding == 1 || encoding == 2 ? 2 : 1;
}

// Where the string starting at `from` ends (its terminator), or -1.
qsizetype StringEnd(const QByteArray& data, qsizetype from, char encoding)
{
    if (TerminatorSize(encoding) == 1)
        return data.indexOf('\0', from);
    for (qsizetype i = from; i + 1 < data.size(); i += 2) {
        if (data[i] == 0 && data[i + 1] == 0)
            return i;
    }
    return -1;
}

QString DecodeString(const QByteArray& bytes, char encoding)
{
    switch (encoding) {
    case 0:
        return QString::fromLatin1(bytes);
    case 1: {
        if (bytes.size() < 2)
            return QString();
        const bool big = quint8(bytes[0]) == 0xfe && quint8(bytes[1]) == 0xff;
        const bool mark = big || (quint8(bytes[0]) == 0xff && quint8(bytes[1]) == 0xfe);
        QStringDecoder decode(big ? QStringDecoder::Utf16BE : QStringDecoder::Utf16LE);
        return decode(mark ? bytes.mid(2) : bytes);
    }
    case 2: {
        QStringDecoder decode(QStringDecoder::Utf16BE);
        return decode(bytes);
    }
    default:
        return QString::fromUtf8(bytes);
    }
}

} // namespace

bool CId3Frames::Parse(const QByteArray& tag)
{
    m_frames.clear();
    m_kept.clear();
    if (tag.size() < kHeader || !tag.startsWith("ID3") || (tag[3] != 3 && tag[3] != 4))
        return false;
    m_version = tag[3];
    m_flags = quint8(tag[5]);
    const qint64 size = std::min<qint64>(Syncsafe(tag.constData() + 6), tag.size() - kHeader);
    QByteArray body = tag.mid(kHeader, size);
    if (m_version == 3 && (m_flags & 0x80))
        body = Decoded(body);
    qint64 pos = 0;
    if (m_flags & 0x40) {
        // ID3v2.3 counts the extended header without its size field, ID3v2.4 with it.
        const qint64 extended = body.size() < 4  ? -1
                                : m_version == 3 ? 4 + qFromBigEndian<quint32>(body.constData())
                                                 : Syncsafe(body.constData());
        pos = extended >= 4 && extended <= body.size() ? extended : 0;
    }
    while (pos + kHeader <= body.size() && body[pos] != 0) {
        const qint64 frameSize = FrameSize(body, pos, m_version);
        // The tag library stops at a frame without a body: so does the walk, or a frame
        // written behind it would be one nobody reads.
        if (!IsFrameId(body.constData() + pos) || frameSize <= 0 ||
            frameSize > body.size() - pos - kHeader)
            break;
        const qint64 length = kHeader + frameSize;
        m_frames.append({body.mid(pos, 4), body.mid(pos, length)});
        pos += length;
    }
    m_kept = body.mid(pos);
    while (!m_kept.isEmpty() && m_kept.back() == 0)
        m_kept.chop(1);
    return true;
}

void CId3Frames::Start(int version)
{
    m_version = version;
    m_flags = 0;
    m_frames.clear();
    m_kept.clear();
}

bool CId3Frames::Has(const char* id) const
{
    return std::any_of(m_frames.begin(), m_frames.end(),
                       [id](const SFrame& f) { return f.id == id; });
}

QByteArray CId3Frames::Frame(const QByteArray& id, const QByteArray& body) const
{
    QByteArray size(4, '\0');
    if (m_version == 4)
        size = SyncsafeBytes(quint32(body.size()));
    else
        qToBigEndian<quint32>(quint32(body.size()), size.data());
    return id + size + QByteArray(2, '\0') + body;
}

void CId3Frames::Put(const QByteArray& id, int at, const QByteArray& body)
{
    const SFrame frame{id, Frame(id, body)};
    if (at >= 0)
        m_frames[at] = frame;
    else
        m_frames.append(frame);
}

namespace {

// Text as a new frame holds it: ID3v2.4 in UTF-8, ID3v2.3 in Latin-1 when that is enough,
// else in UTF-16 with a byte order mark.
char EncodingFor(int version, const QString& text)
{
    if (version == 4)
        return 3;
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 0xff; }) ? 0
                                                                                              : 1;
}

QByteArray Encode(const QString& text, char encoding)
{
    switch (encoding) {
    case 0:
        return text.toLatin1();
    case 1: {
        if (text.isEmpty())
            return QByteArray();
        QByteArray bytes("\xff\xfe", 2);
        for (QChar c : text) {
            bytes += char(c.unicode() & 0xff);
            bytes += char(c.unicode() >> 8);
        }
        return bytes;
    }
    default:
        return text.toUtf8();
    }
}

} // namespace

void CId3Frames::SetText(const char* id, const QString& text)
{
    const char encoding = EncodingFor(m_version, text);
    const auto it = std::find_if(m_frames.begin(), m_frames.end(),
                                 [id](const SFrame& f) { return f.id == id; });
    Put(QByteArray(id), it == m_frames.end() ? -1 : int(it - m_frames.begin()),
        encoding + Encode(text, encoding));
}

void CId3Frames::Remove(const char* id)
{
    m_frames.removeIf([id](const SFrame& f) { return f.id == id; });
}

QByteArray CId3Frames::PlainBody(const SFrame& frame) const
{
    const quint8 flags = quint8(frame.bytes[9]);
    // ID3v2.3: compression, encryption, grouping; ID3v2.4: grouping, compression,
    // encryption, unsynchronisation, data length.
    if ((m_version == 3 && (flags & 0xe0)) || (m_version == 4 && (flags & 0x4f)))
        return QByteArray();
    const QByteArray body = frame.bytes.mid(kHeader);
    if (body.isEmpty() || body[0] < 0 || body[0] > (m_version == 4 ? 3 : 1))
        return QByteArray();
    return body;
}

QByteArray CId3Frames::LanguageBody(const QByteArray& language, const QString& description,
                                    const QString& text) const
{
    const char encoding = EncodingFor(m_version, description + text);
    return encoding + language.leftJustified(3, ' ', true) + Encode(description, encoding) +
           QByteArray(TerminatorSize(encoding), '\0') + Encode(text, encoding);
}

void CId3Frames::SetComment(const QString& text)
{
    for (int i = 0; i < m_frames.size(); ++i) {
        if (m_frames[i].id != "COMM")
            continue;
        const QByteArray body = PlainBody(m_frames[i]);
        // The description ends at once: an empty one (in UTF-16 perhaps after its mark).
        const char encoding = body.isEmpty() ? 0 : body[0];
        const qsizetype end = body.size() < 4 ? -1 : StringEnd(body, 4, encoding);
        if (end >= 0 && DecodeString(body.mid(4, end - 4), encoding).isEmpty()) {
            Put("COMM", i, LanguageBody(body.mid(1, 3), QString(), text));
            return;
        }
    }
    Put("COMM", -1, LanguageBody("eng", QString(), text));
}

void CId3Frames::SetLyrics(const QString& text)
{
    for (int i = 0; i < m_frames.size(); ++i) {
        if (m_frames[i].id != "USLT")
            continue;
        // The frame the readers take; one that cannot be read here becomes a plain one.
        const QByteArray body = PlainBody(m_frames[i]);
        const char encoding = body.isEmpty() ? 0 : body[0];
        const qsizetype end = body.size() < 4 ? -1 : StringEnd(body, 4, encoding);
        const QString description =
            end >= 0 ? DecodeString(body.mid(4, end - 4), encoding) : QString();
        Put("USLT", i, LanguageBody(end >= 0 ? body.mid(1, 3) : "eng", description, text));
        return;
    }
    Put("USLT", -1, LanguageBody("eng", QString(), text));
}

QByteArray CId3Frames::Render(qint64 size) const
{
    QByteArray body;
    for (const SFrame& frame : m_frames)
        body += frame.bytes;
    body += m_kept;
    if (kHeader + body.size() < size)
        body += QByteArray(size - kHeader - body.size(), '\0');
    // Unsynchronisation, extended header and footer are not written; other flags stay.
    const char flags = char(m_flags & ~(0x80 | 0x40 | 0x10));
    return QByteArray("ID3") + char(m_version) + '\0' + flags +
           SyncsafeBytes(quint32(body.size())) + body;
}
