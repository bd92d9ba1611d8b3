#pragma once

#include "model/CAppServices.h"
#include "ui/CActionTable.h"
#include "ui/CDelayedSave.h"
#include "ui/ControlIds.h"

#include <QList>
#include <QPointer>
#include <QTimer>
#include <QWidget>

class QAction;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QListView;
class QProgressBar;
class QPushButton;
class QSlider;
class CCdlistDoc;
class CLibraryListCtrl;
class CPrompts;
class CVolumes;
class CWinampRemote;
struct SEditingControls;
struct SSearchControls;

// The main form: session list, song list, tag fields, search criteria, playlist and
// player controls. It builds the widgets, shows the document's models in them and hands
// each controller the document, the services, the actions and its own controls.
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

    CCdlistDoc& Doc() const { return m_doc; }
    const SAppServices& Services() const { return m_services; }
    CPrompts& Prompts() const { return *m_services.prompts; }
    CWinampRemote& Winamp() const { return *m_services.winamp; }
    CVolumes& Volumes() const { return *m_services.volumes; }

    // Actions and controls, by their command or control identifier.
    CActionTable& Actions() const { return *m_actions; }
    QAction* Action(int id) const;
    QWidget* Control(int id) const { return m_controls.Get(id); }
    const CControls& Controls() const { return m_controls; }
    QListView* SessionList() const;
    CLibraryListCtrl* SongList() const;
    QListView* PlaylistBox() const;
    QLineEdit* Field(int id) const;
    QComboBox* TagGenre() const;
    QComboBox* SearchGenre() const;
    QPushButton* Button(int id) const;
    QSlider* VolumeSlider() const;
    QProgressBar* PlaybackProgress() const;
    QCheckBox* Multisave() const;
    QTimer& Timer() { return m_timer; }

    // Adds a control to the form's table of controls by its identifier.
    void Register(int id, QWidget* control);
    // The panes' sizes and the song list's columns as the user left them last time, and
    // keeping them for the next start.
    void RestoreLayout();
    void SaveLayout();
    void SaveSplitters();

Q_SIGNALS:
    // Every second, from the form's timer.
    void TimerTick();
    // Start-up moments other subsystems hook into.
    void UpgradeRequested(const QString& oldDb); // the user accepted carrying over an old database
    void UpdateCheckRequested();                 // the user accepted the monthly update check

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void ConnectModels();
    // Creates the controllers, each given its own controls.
    void WireControllers();
    SEditingControls EditingControls() const;
    SSearchControls SearchControls() const;
    // While a job runs, every command and control that reads or changes the catalogue
    // or its selection is disabled, and the wait cursor shows.
    void OnBusyChanged(bool busy);

    CCdlistDoc& m_doc;
    SAppServices m_services;
    CActionTable* m_actions = nullptr;
    CControls m_controls;
    QTimer m_timer;
    CDelayedSave m_splittersDue{[this] { SaveSplitters(); }};
    // What a job disabled, to be enabled again afterwards.
    QList<QPointer<QObject>> m_disabled;
    // Where the keyboard was when a job began: a button disabled meanwhile loses it.
    QPointer<QWidget> m_focusBefore;
    bool m_layoutRestored = false;
};
