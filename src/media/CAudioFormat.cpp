#include "media/CAudioFormat.h"

#include "platform/CCachedFile.h"

#include <QByteArray>

namespace {

// Enough for an Ogg page header with its segment table and the first packet's name.
constexpr qint64 kSniff = 128;
constexpr qint64 kId3Header = 10;

QByteArray ReadAt(CCachedFile& file, qint64 offset, qint64 length, qint64* counted)
{
    QByteArray data = file.Read(offset, length);
    if (counted)
        *counted += data.size();
    return data;
}

EAudioFormat FromHead(const QByteArray& head)
{
    if (head.startsWith("fLaC"))
        return EAudioFormat::Flac;
    if (head.mid(4, 4) == "ftyp")
        return EAudioFormat::Mp4;
    if (head.startsWith("OggS") && head.size() > 27) {
        // The first packet begins after the page header and its segment table.
        const QByteArray packet = head.mid(27 + quint8(head[26]), 8);
        if (packet == "OpusHead")
            return EAudioFormat::Opus;
        if (packet.startsWith("\x01vorbis"))
            return EAudioFormat::OggVorbis;
    }
    return EAudioFormat::Mpeg;
}

} // namespace

namespace CAudioFormat {

EAudioFormat Detect(const QString& path, qint64* bytesRead)
{
    CCachedFile file(path);
    return Detect(file, bytesRead);
}

EAudioFormat Detect(CCachedFile& file, qint64* bytesRead)
{
    if (!file.IsRegular())
        return EAudioFormat::Mpeg;
    const QByteArray head = ReadAt(file, 0, kSniff, bytesRead);
    if (const qint64 size = Id3v2Length(head); size > 0) {
        const EAudioFormat behind = FromHead(ReadAt(file, size, 4, bytesRead));
        return behind == EAudioFormat::Flac ? behind : EAudioFormat::Mpeg;
    }
    return FromHead(head);
}

qint64 Id3v2Length(const QByteArray& head)
{
    if (!head.startsWith("ID3") || head.size() < kId3Header)
        return 0;
    // A syncsafe size; a footer adds another header's length.
    qint64 size = kId3Header;
    for (int i = 6; i < 10; ++i)
        size += qint64(quint8(head[i]) & 0x7f) << (7 * (9 - i));
    if (head[5] & 0x10)
        size += kId3Header;
    return size;
}

EAudioFormat ByName(const QString& path)
{
    const QString suffix = path.mid(path.lastIndexOf(u'.') + 1).toLower();
    if (suffix == u"flac")
        return EAudioFormat::Flac;
    if (suffix == u"ogg" || suffix == u"oga")
        return EAudioFormat::OggVorbis;
    if (suffix == u"opus")
        return EAudioFormat::Opus;
    if (suffix == u"m4a" || suffix == u"mp4" || suffix == u"m4b" || suffix == u"aac")
        return EAudioFormat::Mp4;
    return EAudioFormat::Mpeg;
}

QString Name(EAudioFormat format)
{
    switch (format) {
    case EAudioFormat::Flac:
        return QStringLiteral("FLAC");
    case EAudioFormat::OggVorbis:
        return QStringLiteral("Ogg Vorbis");
    case EAudioFormat::Opus:
        return QStringLiteral("Opus");
    case EAudioFormat::Mp4:
        return QStringLiteral("M4A");
    case EAudioFormat::Mpeg:
        break;
    }
    return QStringLiteral("MPEG");
}

bool IsAudioExtension(const QString& extension)
{
    static const QStringList kOthers = {
        QStringLiteral("wav"), QStringLiteral("wma"),  QStringLiteral("aac"),
        QStringLiteral("aif"), QStringLiteral("aiff"), QStringLiteral("ape"),
        QStringLiteral("wv"),  QStringLiteral("mpc"),  QStringLiteral("m4b"),
        QStringLiteral("mka"), QStringLiteral("alac"), QStringLiteral("dsf"),
        QStringLiteral("mp1"), QStringLiteral("mpga")};
    const QString lower = extension.toLower();
    return kOthers.contains(lower) || KnownTypes().split(u' ').contains(lower);
}

QString KnownTypes()
{
    return QStringLiteral("mp3 mp2 flac ogg oga opus m4a mp4");
}

} // namespace CAudioFormat
