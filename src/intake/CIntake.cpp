#include "intake/CIntake.h"

#include "db/CCdlistSet.h"
#include "db/CExceptSet.h"
#include "intake/CNamingRules.h"
#include "intake/CStreamProbe.h"
#include "intake/CTagReader.h"
#include "platform/CFileNames.h"
#include "platform/CProgress.h"
#include "platform/CPrompts.h"
#include "platform/CSettings.h"
#include "platform/CText.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kErrorFile = QStringLiteral("ErrorFile");

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

bool IsOn(const char* key)
{
    return CSettings::Int(QLatin1String(key), 0) == 1;
}

} // namespace

bool CIntake::TakeInFile(const QString& directory, const QString& fileName, const QString& session,
                         CProgress* progress)
{
    const QString path = CText::JoinPath(directory, fileName);
    m_skipReason.clear();
    // A file that cannot be opened (a path deeper than PATH_MAX, no right to read it) would
    // be stored as a song that can never be played: it is left out and the reason kept.
    const int fd = ::open(CFileNames::Encode(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        m_skipReason = QString::fromLocal8Bit(std::strerror(errno));
        if (progress) {
            progress->Step();
            progress->Pump(true);
        }
        return false;
    }
    ::close(fd);
    // Left behind when reading this file kills the program; the next start names it.
    SetMarker(path);

    const CSettings::CReadOnce settings; // the rules below read a handful of values
    m_song = SSong();
    m_song.m_CD = session;
    m_song.m_MELODI = fileName;
    m_song.m_PATH = directory;
    if (CSettings::Int(QStringLiteral("NoID3"), 0) == 0)
        ReadTag(path);
    ApplyNameRules(directory);

    if (progress) {
        progress->Step();
        progress->Pump(true);
    }
    const std::int64_t probeStart = Now();
    m_probe.Probe(path);
    m_song.m_BITRATE = CText::Left(m_probe.m_bitrate, 50);
    m_song.m_DURATION = CText::Left(m_probe.m_duration, 50);
    m_timings.probe += Now() - probeStart;

    m_song.m_TITLE = CText::Left(m_song.m_TITLE, 30);
    m_song.m_ARTIST = CText::Left(m_song.m_ARTIST, 30);
    m_song.m_ALBUM = CText::Left(m_song.m_ALBUM, 30);
    m_song.m_YEAR = CText::Left(m_song.m_YEAR, 30);
    m_song.m_COMMENT = CText::Left(m_song.m_COMMENT, 250);
    const bool stored = Store(path);
    SetMarker(QString());
    ++m_timings.files;
    return stored;
}

void CIntake::ReadTag(const QString& path)
{
    const std::int64_t start = Now();
    STagFields tag;
    CTagReader::ReadTagFields(path, tag);
    m_song.m_TITLE = tag.title;
    m_song.m_ARTIST = tag.artist;
    m_song.m_ALBUM = tag.album;
    m_song.m_GENRE = tag.genre;
    m_song.m_YEAR = tag.year;
    m_song.m_LYRICS = tag.lyrics;
    m_song.m_COMMENT = tag.comment;
    m_timings.tags += Now() - start;
}

void CIntake::ApplyNameRules(const QString& directory)
{
    const QString formatting = CNamingRules::FormattingPattern();
    if (m_song.m_TITLE.isEmpty() && !formatting.isEmpty() &&
        !CNamingRules::ApplyFormatting(m_song.m_MELODI, formatting, m_song.m_ARTIST, m_song.m_TITLE,
                                       m_song.m_ALBUM)) {
        m_song.m_TITLE.clear();
        m_song.m_ARTIST.clear();
        m_song.m_ALBUM.clear();
    }

    const int folderRule = CSettings::Int(QStringLiteral("Folder"), 0);
    QString* byFolder = folderRule == 1 && m_song.m_ARTIST.isEmpty()  ? &m_song.m_ARTIST
                        : folderRule == 2 && m_song.m_ALBUM.isEmpty() ? &m_song.m_ALBUM
                                                                      : nullptr;
    if (byFolder) {
        *byFolder = CNamingRules::FolderName(directory);
        // A drive's root is no artist or album name.
        if (byFolder->contains(u':') || IsMountPoint(directory))
            byFolder->clear();
    }

    const QString& name = m_song.m_MELODI;
    m_song.m_LIST = CNamingRules::ListName(name);
    QString* const names[] = {&m_song.m_LIST, &m_song.m_TITLE, &m_song.m_ARTIST, &m_song.m_ALBUM};
    if (IsOn("UnderScore")) {
        for (QString* text : names)
            text->replace(u'_', u' ');
    }
    if (IsOn("RemTrack")) {
        for (QString* text : names)
            *text = CNamingRules::RemoveTrackNumber(*text, m_except.Names());
    }
    if (CNamingRules::TitleAsListText() && !m_song.m_TITLE.isEmpty())
        m_song.m_LIST = m_song.m_TITLE;
}

bool CIntake::Store(const QString& path)
{
    const std::int64_t start = Now();
    try {
        m_set.Insert(m_song);
    } catch (const CDbException& e) {
        m_timings.store += Now() - start;
        SetMarker(QString()); // the file did not end the program
        // A file that cannot be stored ends the scan: going on would report songs as
        // taken in that are not.
        throw CDbException(e.Message() + QStringLiteral("\n") + path);
    }
    m_timings.store += Now() - start;
    return true;
}

void CIntake::SetMarker(const QString& path)
{
    const std::int64_t start = Now();
    CSettings::SetString(kErrorFile, path);
    m_timings.marker += Now() - start;
}
