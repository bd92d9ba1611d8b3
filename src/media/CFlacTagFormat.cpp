#include "media/CFlacTagFormat.h"

#include "media/CXiphComment.h"
#include "platform/CCachedFile.h"

#include <QtEndian>
#include <algorithm>
#include <taglib/flacfile.h>
#include <taglib/id3v2framefactory.h>

namespace {

using CSafeCopy::ReadRange;
using CSafeCopy::Reason;
using CSafeCopy::SameBytes;

using FlacBlocks = QList<std::pair<int, QByteArray>>;
using FieldTexts = std::array<std::optional<QString>, kTagFieldCount>;

struct SRegion
{
    qint64 start = -1;
    qint64 end = -1;
    QByteArray bytes;
};

QString FindBlocks(int fd, qint64 size, SRegion& region)
{
    const qint64 at = CAudioFormat::Id3v2Length(ReadRange(fd, 0, std::min<qint64>(size, 10)));
    if (ReadRange(fd, at, 4) != "fLaC")
        return QStringLiteral("it is no FLAC file");
    region.start = at + 4;
    qint64 p = region.start;
    for (bool last = false; !last;) {
        const QByteArray h = ReadRange(fd, p, 4);
        if (h.size() != 4 || p - region.start > STagFields::kMaxRead)
            return QStringLiteral("its metadata cannot be read");
        last = h[0] & 0x80;
        p += 4 + ((qint64(quint8(h[1])) << 16) | (qint64(quint8(h[2])) << 8) | quint8(h[3]));
    }
    if (p > size || p - region.start > STagFields::kMaxRead)
        return QStringLiteral("its metadata is longer than the file allows");
    region.end = p;
    region.bytes = ReadRange(fd, region.start, p - region.start);
    return QString();
}

QByteArray Block(int type, const QByteArray& body)
{
    QByteArray h(4, '\0');
    h[0] = char(type);
    h[1] = char(body.size() >> 16);
    h[2] = char(body.size() >> 8);
    h[3] = char(body.size());
    return h + body;
}

QString EditComments(FlacBlocks& list, const FieldTexts& texts)
{
    qsizetype comment = -1;
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (list[i].first != 4)
            continue;
        if (comment < 0) {
            comment = i;
            continue;
        }
        // A second comment block (some tools add one) must not contradict the first.
        SXiphComment later;
        if (!later.Parse(list[i].second))
            return QStringLiteral("its metadata cannot be read");
        for (int f = 0; f < kTagFieldCount; ++f)
            if (texts[size_t(f)])
                later.Remove(CXiphFields::kKeys[f]);
        list[i].second = later.Render();
    }
    if (comment < 0) {
        // A new comment follows the stream information.
        list.insert(1, {4, QByteArray("\x09\0\0\0Cratewise\0\0\0\0", 17)});
        comment = 1;
    }
    if (QString error = CXiphFields::Edit(list[comment].second, texts); !error.isEmpty())
        return error;
    return list[comment].second.size() >= (1 << 24) ? QStringLiteral("the new comment is too long")
                                                    : QString();
}

QString EditBlocks(QByteArray& blocks, const FieldTexts& texts)
{
    FlacBlocks list;
    for (qsizetype at = 0; at + 4 <= blocks.size();) {
        const qsizetype length = (qsizetype(quint8(blocks[at + 1])) << 16) |
                                 (qsizetype(quint8(blocks[at + 2])) << 8) | quint8(blocks[at + 3]);
        list.append({blocks[at] & 0x7f, blocks.mid(at + 4, length)});
        at += 4 + length;
    }
    // A FLAC stream opens with its stream information; without it (or with a block marked
    // invalid) no player would read what is written.
    const bool invalid = std::any_of(list.cbegin(), list.cend(),
                                     [](const auto& block) { return block.first == 0x7f; });
    if (list.isEmpty() || list[0].first != 0 || list[0].second.size() != 34 || invalid)
        return QStringLiteral("its metadata cannot be read");
    if (QString error = EditComments(list, texts); !error.isEmpty())
        return error;
    const auto render = [&list] {
        QByteArray rendered;
        for (qsizetype i = 0; i < list.size(); ++i)
            rendered += Block(list[i].first | (i + 1 == list.size() ? 0x80 : 0), list[i].second);
        return rendered;
    };
    QByteArray rendered = render();
    // The padding takes up the difference where it can: the audio stays where it was.
    const qsizetype grown = rendered.size() - blocks.size();
    const auto padding =
        std::find_if(list.begin(), list.end(), [](const auto& block) { return block.first == 1; });
    if (padding != list.end() && padding->second.size() >= grown && grown != 0) {
        padding->second.resize(padding->second.size() - grown, '\0');
        rendered = render();
    }
    blocks = rendered;
    return QString();
}

// The comment blocks after the first, which the library passes over.
STagFields LaterComments(CCachedFile& file)
{
    STagFields found;
    const qint64 start = CAudioFormat::Id3v2Length(file.Read(0, 10)) + 4;
    if (file.Read(start - 4, 4) != "fLaC")
        return found;
    bool first = true;
    for (qint64 at = start; at - start < STagFields::kMaxRead;) {
        const QByteArray h = file.Read(at, 4);
        if (h.size() != 4)
            break;
        const qint64 length = qFromBigEndian<quint32>(h.constData()) & 0xffffff;
        if ((h[0] & 0x7f) == 4 && !std::exchange(first, false)) {
            SXiphComment comment;
            if (at + 4 + length - start <= STagFields::kMaxRead &&
                comment.Parse(file.Read(at + 4, length))) {
                STagFields block;
                CXiphFields::Read(comment, block);
                for (int f = 0; f < kTagFieldCount; ++f)
                    if (found[ETagField(f)].isEmpty())
                        found[ETagField(f)] = block[ETagField(f)];
            }
        }
        if (h[0] & 0x80)
            break;
        at += 4 + length;
    }
    return found;
}

} // namespace

std::unique_ptr<TagLib::File> CFlacTagFormat::Open(TagLib::IOStream* stream, bool measure) const
{
    return std::make_unique<TagLib::FLAC::File>(stream, TagLib::ID3v2::FrameFactory::instance(),
                                                measure, TagLib::AudioProperties::Average);
}

void CFlacTagFormat::TakeFields(TagLib::File& file, STagFields& fields) const
{
    auto& flac = static_cast<TagLib::FLAC::File&>(file);
    if (flac.hasXiphComment()) {
        CXiphFields::Read(*flac.xiphComment(), fields);
    } else if (const TagLib::Tag* tag = flac.tag()) {
        fields.title = ToQt(tag->title());
        fields.artist = ToQt(tag->artist());
        fields.album = ToQt(tag->album());
        fields.genre = ToQt(tag->genre());
        fields.year = tag->year() ? QString::number(tag->year()) : QString();
        fields.comment = ToQt(tag->comment());
    }
}

bool CFlacTagFormat::Complete(CCachedFile& file, bool valid, STagFields& fields) const
{
    if (valid && fields.title.isEmpty())
        FillEmpty(fields, LaterComments(file));
    return valid;
}

QString CFlacTagFormat::WriteEdit(const QString& path, const STagChanges& changes,
                                  CSafeCopy::POriginalFile* original) const
{
    return WithRegularFile(path, [&](int fd, qint64 size) {
        SRegion region;
        if (QString error = FindBlocks(fd, size, region); !error.isEmpty())
            return error;
        QByteArray edited = region.bytes;
        if (QString error = EditBlocks(edited, FileTexts(changes)); !error.isEmpty())
            return error;
        return CSafeCopy::ReplaceWithCopy(
            path,
            [&](int from, qint64 fromSize, int to) {
                qint64 written = 0;
                if (!CSafeCopy::CopyBytes(from, to, 0, region.start, written) ||
                    !CSafeCopy::WriteBytes(to, edited.constData(), edited.size(), written))
                    return Reason();
                written += edited.size();
                if (!CSafeCopy::CopyBytes(from, to, region.end, fromSize - region.end, written))
                    return Reason();
                // The copy's blocks end where the audio begins, and it is the same audio.
                SRegion check;
                if (!FindBlocks(to, written, check).isEmpty() || check.bytes != edited ||
                    !SameBytes(from, region.end, to, check.end))
                    return QStringLiteral("the new metadata did not come out as planned");
                return QString();
            },
            original);
    });
}
