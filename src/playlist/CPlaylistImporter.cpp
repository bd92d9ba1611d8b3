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
        if (!FillRecord(line, session))
            continue;
        try {
            m_set.Update();
        } catch (...) {
            m_set.CancelUpdate(); // the records stored so far stay
            throw;
        }
        ++stored;
    }
    m_set.Unfilter();
    CSettings::WriteString(CSettings::kCDPath, session, QString());
    return stored;
}

bool CPlaylistImporter::FillRecord(const SM3uLine& listed, const QString& session)
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

    m_set.AddNew();
    m_set.m_CD = session;
    m_set.m_MELODI = line.name;
    m_set.m_PATH = line.folder;
    const QString file = line.foreign ? line.path : CText::JoinPath(line.folder, line.name);

    if (CSettings::Int(QStringLiteral("NoID3"), 0) == 0 && m_tools.readTag) {
        STagFields tag;
        if (m_tools.readTag(file, tag)) {
            m_set.m_TITLE = CText::Left(tag.title, kTagFieldLength);
            m_set.m_ARTIST = CText::Left(tag.artist, kTagFieldLength);
            m_set.m_ALBUM = CText::Left(tag.album, kTagFieldLength);
            m_set.m_GENRE = tag.genre;
            m_set.m_YEAR = tag.year;
            m_set.m_LYRICS = tag.lyrics;
            m_set.m_COMMENT = tag.comment;
        }
    }
    const QString pattern = CNamingRules::FormattingPattern();
    if (m_set.m_TITLE.isEmpty() && !pattern.isEmpty() && m_tools.applyFormatting &&
        !m_tools.applyFormatting(line.name, pattern, m_set.m_ARTIST, m_set.m_TITLE,
                                 m_set.m_ALBUM)) {
        m_set.m_TITLE.clear();
        m_set.m_ARTIST.clear();
        m_set.m_ALBUM.clear();
    }

    const int folderRule = CSettings::Int(QStringLiteral("Folder"), 0);
    if (folderRule == 1 && m_set.m_ARTIST.isEmpty())
        m_set.m_ARTIST = FolderName(line.folder, line.foreign);
    else if (folderRule == 2 && m_set.m_ALBUM.isEmpty())
        m_set.m_ALBUM = FolderName(line.folder, line.foreign);

    m_set.m_LIST = CNamingRules::ListName(line.name);
    if (CNamingRules::TitleAsListText() && !m_set.m_TITLE.isEmpty())
        m_set.m_LIST = m_set.m_TITLE;

    if (m_tools.probe)
        m_tools.probe(file, m_set.m_BITRATE, m_set.m_DURATION);
    return true;
}
