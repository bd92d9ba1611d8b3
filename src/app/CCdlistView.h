#pragma once

#include "app/CAppServices.h"

#include <QHash>
#include <QList>
#include <QPointer>
#include <QRect>
#include <QTimer>
#include <QWidget>
#include <memory>

class QAction;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QSlider;
class CCdlistDoc;
class CCommands;
class CCdlistSet;
class CDatabase;
class CExceptSet;
class CLibraryListCtrl;
class CPrompts;
class CVolumes;
class CWinampRemote;

// The main form: session list, song list, tag fields, search criteria, playlist and
// player controls. It owns the program's state and hands each subsystem what it needs;
// the subsystems' logic lives in their own classes (controllers), which connect
// themselves to the form's actions and controls.
class CCdlistView : public QWidget
{
    Q_OBJECT
public:
    CCdlistView(CCdlistDoc& doc, const SAppServices& services, QWidget* parent = nullptr);
    ~CCdlistView() override;

    // The start-up sequence, once, after the frame is built.
    void OnInitialUpdate();
    // The shutdown sequence: temporary copies, player stop and close.
    void OnDestroy();

    // State shared by the subsystems.
    CCdlistSet& Set() const;
    CDatabase& Database() const;
    CExceptSet& ExceptSet() const { return *m_except; }
    CPrompts& Prompts() const { return *m_services.prompts; }
    CWinampRemote& Winamp() const { return *m_services.winamp; }
    CVolumes& Volumes() const { return *m_services.volumes; }
    const SAppServices& Services() const { return m_services; }
    int SongCount() const { return m_songCount; }
    void SetSongCount(int count);
    qint32 CurrentSong() const { return m_currentSong; }
    void SetCurrentSong(qint32 id) { m_currentSong = id; }

    // Library operations every subsystem uses.
    bool FindSongById(qint64 id);
    void InsertSongRow(int row);  // from the song set's current record
    void RefreshSongRow(int row); // idem
    void RebuildSongListColumns();
    void FillSessionList();
    // Adds a name to the session list, which keeps its names in alphabetical order
    // ignoring letter case.
    void AddSessionEntry(const QString& name);
    // Playlist: appends one entry; the Update Winamp button follows changes.
    void AddPlaylistEntry(const QString& text, qint32 id);
    void SetPlaylistChanged(bool changed);

    // Actions and controls, by their command or control identifier.
    CCommands& Commands() const { return *m_commands; }
    QAction* Action(int id) const;
    QWidget* Control(int id) const { return m_controls.value(id); }
    QListWidget* SessionList() const { return m_sessionList; }
    CLibraryListCtrl* SongList() const { return m_songList; }
    QListWidget* PlaylistBox() const { return m_playlist; }
    QLineEdit* Field(int id) const;
    QComboBox* TagGenre() const { return m_tagGenre; }
    QComboBox* SearchGenre() const { return m_searchGenre; }
    QPushButton* Button(int id) const;
    QSlider* VolumeSlider() const { return m_volume; }
    QProgressBar* PlaybackProgress() const { return m_playbackProgress; }
    QCheckBox* Multisave() const { return m_multisave; }
    QTimer& Timer() { return m_timer; }
    // Set when the user selects a playlist entry; the player poll reads and clears it.
    bool& PlaylistSelectionFlag() { return m_playlistSelected; }

    // Adds a control to the form's table of controls by its identifier.
    void Register(int id, QWidget* control);
    // Records every control's rectangle at the current size (proportional scaling).
    void RecordLayout();
    QSize DesignSize() const { return m_designSize; }

Q_SIGNALS:
    // Every second, from the form's timer.
    void TimerTick();
    // Start-up moments other subsystems hook into.
    void UpgradeRequested(const QString& oldDb); // the user accepted carrying over an old database
    void UpdateCheckRequested();                 // the user accepted the monthly update check

protected:
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    friend class CCdlistViewBuilder;

    CCdlistDoc& m_doc;
    SAppServices m_services;
    std::unique_ptr<CExceptSet> m_except;
    CCommands* m_commands = nullptr;
    int m_songCount = 0;
    qint32 m_currentSong = -1;
    QTimer m_timer;
    bool m_playlistSelected = false;

    QHash<int, QWidget*> m_controls;
    QListWidget* m_sessionList = nullptr;
    CLibraryListCtrl* m_songList = nullptr;
    QListWidget* m_playlist = nullptr;
    QComboBox* m_tagGenre = nullptr;
    QComboBox* m_searchGenre = nullptr;
    QSlider* m_volume = nullptr;
    QProgressBar* m_playbackProgress = nullptr;
    QCheckBox* m_multisave = nullptr;

    QSize m_designSize;
    QSize m_recordedSize;
    QList<QPair<QPointer<QWidget>, QRect>> m_layout;
};
