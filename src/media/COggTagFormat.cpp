#include "media/COggTagFormat.h"

#include "media/CXiphComment.h"

#include <taglib/opusfile.h>
#include <taglib/tfilestream.h>
#include <taglib/vorbisfile.h>
#include <taglib/xiphcomment.h>

std::unique_ptr<TagLib::File> COggTagFormat::Open(TagLib::IOStream* stream, bool measure) const
{
    const auto style = TagLib::AudioProperties::Average;
    if (m_codec == EAudioFormat::Opus)
        return std::make_unique<TagLib::Ogg::Opus::File>(stream, measure, style);
    return std::make_unique<TagLib::Ogg::Vorbis::File>(stream, measure, style);
}

void COggTagFormat::TakeFields(TagLib::File& file, STagFields& fields) const
{
    if (const auto* xiph = dynamic_cast<TagLib::Ogg::XiphComment*>(file.tag()))
        CXiphFields::Read(*xiph, fields);
}

QString COggTagFormat::EditPacket(TagLib::ByteVector& packet, const STagChanges& changes) const
{
    const QByteArray prefix =
        m_codec == EAudioFormat::Opus ? QByteArray("OpusTags") : QByteArray("\x03vorbis");
    QByteArray bytes(packet.data(), packet.size());
    if (!bytes.startsWith(prefix))
        return QStringLiteral("its comment cannot be read");
    QByteArray body = bytes.mid(prefix.size());
    if (QString error = CXiphFields::Edit(body, FileTexts(changes)); !error.isEmpty())
        return error;
    bytes = prefix + body;
    packet = TagLib::ByteVector(bytes.constData(), uint(bytes.size()));
    return QString();
}

// Copies the file whole, then lets the library page the new packet into the copy, and
// reads the copy back: the new comment, and the header packet after it as it was.
QString COggTagFormat::WriteEdit(const QString& path, const STagChanges& changes,
                                 CSafeCopy::POriginalFile* original) const
{
    const auto open = [this](TagLib::FileStream& stream) {
        return std::unique_ptr<TagLib::Ogg::File>(
            static_cast<TagLib::Ogg::File*>(Open(&stream, false).release()));
    };
    return CSafeCopy::ReplaceWithCopy(
        path,
        [&](int from, qint64 size, int to) {
            qint64 written = 0;
            if (!CSafeCopy::CopyBytes(from, to, 0, size, written))
                return CSafeCopy::Reason();
            const QByteArray self = "/proc/self/fd/" + QByteArray::number(to);
            TagLib::ByteVector packet, next;
            {
                TagLib::FileStream stream(self.constData());
                const std::unique_ptr<TagLib::Ogg::File> file = open(stream);
                if (stream.readOnly() || !file->isValid())
                    return QStringLiteral("its Ogg stream cannot be read");
                packet = file->packet(1);
                next = file->packet(2);
                if (QString error = EditPacket(packet, changes); !error.isEmpty())
                    return error;
                file->setPacket(1, packet);
                // The base class writes the packets as set; the format's own save would
                // render the comment anew from its parsed fields.
                if (!file->TagLib::Ogg::File::save())
                    return QStringLiteral("the new comment was not written");
            }
            TagLib::FileStream stream(self.constData(), true);
            const std::unique_ptr<TagLib::Ogg::File> file = open(stream);
            if (!file->isValid() || file->packet(1) != packet || file->packet(2) != next)
                return QStringLiteral("the new comment did not come out as planned");
            return QString();
        },
        original);
}
