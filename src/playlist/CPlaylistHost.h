#pragma once

#include "playlist/CPlaylistImporter.h"

#include <QString>

class CCdlistSet;
class CLibraryListCtrl;
class CPrompts;
class CVolumes;
class CWinampRemote;
class QAction;
class QListWidget;
class QWidget;

// What the playlist commands need from the main form. The form implements it through
// CPlaylistController(CCdlistView&); tests give real widgets and scripted prompts.
class CPlaylistHost
{
public:
    virtual ~CPlaylistHost() = default;

    virtual QWidget* Window() = 0;
    virtual CCdlistSet& Set() = 0;
    virtual CPrompts& Prompts() = 0;
    virtual CVolumes& Volumes() = 0;
    virtual CWinampRemote& Winamp() = 0;
    virtual QListWidget* PlaylistBox() = 0;
    virtual CLibraryListCtrl* SongList() = 0;
    virtual QListWidget* SessionList() = 0;
    // The command's action (menu, button and accelerator share it); null when absent.
    virtual QAction* Action(int id) = 0;

    virtual int SongCount() = 0;
    virtual void SetSongCount(int count) = 0;
    virtual void InsertSongRow(int row) = 0; // from the set's current record
    virtual void AddPlaylistEntry(const QString& text, qint32 id) = 0;
    virtual void SetPlaylistChanged(bool changed) = 0;
    // Set whenever the user selects a playlist entry; the player reads and clears it.
    virtual bool& PlaylistSelectionFlag() = 0;
    virtual void FillSessionList() = 0;

    // The session-name question; empty when cancelled.
    virtual QString AskSessionName() = 0;
    // The file's path now, asking for its disc when needed; empty when the user gave up.
    virtual QString LocateForCopy(const QString& path, const QString& session) = 0;
    // Tag reader, naming rules, decoder and drive search for a playlist import.
    virtual SImportTools ImportTools() = 0;
};
