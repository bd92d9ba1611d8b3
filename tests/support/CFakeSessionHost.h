#pragma once

#include "intake/CSessionHost.h"
#include "playback/CWinampRemote.h"
#include "support/CRecordingProgress.h"

#include <QList>
#include <QStringList>

// The main window's side of the session commands, recorded for tests.
class CFakeSessionHost : public CSessionHost
{
public:
    QStringList entries;
    int selected = -1;
    qint64 songCount = 0;
    int playlistClears = 0;
    int songListClears = 0;
    int refreshes = 0;
    // Every progress the commands make reports here; set cancelAfterSteps beforehand.
    CRecordingProgress progress;
    int progressesMade = 0;

    int SessionEntryCount() const override { return int(entries.size()); }
    std::optional<QString> SelectedSession() const override
    {
        if (selected < 0 || selected >= entries.size())
            return std::nullopt;
        return entries.at(selected);
    }
    bool HasSessionEntry(const QString& name) const override { return entries.contains(name); }
    void AddSessionEntry(const QString& name) override { entries.append(name); }
    void RemoveSelectedSessionEntry() override
    {
        if (SelectedSession())
            entries.removeAt(selected);
        selected = -1;
    }
    void Select(const QString& name) { selected = int(entries.indexOf(name)); }
    qint64 SongCount() const override { return songCount; }
    void AdjustSongCount(qint64 delta) override { songCount += delta; }
    void ClearPlaylist() override { ++playlistClears; }
    void ClearSongList() override { ++songListClears; }
    void RefreshFields() override { ++refreshes; }
    std::unique_ptr<CProgress> CreateProgress(const QString& caption, int lines, int width) override
    {
        ++progressesMade;
        progress.caption = caption;
        progress.lines = lines;
        progress.width = width;
        return std::make_unique<CForward>(progress);
    }
    QWidget* DialogParent() override { return nullptr; }

private:
    struct CForward : CProgress
    {
        explicit CForward(CProgress& to) : p(to) {}
        void SetRange(int l, int u, int s) override { p.SetRange(l, u, s); }
        void SetMessage(const QString& m) override { p.SetMessage(m); }
        int Step() override { return p.Step(); }
        void SetPos(int pos) override { p.SetPos(pos); }
        bool Pump(bool e) override { return p.Pump(e); }
        bool IsCancelled() const override { return p.IsCancelled(); }
        void Hide() override { p.Hide(); }
        void Show() override { p.Show(); }
        CProgress& p;
    };
};

// An external player that only records the commands it is sent.
class CRecordingWinamp : public CNoWinampRemote
{
public:
    QList<ECommand> commands;
    void Command(ECommand command) override { commands.append(command); }
};
