#pragma once

#include "model/CPlaylistGroups.h"
#include "playlist/CRandomDraw.h"

#include <QList>
#include <QString>

class CCdlistDoc;
struct SAppServices;

// The playlist operations: adding songs of the song list, removing and clearing entries,
// writing the playlist as .m3u, listing a playlist file's songs, importing one as a
// session, the random selection and the grouping that copying works from. They change
// the document and report through the prompts.
class CPlaylistOperations
{
public:
    CPlaylistOperations(CCdlistDoc& doc, const SAppServices& services)
        : m_doc(doc), m_services(services)
    {}

    // Adds the songs of these song-list rows (in order), or of every row.
    void AddRows(const QList<int>& rows);
    void AddAll();
    // Removes an entry (none for -1); the playlist counts as changed while it has entries.
    void Remove(int row);
    // The double click on an entry: removes it. True when the player should get the
    // changed playlist at once (AutoUpd).
    bool RemoveByDoubleClick(int row);
    void Clear();

    // Writes the playlist to an .m3u file; false when nothing was written.
    bool ExportM3u(const QString& file);
    // Lists the catalogued songs a playlist file names (and adds them with AddOnSearch).
    void LoadPlaylist(const QString& file);
    // Makes a new session of the files a playlist names.
    void ImportM3u(const QString& file, const QString& session);
    // Fills the song list with a random selection.
    void Random(const SRandomRequest& request);
    // The playlist's songs grouped by session; the reached limit is reported. False when
    // the database failed (reported).
    bool GroupForCopy(SPlaylistGroups& groups);

    // The playlist is kept from one run to the next, with its catalogue: its song IDs are
    // written beside the catalogue at the end of a run and read back at the next start on
    // the same catalogue, where songs deleted meanwhile are dropped.
    void SaveForNextRun();
    void RestoreFromLastRun();
    static QString SavedPlaylistFile(const QString& database);

    // The program's own files, which no export or copy may overwrite.
    QStringList ProgramFiles();

private:
    void ReportDbError(const QString& message);

    CCdlistDoc& m_doc;
    const SAppServices& m_services;
};
