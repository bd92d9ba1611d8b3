#include "playlist/CPlaylistOperations.h"

#include "db/CCdlistSet.h"
#include "media/CSongFromFile.h"
#include "model/CAppServices.h"
#include "model/CCdlistDoc.h"
#include "platform/CPrompts.h"
#include "platform/CRegularFile.h"
#include "platform/CSafeTarget.h"
#include "platform/CSettings.h"
#include "platform/CText.h"
#include "playlist/CM3uFile.h"
#include "playlist/CPlaylistImporter.h"
#include "playlist/CPlaylistLoader.h"
#include "playlist/CPlaylistTexts.h"

#include <QDir>
#include <QIODevice>
#include <numeric>

namespace {

// Reads a playlist's lines; a file that cannot be read is reported.
bool ReadLines(CPrompts& prompts, const QString& file, QList<SM3uLine>& lines)
{
    QString error;
    if (CM3uFile::Read(file, lines, error))
        return true;
    prompts.Error(error, QStringLiteral("File Error"));
    return false;
}

bool AddOnSearch()
{
    return CSettings::Bool(ESetting::AddOnSearch);
}

} // namespace

void CPlaylistOperations::ReportDbError(const QString& message)
{
    m_services.prompts->Error(message, QStringLiteral("Database Error"));
}

QStringList CPlaylistOperations::ProgramFiles()
{
    return CSafeTarget::ProgramFiles(m_doc.Database().Path(), CSettings::FilePath());
}

namespace {

// Where versions before the playlist was kept with its catalogue left it: in the settings,
// for whichever catalogue started next.
// Some hundred thousand entries; a larger file is no playlist of ours.
constexpr qint64 kMaxSavedPlaylist = 8 * 1024 * 1024;

} // namespace

QString CPlaylistOperations::SavedPlaylistFile(const QString& database)
{
    return database + QStringLiteral("-playlist");
}

void CPlaylistOperations::SaveForNextRun()
{
    if (m_doc.Database().Path().isEmpty())
        return;
    QStringList ids;
    for (qint64 id : m_doc.Playlist().Ids())
        ids << QString::number(id);
    const QByteArray text = ids.join(u' ').toLatin1() + "\r\n";
    QString error;
    if (!CSafeTarget::WriteWhole(
            SavedPlaylistFile(m_doc.Database().Path()), ProgramFiles(),
            [&text](QIODevice& out) {
                return out.write(text) == text.size() ? QString() : out.errorString();
            },
            error))
        m_services.prompts->Error(error, CPlaylistTexts::NotSavedCaption());
}

void CPlaylistOperations::RestoreFromLastRun()
{
    QByteArray text;
    QString reason;
    if (!CRegularFile::Read(SavedPlaylistFile(m_doc.Database().Path()), kMaxSavedPlaylist, text,
                            reason) &&
        CSettings::Stored(ESetting::SavedPlaylist)) {
        // Taken over once, by the first catalogue that starts: it belongs to no other.
        text = CSettings::String(ESetting::SavedPlaylist).toLatin1();
        CSettings::Remove(CSettings::kSettings, CSettingsTable::Key(ESetting::SavedPlaylist));
    }
    QList<CPlaylistModel::SEntry> entries;
    CCdlistSet& set = m_doc.Set();
    for (const QByteArray& word : text.simplified().split(' ')) {
        bool ok = false;
        const qint64 id = word.toLongLong(&ok);
        if (!ok)
            continue;
        if (const std::optional<SSong> song = set.FindSongById(id))
            entries.append({song->m_LIST, id});
    }
    m_doc.Playlist().Append(entries);
}

void CPlaylistOperations::AddRows(const QList<int>& rows)
{
    const CSongListModel& songs = m_doc.Songs();
    QList<CPlaylistModel::SEntry> entries;
    for (int row : rows) {
        if (row >= 0 && row < songs.RowCount())
            entries.append({songs.Cell(row, 0), songs.Id(row)});
    }
    m_doc.Playlist().Append(entries);
    if (entries.isEmpty())
        return;
    m_doc.Playlist().SetChanged(true);
    m_doc.Tell(QStringLiteral("Added %1 to the playlist.").arg(CText::Songs(entries.size())));
}

void CPlaylistOperations::AddAll()
{
    QList<int> rows(m_doc.Songs().RowCount());
    std::iota(rows.begin(), rows.end(), 0);
    AddRows(rows);
}

void CPlaylistOperations::Remove(int row)
{
    m_doc.Playlist().Remove(row);
    // An empty playlist has nothing to send.
    m_doc.Playlist().SetChanged(m_doc.Playlist().Count() > 0);
}

bool CPlaylistOperations::RemoveByDoubleClick(int row)
{
    CPlaylistModel& playlist = m_doc.Playlist();
    playlist.Remove(row);
    playlist.SetSelectionFlag(false);
    playlist.SetChanged(playlist.Count() > 0);
    return playlist.Count() > 0 && CSettings::Bool(ESetting::AutoUpd);
}

void CPlaylistOperations::Clear()
{
    m_doc.Playlist().Clear();
    m_doc.Playlist().SetChanged(false);
    m_doc.Tell(QStringLiteral("Cleared the playlist."));
}

bool CPlaylistOperations::ExportM3u(const QString& file)
{
    if (m_doc.Playlist().Count() == 0) {
        m_services.prompts->Error(CPlaylistTexts::NoSongs(), QStringLiteral("No music!"));
        return false;
    }
    const CCdlistDoc::CBusy busy(m_doc);
    CM3uFile::SWritten written;
    QString error;
    try {
        if (!CM3uFile::Write(m_doc.Set(), m_doc.Playlist().Ids(), file, ProgramFiles(), written,
                             error)) {
            m_services.prompts->Error(error, QStringLiteral("File Error"));
            return false;
        }
    } catch (const CDbException& e) {
        ReportDbError(e.Message());
        return false;
    }
    CSettings::AddToCounter(ESetting::PlaylistUsed, written.lines);
    m_doc.Tell(QStringLiteral("Saved %1 to the playlist %2.")
                   .arg(CText::Songs(written.lines), QDir::toNativeSeparators(file)));
    if (!written.leftOut.isEmpty())
        m_services.prompts->Exclaim(CM3uFile::LeftOutText(written.leftOut),
                                    QStringLiteral("Playlist"));
    return true;
}

void CPlaylistOperations::LoadPlaylist(const QString& file)
{
    const CCdlistDoc::CBusy busy(m_doc);
    QList<SM3uLine> lines;
    if (!ReadLines(*m_services.prompts, file, lines))
        return;
    CSongListModel& songs = m_doc.Songs();
    songs.Clear();
    const bool addToPlaylist = AddOnSearch();
    QList<CPlaylistModel::SEntry> entries;
    try {
        CPlaylistLoader(m_doc.Set(), *m_services.prompts).Load(lines, [&](const SSong& song) {
            songs.InsertSongRow(songs.RowCount(), song);
            if (addToPlaylist)
                entries.append({song.m_LIST, song.m_ID});
        });
    } catch (const CDbException& e) {
        ReportDbError(e.Message());
    }
    m_doc.Playlist().Append(entries);
    if (!entries.isEmpty())
        m_doc.Playlist().SetChanged(true);
    m_doc.Tell(QStringLiteral("Listed %1 of the playlist %2.")
                   .arg(CText::Songs(songs.RowCount()), QDir::toNativeSeparators(file)));
}

void CPlaylistOperations::ImportM3u(const QString& file, const QString& session)
{
    const CCdlistDoc::CBusy busy(m_doc);
    QList<SM3uLine> lines;
    if (!ReadLines(*m_services.prompts, file, lines))
        return;
    QString error;
    const std::unique_ptr<CSongFromFile> maker = CSongFromFile::Create(&error);
    if (!maker)
        return m_services.prompts->Error(error, QStringLiteral("Error"));
    try {
        const int stored = CPlaylistImporter(m_doc.Set(), *maker,
                                             CPlaylistImporter::DriveSearch(*m_services.volumes,
                                                                            *m_services.prompts))
                               .Import(lines, session);
        m_doc.Tell(QStringLiteral("Imported %1 into the session \u201c%2\u201d.")
                       .arg(CText::Songs(stored), session));
    } catch (const CDbException& e) {
        ReportDbError(e.Message());
    }
    // The records stored before a failure are shown too; a database that cannot even be
    // read now is reported, not thrown out of the command.
    try {
        m_doc.Catalogue().NoteSession(session);
    } catch (const CDbException& e) {
        ReportDbError(e.Message());
    }
}

void CPlaylistOperations::Random(const SRandomRequest& request)
{
    const CCdlistDoc::CBusy busy(m_doc);
    CSongListModel& songs = m_doc.Songs();
    try {
        CRandomDraw draw(m_doc.Set());
        const CRandomDraw::EResult result = draw.Draw(
            request, [&songs] { songs.Clear(); },
            [&songs](const SSong& song) { songs.InsertSongRow(songs.RowCount(), song); });
        if (result == CRandomDraw::EResult::NoCandidates)
            m_services.prompts->Error(CPlaylistTexts::NoCandidates(),
                                      QStringLiteral("No songs available"));
        else if (result == CRandomDraw::EResult::Short)
            m_services.prompts->Inform(CPlaylistTexts::Short(draw, request),
                                       CPlaylistTexts::ShortCaption());
    } catch (const CDbException& e) {
        ReportDbError(e.Message());
    }
    CSettings::SetInt(ESetting::Random, request.amount);
    CSettings::SetInt(ESetting::PbOrNm, request.bySongs ? 1 : 0);
}

bool CPlaylistOperations::GroupForCopy(SPlaylistGroups& groups)
{
    try {
        groups = CPlaylistGroups::Group(m_doc.Set(), m_doc.Playlist().Ids());
    } catch (const CDbException& e) {
        ReportDbError(e.Message());
        return false;
    }
    CPlaylistGroups::ReportLimit(*m_services.prompts, groups.limit);
    return true;
}
