#include "media/CSongFromFile.h"

#include "media/CAudioFormat.h"
#include "media/CNamingRules.h"
#include "media/CTaggedFile.h"
#include "platform/CCachedFile.h"
#include "platform/CFileNames.h"
#include "platform/CSettings.h"
#include "platform/CText.h"

#include <chrono>
#include <optional>
#include <sys/stat.h>

namespace {

std::int64_t Now()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The root of a mounted volume (its folder and the one above lie on different devices,
// or it is the top of the tree): what a drive letter's root was.
bool IsMountPoint(const QString& directory)
{
    const QByteArray path = CFileNames::Encode(directory);
    struct stat self
    {};
    struct stat parent
    {};
    if (::stat(path.constData(), &self) != 0 || ::stat((path + "/..").constData(), &parent) != 0)
        return false;
    return self.st_dev != parent.st_dev || self.st_ino == parent.st_ino;
}

// The folder's own name; a playlist line written on Windows separates its folders with
// backslashes (a folder here always has a slash).
QString FolderName(const QString& directory)
{
    if (!directory.contains(u'/'))
        return directory.mid(directory.lastIndexOf(u'\\') + 1);
    return CNamingRules::FolderName(directory);
}

void ApplyNameRules(SSong& song, const SSongRules& rules)
{
    if (song.m_TITLE.isEmpty() && !rules.formatting.isEmpty() &&
        !CNamingRules::ApplyFormatting(song.m_MELODI, rules.formatting, song.m_ARTIST, song.m_TITLE,
                                       song.m_ALBUM)) {
        song.m_TITLE.clear();
        song.m_ARTIST.clear();
        song.m_ALBUM.clear();
    }

    QString* byFolder = rules.folderAs == 1 && song.m_ARTIST.isEmpty()  ? &song.m_ARTIST
                        : rules.folderAs == 2 && song.m_ALBUM.isEmpty() ? &song.m_ALBUM
                                                                        : nullptr;
    if (byFolder) {
        *byFolder = FolderName(song.m_PATH);
        // A drive's root is no artist or album name.
        if (byFolder->contains(u':') || IsMountPoint(song.m_PATH))
            byFolder->clear();
    }

    song.m_LIST = CNamingRules::ListName(song.m_MELODI);
    QString* const names[] = {&song.m_LIST, &song.m_TITLE, &song.m_ARTIST, &song.m_ALBUM};
    if (rules.underscores) {
        for (QString* text : names)
            text->replace(u'_', u' ');
    }
    if (rules.trackNumbers) {
        for (QString* text : names)
            *text = CNamingRules::RemoveTrackNumber(*text, rules.namesWithDigits);
    }
    if (rules.titleAsList && !song.m_TITLE.isEmpty())
        song.m_LIST = song.m_TITLE;
}

} // namespace

SSongRules SSongRules::FromSettings(const QStringList& namesWithDigits)
{
    SSongRules rules;
    rules.readTags = !CSettings::Bool(ESetting::NoID3);
    rules.formatting = CNamingRules::FormattingPattern();
    rules.folderAs = CSettings::Int(ESetting::Folder);
    rules.underscores = CSettings::Bool(ESetting::UnderScore);
    rules.trackNumbers = CSettings::Bool(ESetting::RemTrack);
    rules.titleAsList = CNamingRules::TitleAsListText();
    rules.namesWithDigits = namesWithDigits;
    return rules;
}

SSongRules SSongRules::ForImport()
{
    SSongRules rules = FromSettings({});
    rules.underscores = false;
    rules.trackNumbers = false;
    return rules;
}

std::unique_ptr<CSongFromFile> CSongFromFile::Create(QString* error)
{
    std::unique_ptr<CStreamProbe> probe = CStreamProbe::Create(error);
    if (!probe)
        return nullptr;
    return std::unique_ptr<CSongFromFile>(new CSongFromFile(std::move(probe)));
}

void CSongFromFile::ReadTag(CCachedFile& file, SSong& song)
{
    const std::int64_t start = Now();
    STagFields tag;
    CTaggedFile::Of(EAudioFormat::Mpeg).Read(file, &tag, nullptr);
    TakeFields(tag, song);
    m_timings.tags += Now() - start;
}

void CSongFromFile::TakeFields(const STagFields& tag, SSong& song)
{
    song.m_TITLE = tag.title;
    song.m_ARTIST = tag.artist;
    song.m_ALBUM = tag.album;
    song.m_GENRE = tag.genre;
    song.m_YEAR = tag.year;
    song.m_LYRICS = tag.lyrics;
    song.m_COMMENT = tag.comment;
    song.m_TRACK = SSong::TrackNumber(tag.track);
}

void CSongFromFile::Measure(CCachedFile& file, EAudioFormat format, SSong& song)
{
    const std::int64_t start = Now();
    if (const CTagFormat& tags = CTaggedFile::Of(format); tags.ReadsFigures()) {
        SStreamFigures figures;
        tags.Read(file, nullptr, &figures);
        song.m_BITRATE = figures.bitrate;
        song.m_DURATION = figures.duration;
    } else {
        m_probe->Probe(file);
        song.m_BITRATE = m_probe->m_bitrate;
        song.m_DURATION = m_probe->m_duration;
    }
    m_timings.probe += Now() - start;
}

SSong CSongFromFile::Make(const QString& session, const QString& folder, const QString& name,
                          const SSongRules& rules, const QString& file,
                          const std::function<void()>& beforeProbe, CCachedFile* opened)
{
    const QString path = file.isEmpty() ? CText::JoinPath(folder, name) : file;
    m_measureLeft = false;
    std::optional<CCachedFile> own;
    if (!opened)
        opened = &own.emplace(path, CCachedFile::EReaders::Several);
    SSong song;
    song.m_CD = session;
    song.m_PATH = folder;
    song.m_MELODI = name;
    // Other formats give tag and figures from one reading of their headers.
    const std::int64_t start = Now();
    const EAudioFormat format = CAudioFormat::Detect(*opened);
    const CTagFormat& tags = CTaggedFile::Of(format);
    SStreamFigures figures;
    if (tags.ReadsFigures()) {
        STagFields tag;
        tags.Read(*opened, rules.readTags ? &tag : nullptr, &figures);
        TakeFields(tag, song);
        m_timings.tags += Now() - start;
    } else if (rules.readTags) {
        ReadTag(*opened, song);
    }
    ApplyNameRules(song, rules);
    if (beforeProbe)
        beforeProbe();
    if (!tags.ReadsFigures() && m_leaveMeasurement) {
        m_measureLeft = true;
    } else if (!tags.ReadsFigures()) {
        Measure(*opened, format, song);
    } else {
        song.m_BITRATE = figures.bitrate;
        song.m_DURATION = figures.duration;
    }
    song.KeepLengths();
    return song;
}

void CSongFromFile::Complete(const QString& file, SSong& song)
{
    CCachedFile opened(file, CCachedFile::EReaders::Several);
    const EAudioFormat format = CAudioFormat::Detect(opened);
    STagFields tag;
    const std::int64_t start = Now();
    const bool read = CTaggedFile::Of(format).Read(opened, &tag, nullptr);
    if (read) {
        if (song.m_LYRICS.isEmpty())
            song.m_LYRICS = tag.lyrics;
        if (song.m_COMMENT.isEmpty())
            song.m_COMMENT =
                CText::Left(tag.comment, CSongColumns::KeptLength(ESongColumn::COMMENT));
        if (song.m_TRACK.isEmpty())
            song.m_TRACK = SSong::TrackNumber(tag.track);
    }
    m_timings.tags += Now() - start;
    // Measured where the file is now: the stored path names the drive the disc was in.
    Measure(opened, format, song);
}
