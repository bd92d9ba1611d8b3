#include "media/CTagReader.h"

#include "db/CGenres.h"
#include "media/CId3Limits.h"
#include "media/CTagLibSupport.h"
#include "media/CTagRegions.h"
#include "platform/CCachedFile.h"
#include "platform/CText.h"

#include <QRegularExpression>
#include <QtEndian>
#include <algorithm>
#include <memory>
#include <taglib/apetag.h>
#include <taglib/commentsframe.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2header.h>
#include <taglib/id3v2synchdata.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/textidentificationframe.h>
#include <taglib/unsynchronizedlyricsframe.h>

namespace {

QString ToQt(const TagLib::String& s)
{
    return QString::fromStdWString(s.toWString());
}

const TagLib::ID3v2::Frame* FirstFrame(const TagLib::ID3v2::Tag* tag, const char* id)
{
    if (!tag)
        return nullptr;
    const TagLib::ID3v2::FrameList& frames = tag->frameList(id);
    return frames.isEmpty() ? nullptr : frames.front();
}

// Item 1 of a text frame: a multi-valued ID3v2.4 frame gives its first value.
QString FrameText(const TagLib::ID3v2::Tag* tag, const char* id)
{
    const TagLib::ID3v2::Frame* frame = FirstFrame(tag, id);
    if (!frame)
        return QString();
    if (auto text = dynamic_cast<const TagLib::ID3v2::TextIdentificationFrame*>(frame)) {
        const TagLib::StringList fields = text->fieldList();
        return fields.isEmpty() ? QString() : ToQt(fields.front());
    }
    return ToQt(frame->toString());
}

bool IsGenreNumber(const TagLib::String& field)
{
    if (field.isEmpty() || field.size() > 3)
        return false;
    for (wchar_t c : field)
        if (c < L'0' || c > L'9')
            return false;
    return true;
}

// The content type as the catalogue stores it: genre numbers as "(n)" followed by the
// refinement text, if any. The library splits "(17)Rock" into "17" and "Rock".
QString GenreText(const TagLib::ID3v2::Tag* tag)
{
    const auto* frame =
        dynamic_cast<const TagLib::ID3v2::TextIdentificationFrame*>(FirstFrame(tag, "TCON"));
    if (!frame)
        return QString();
    QString genre;
    for (const TagLib::String& field : frame->fieldList()) {
        if (!IsGenreNumber(field)) {
            genre += ToQt(field);
            break;
        }
        genre += QStringLiteral("(%1)").arg(field.toInt());
    }
    return genre;
}

// Whether the library joined a date frame (TDAT, and TIME) onto the four-digit year of
// an ID3v2.2/2.3 tag: "1999" and "0503" come out as "1999-03-05". The year frame itself
// held only "1999".
bool FoldedDate(const TagLib::ID3v2::Tag* tag, const QString& year)
{
    static const QRegularExpression folded(
        QStringLiteral("^\\d{4}-\\d{2}-\\d{2}(T\\d{2}:\\d{2})?$"));
    return tag->header()->majorVersion() < 4 && !tag->frameList("TDAT").isEmpty() &&
           folded.match(year).hasMatch();
}

QString LyricsText(const TagLib::ID3v2::Tag* tag)
{
    const auto* frame =
        dynamic_cast<const TagLib::ID3v2::UnsynchronizedLyricsFrame*>(FirstFrame(tag, "USLT"));
    return frame ? ToQt(frame->text()) : QString();
}

// The comment without a description, else the first one (players keep their own
// data in described comments).
QString CommentText(const TagLib::ID3v2::Tag* tag)
{
    if (!tag)
        return QString();
    const TagLib::ID3v2::CommentsFrame* first = nullptr;
    for (const TagLib::ID3v2::Frame* f : tag->frameList("COMM")) {
        const auto* comment = dynamic_cast<const TagLib::ID3v2::CommentsFrame*>(f);
        if (!comment)
            continue;
        if (comment->description().isEmpty())
            return ToQt(comment->text());
        if (!first)
            first = comment;
    }
    return first ? ToQt(first->text()) : QString();
}

QString ApeItem(const TagLib::APE::Tag* tag, const char* key)
{
    if (!tag)
        return QString();
    const TagLib::APE::ItemListMap& items = tag->itemListMap();
    const auto it = items.find(key);
    if (it == items.end() || it->second.type() != TagLib::APE::Item::Text)
        return QString();
    const TagLib::StringList values = it->second.values();
    return values.isEmpty() ? QString() : ToQt(values.front());
}

void Fallback(QString& field, const QString& ape, const QString& v1)
{
    if (field.isEmpty())
        field = ape.isEmpty() ? v1 : ape;
}

void ReadFields(const TagLib::ID3v2::Tag* v2, const TagLib::APE::Tag* ape,
                const TagLib::ID3v1::Tag* v1, STagFields& f)
{
    f.title = FrameText(v2, "TIT2");
    f.artist = FrameText(v2, "TPE1");
    f.album = FrameText(v2, "TALB");
    f.genre = GenreText(v2);
    // ID3v2.3 years are read into the ID3v2.4 recording time by the library.
    f.year = FrameText(v2, "TDRC");
    if (f.year.isEmpty())
        f.year = FrameText(v2, "TYER");
    else if (FoldedDate(v2, f.year))
        f.year.truncate(4);
    f.lyrics = LyricsText(v2);
    f.comment = CommentText(v2);
    f.track = FrameText(v2, "TRCK");

    QString v1Genre, v1Year, v1Track;
    if (v1) {
        if (v1->genreNumber() != 255)
            v1Genre = QStringLiteral("(%1)").arg(v1->genreNumber());
        if (v1->year() != 0)
            v1Year = QString::number(v1->year());
        if (v1->track() != 0)
            v1Track = QString::number(v1->track());
    }
    const auto v1Text = [v1](TagLib::String (TagLib::ID3v1::Tag::*get)() const) {
        return v1 ? ToQt((v1->*get)()) : QString();
    };
    Fallback(f.title, ApeItem(ape, "TITLE"), v1Text(&TagLib::ID3v1::Tag::title));
    Fallback(f.artist, ApeItem(ape, "ARTIST"), v1Text(&TagLib::ID3v1::Tag::artist));
    Fallback(f.album, ApeItem(ape, "ALBUM"), v1Text(&TagLib::ID3v1::Tag::album));
    Fallback(f.genre, ApeItem(ape, "GENRE"), v1Genre);
    f.genre = CGenres::StoredFormOfTag(f.genre);
    Fallback(f.year, ApeItem(ape, "YEAR"), v1Year);
    Fallback(f.lyrics, ApeItem(ape, "LYRICS"), QString());
    Fallback(f.comment, ApeItem(ape, "COMMENT"), v1Text(&TagLib::ID3v1::Tag::comment));
    Fallback(f.track, ApeItem(ape, "TRACK"), v1Track);
    f.lyrics = CText::Left(f.lyrics, CTagReader::kMaxLyrics);
}

// Where the library looks for an ID3v1 tag: the last 128 bytes, unless they are the end
// of an APE footer.
long Id3v1At(const TagLib::ByteVector& tail)
{
    const long at = long(tail.size()) - 128;
    if (at < 0 || !tail.containsAt(TagLib::ID3v1::Tag::fileIdentifier(), unsigned(at)))
        return -1;
    return at >= 3 && tail.containsAt(TagLib::APE::Tag::fileIdentifier(), unsigned(at - 3)) ? -1
                                                                                            : at;
}

// The APE footer before the ID3v1 tag, or at the end.
long ApeFooterAt(const TagLib::ByteVector& tail, long id3v1)
{
    const long at = (id3v1 >= 0 ? id3v1 : long(tail.size())) - 32;
    return at >= 0 && tail.containsAt(TagLib::APE::Tag::fileIdentifier(), unsigned(at)) ? at : -1;
}

// The library builds an object for every item an APE footer announces, as it does for
// ID3v2 frames: only as many are read.
void LimitApeItems(TagLib::ByteVector& tail)
{
    const long at = ApeFooterAt(tail, Id3v1At(tail));
    if (at >= 0 && tail.toUInt(unsigned(at + 16), false) > unsigned(CId3Limits::kMaxFrames))
        qToLittleEndian<quint32>(CId3Limits::kMaxFrames, tail.data() + at + 16);
}

// The three tags of one file, each read from the region where it can be.
struct STags
{
    explicit STags(const STagRegions& regions)
        : headStream(regions.head), tailStream(regions.tail),
          head(&headStream, TagLib::ID3v2::FrameFactory::instance(), false), tail(&tailStream)
    {
        if (head.hasID3v2Tag())
            v2 = head.ID3v2Tag();
        const long v1At = Id3v1At(regions.tail);
        const long apeAt = ApeFooterAt(regions.tail, v1At);
        if (v1At >= 0)
            v1 = std::make_unique<TagLib::ID3v1::Tag>(&tail, v1At);
        if (apeAt >= 0)
            ape = std::make_unique<TagLib::APE::Tag>(&tail, apeAt);
    }

    TagLib::ByteVectorStream headStream;
    TagLib::ByteVectorStream tailStream;
    TagLib::MPEG::File head; // finds the ID3v2 tag as the library does, within the head
    CRegionFile tail;
    const TagLib::ID3v2::Tag* v2 = nullptr;
    std::unique_ptr<TagLib::ID3v1::Tag> v1;
    std::unique_ptr<TagLib::APE::Tag> ape;
};

// The tag library reads the size of an ID3v2.3 extended header as an ID3v2.4 one would be
// written (syncsafe, counting itself), so it starts such a tag's frames four bytes early and
// finds none. It is handed the tag without its extended header (and without an
// unsynchronisation, which covers the extended header too).
void DropExtendedHeader(TagLib::ByteVector& head)
{
    const int at = head.find(TagLib::ID3v2::Header::fileIdentifier());
    if (at < 0 || qint64(at) + 10 > head.size() || head[at + 3] != 3 || !(head[at + 5] & 0x40))
        return;
    const unsigned size = std::min(TagLib::ID3v2::SynchData::toUInt(head.mid(unsigned(at + 6), 4)),
                                   head.size() - unsigned(at) - 10);
    const bool unsynchronised = head[at + 5] & 0x80;
    TagLib::ByteVector body = head.mid(unsigned(at + 10), size);
    if (unsynchronised)
        body = TagLib::ID3v2::SynchData::decode(body);
    const qint64 extended = body.size() < 4 ? -1 : 4 + qint64(body.toUInt(0, true));
    if (extended < 4 || extended > body.size())
        return;
    body = body.mid(unsigned(extended));
    TagLib::ByteVector header = head.mid(unsigned(at), 10);
    header[5] = char(header[5] & ~0xc0);
    const TagLib::ByteVector newSize = TagLib::ID3v2::SynchData::fromUInt(body.size());
    std::copy(newSize.begin(), newSize.end(), header.begin() + 6);
    head = head.mid(0, unsigned(at)) + header + body + head.mid(unsigned(at) + 10 + size);
}

} // namespace

namespace CTagReader {

bool ReadMpegFields(const QString& path, STagFields& fields)
{
    CCachedFile file(path);
    return ReadMpegFields(file, fields);
}

bool ReadMpegFields(CCachedFile& file, STagFields& fields)
{
    fields = STagFields();
    SilenceTagLib();
    try {
        STagRegions regions;
        if (!regions.Read(file))
            return false;
        DropExtendedHeader(regions.head);
        CId3Limits::Apply(regions.head);
        LimitApeItems(regions.tail);
        const STags tags(regions);
        if (!tags.v2 && !tags.ape && !tags.v1)
            return false;
        ReadFields(tags.v2, tags.ape.get(), tags.v1.get(), fields);
        return true;
    } catch (...) {
        fields = STagFields();
        return false;
    }
}

} // namespace CTagReader
