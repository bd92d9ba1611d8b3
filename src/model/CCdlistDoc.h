#pragma once

#include "db/CCdlistSet.h"
#include "db/CDatabase.h"
#include "db/CExceptSet.h"
#include "model/CCatalogue.h"
#include "model/CPlaylistModel.h"
#include "model/CSessionListModel.h"
#include "model/CSongListModel.h"
#include "model/CTagFormModel.h"

#include <QObject>
#include <QString>

// The document: the song database with its browsing set and the excluded names, and the
// models every face shows (sessions, song list, playlist, song count, current song). It
// is the only store of the program's state; windows follow its signals.
class CCdlistDoc : public QObject
{
    Q_OBJECT
public:
    explicit CCdlistDoc(QObject* parent = nullptr);
    ~CCdlistDoc() override;

    // Opens (or creates) the song database; throws CDbException with a clear message.
    void OpenDatabase(const QString& path,
                      const CDatabase::ProgressFactory& conversionProgress = {});
    // Opens an existing one for reading only (the command line's commands that only read).
    void OpenDatabaseForReading(const QString& path);
    CDatabase& Database() { return m_db; }
    // The song table: songs found, stored and changed as values.
    CCdlistSet& Set() { return m_set; }
    // The door every change of songs and sessions goes through; the models follow what
    // it announces.
    CCatalogue& Catalogue() { return m_catalogue; }
    CExceptSet& ExceptSet() { return m_except; }
    QString Title() const { return QStringLiteral("Cratewise"); }

    CSessionListModel& Sessions() { return m_sessions; }
    CSongListModel& Songs() { return m_songs; }
    CPlaylistModel& Playlist() { return m_playlist; }
    // The tag fields' song and what the user changed in them.
    CTagFormModel& TagForm() { return m_tagForm; }

    qint64 SongCount() const { return m_songCount; }
    void SetSongCount(qint64 count);
    void AdjustSongCount(qint64 delta) { SetSongCount(m_songCount + delta); }
    // The song last clicked (the tag fields show it); -1 for none, which clears the tag
    // fields.
    qint64 CurrentSong() const { return m_currentSong; }
    void SetCurrentSong(qint64 id);

    // The session list and the song count from the table.
    void ReloadSessions();
    // The session chosen in the session list; none when none is.
    std::optional<QString> SelectedSession() const { return m_sessions.Selected(); }
    // Chooses a listed session and has every face show it (SessionShown), also when it
    // is the one chosen already: the song list may show a search meanwhile.
    void ShowSession(const QString& name);

    // What a finished action did, in one sentence, for the window's status line (the command
    // line prints its own summaries).
    void Tell(const QString& text) { Q_EMIT Told(text); }

    // While a job runs, no command may read or change the catalogue or its selection.
    bool IsBusy() const { return m_busy > 0; }
    class CBusy
    {
    public:
        explicit CBusy(CCdlistDoc& doc);
        ~CBusy();
        CBusy(const CBusy&) = delete;
        CBusy& operator=(const CBusy&) = delete;

    private:
        CCdlistDoc& m_doc;
    };

Q_SIGNALS:
    void SongCountChanged(qint64 count);
    void CurrentSongChanged(qint64 id);
    // The session to list: the song list shows its songs.
    void SessionShown(const QString& name);
    void BusyChanged(bool busy);
    void Told(const QString& text);

private:
    // What the models do on the catalogue's announcements.
    void FollowRemoved(const QHash<qint64, qint64>& secondsById);
    void FollowChanged(const QList<qint64>& ids);
    void FollowSessions(const QStringList& sessions, const QStringList& withoutSongs);
    void FollowElsewhere();
    // The artist and length of new playlist entries, in one query.
    void FillPlaylistDetails(QList<CPlaylistModel::SEntry>& entries);
    void OpenSets();

    CDatabase m_db;
    CCdlistSet m_set;
    CCatalogue m_catalogue{m_db, m_set};
    CExceptSet m_except;
    CSessionListModel m_sessions;
    CSongListModel m_songs;
    CPlaylistModel m_playlist;
    CTagFormModel m_tagForm;
    qint64 m_songCount = 0;
    qint64 m_currentSong = -1;
    int m_busy = 0;
};
