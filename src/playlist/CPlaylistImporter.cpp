#include "playlist/CPlaylistImporter.h"

#include "db/CCdlistSet.h"
#include "intake/CNamingRules.h"
#include "intake/CTagReader.h"
#include "platform/CSettings.h"
#include "platform/CText.h"

namespace {

constexpr int kTagFieldLength = 30;

// The last folder of a path; empty when it looks like a drive ("c:"). A Windows line
// separates its folders with backslashes.
QString FolderName(const QString& folder, bool foreign)
{
    const QString name = folder.mid(folder.lastIndexOf(foreign ? u'\\' : u'/') + 1);
    return name.contains(u':') ? QString() : name;
}

} // namespace

int CPlaylistImporter::Import(const QList<SM3uLine>& lines, const QString& session)
{
    int stored = 0;
    m_skipped.clear();
    for (const SM3uLine& line : lines) {
        SSong song;
        if (!FillRecord(line, session, song))
            continue;
        m_set.Insert(song); // the records stored before a failure stay
        ++stored;
    }
    CSettings::WriteString(CSettings::kCDPath, session, QString());
    return stored;
}

bool CPlaylistImporter::FillRecord(const SM3uLine& listed, const QString& session, SSong& song)
{
    SM3uLine line = listed;
    if (!line.foreign && m_tools.locate) {
        // A disc now in another drive; a disc the user did not insert keeps the listed path.
        const QString now = m_tools.locate(line.path, session);
        if (now.isEmpty() && m_givenUp == EGivenUp::Skip) {
            m_skipped << line.path;
            return false;
        }
        if (!now.isEmpty() && now != line.path) {
            line.path = now;
            CM3uFile::SplitPath(now, false, line.folder, line.name);
        }
    }

    song.m_CD = session;
    song.m_MELODI = line.name;
    song.m_PATH = line.folder;
    const QString file = line.foreign ? line.path : CText::JoinPath(line.folder, line.name);

    if (CSettings::Int(QStringLiteral("NoID3"), 0) == 0 && m_tools.readTag) {
        STagFields tag;
        if (m_tools.readTag(file, tag)) {
            song.m_TITLE = CText::Left(tag.title, kTagFieldLength);
            song.m_ARTIST = CText::Left(tag.artist, kTagFieldLength);
            song.m_ALBUM = CText::Left(tag.album, kTagFieldLength);
            song.m_GENRE = tag.genre;
            song.m_YEAR = tag.year;
            song.m_LYRICS = tag.lyrics;
            song.m_COMMENT = tag.comment;
        }
    }
    const QString pattern = CNamingRules::FormattingPattern();
    if (song.m_TITLE.isEmpty() && !pattern.isEmpty() && m_tools.applyFormatting &&
        !m_tools.applyFormatting(line.name, pattern, song.m_ARTIST, song.m_TITLE, song.m_ALBUM)) {
        song.m_TITLE.clear();
        song.m_ARTIST.clear();
        song.m_ALBUM.clear();
    }

    const int folderRule = CSettings::Int(QStringLiteral("Folder"), 0);
    if (folderRule == 1 && song.m_ARTIST.isEmpty())
        song.m_ARTIST = FolderName(line.folder, line.foreign);
    else if (folderRule == 2 && song.m_ALBUM.isEmpty())
        song.m_ALBUM = FolderName(line.folder, line.foreign);

    song.m_LIST = CNamingRules::ListName(line.name);
    if (CNamingRules::TitleAsListText() && !song.m_TITLE.isEmpty())
        song.m_LIST = song.m_TITLE;

    if (m_tools.probe)
        m_tools.probe(file, song.m_BITRATE, song.m_DURATION);
    return true;
}
