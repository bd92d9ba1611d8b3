#pragma once

#include "db/CCdlistSet.h"
#include "library/gui/CLibraryListCtrl.h"
#include "playback/CWinampRemote.h"
#include "playlist/CPlaylistHost.h"
#include "playlist/gui/CPlaylistController.h"
#include "support/CScriptedPrompts.h"
#include "support/CTestEnvironment.h"
#include "ui/CommandIds.h"

#include <QAction>
#include <QHash>
#include <QListWidget>
#include <QWidget>
#include <gtest/gtest.h>

// A Winamp that only counts what it is told.
class CCountingWinamp : public CNoWinampRemote
{
public:
    void Command(ECommand command) override { commands.append(command); }
    QList<int> commands;
};

// The main form as far as the playlist commands see it: real widgets, scripted prompts.
class CTestPlaylistHost : public CPlaylistHost
{
public:
    CTestPlaylistHost(CCdlistSet& set, CPrompts& prompts) : m_set(set), m_prompts(prompts)
    {
        playlist = new QListWidget(&window);
        songs = new CLibraryListCtrl(&window);
        sessions = new QListWidget(&window);
        songs->RebuildColumns();
        for (int id : {ID_ADD_TO_PLAYLIST, ID_REMOVE_FROM_PLAYLIST, ID_ADD_ALL, ID_CLEAR_PLAYLIST,
                       ID_EXPORT_M3U, ID_LOAD_PLAYLIST, ID_IMPORT_M3U, ID_RANDOM, ID_COPY_FILES,
                       ID_UPDATE_WINAMP})
            actions.insert(id, new QAction(&window));
        // As the form does: any change of selection counts as the user's.
        QObject::connect(playlist, &QListWidget::itemSelectionChanged,
                         [this] { playlistSelected = true; });
    }

    QWidget* Window() override { return &window; }
    CCdlistSet& Set() override { return m_set; }
    CPrompts& Prompts() override { return m_prompts; }
    CVolumes& Volumes() override { throw std::logic_error("no volumes in tests"); }
    CWinampRemote& Winamp() override { return winamp; }
    QListWidget* PlaylistBox() override { return playlist; }
    CLibraryListCtrl* SongList() override { return songs; }
    QListWidget* SessionList() override { return sessions; }
    QAction* Action(int id) override { return actions.value(id); }
    int SongCount() override { return int(m_set.CountAll()); }
    void SetSongCount(int count) override { songCount = count; }
    void InsertSongRow(int row) override { songs->InsertSongRow(row, m_set); }
    void AddPlaylistEntry(const QString& text, qint32 id) override
    {
        auto* item = new QListWidgetItem(text, playlist);
        item->setData(Qt::UserRole, id);
    }
    void SetPlaylistChanged(bool changed) override { updateEnabled = changed; }
    bool& PlaylistSelectionFlag() override { return playlistSelected; }
    void FillSessionList() override { ++sessionListFills; }
    QString AskSessionName() override { return sessionName; }
    QString LocateForCopy(const QString& path, const QString&) override
    {
        return locatable ? path : QString();
    }
    SImportTools ImportTools() override { return importTools; }

    QWidget window;
    QListWidget* playlist;
    CLibraryListCtrl* songs;
    QListWidget* sessions;
    QHash<int, QAction*> actions;
    CCountingWinamp winamp;
    bool updateEnabled = false;
    bool playlistSelected = false;
    int songCount = -1;
    int sessionListFills = 0;
    QString sessionName;
    bool locatable = true;
    SImportTools importTools;

private:
    CCdlistSet& m_set;
    CPrompts& m_prompts;
};

class PlaylistFixture : public ::testing::Test
{
protected:
    PlaylistFixture()
    {
        db.Open(env.DatabasePath());
        set.Open(db);
        auto owned = std::make_unique<CTestPlaylistHost>(set, prompts);
        host = owned.get();
        controller = std::make_unique<CPlaylistController>(std::move(owned), nullptr);
    }

    qint32 AddSong(const QString& cd, const QString& folder, const QString& file,
                   const QString& duration = QString(), const QString& genre = QString())
    {
        set.AddNew();
        set.m_CD = cd;
        set.m_PATH = folder;
        set.m_MELODI = file;
        set.m_LIST = file.left(file.size() - 4);
        set.m_DURATION = duration;
        set.m_GENRE = genre;
        set.Update();
        return set.m_ID;
    }
    void AddEntry(qint32 id) { host->AddPlaylistEntry(QString::number(id), id); }
    QStringList PlaylistTexts() const
    {
        QStringList texts;
        for (int i = 0; i < host->playlist->count(); ++i)
            texts << host->playlist->item(i)->text();
        return texts;
    }
    QList<qint32> SongListIds() const
    {
        QList<qint32> ids;
        for (int row = 0; row < host->songs->RowCount(); ++row)
            ids << host->songs->ItemData(row);
        return ids;
    }
    // The set must be back to unfiltered and sorted by ID after every command.
    void ExpectSetRestored()
    {
        EXPECT_TRUE(set.Filter().IsEmpty());
        EXPECT_EQ(set.Sort(), ESongColumn::ID);
    }

    CTestEnvironment env;
    CDatabase db;
    CCdlistSet set;
    CScriptedPrompts prompts;
    CTestPlaylistHost* host = nullptr;
    std::unique_ptr<CPlaylistController> controller;
};
