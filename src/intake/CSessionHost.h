#pragma once

#include <QString>
#include <memory>
#include <optional>

class CProgress;
class QWidget;

// What the session commands need from the main window (or from the command line, which
// plays the window's part without one). Implemented by the main view.
class CSessionHost
{
public:
    virtual ~CSessionHost() = default;

    // The session list: number of entries, the selected entry's name (none when nothing
    // is selected), whether a name is listed, adding an entry, removing the selected one.
    virtual int SessionEntryCount() const = 0;
    virtual std::optional<QString> SelectedSession() const = 0;
    virtual bool HasSessionEntry(const QString& name) const = 0;
    virtual void AddSessionEntry(const QString& name) = 0;
    virtual void RemoveSelectedSessionEntry() = 0;

    // The song count shown on the form.
    virtual qint64 SongCount() const = 0;
    virtual void AdjustSongCount(qint64 delta) = 0;

    // Empties the playlist box, empties the song list, redraws the form's fields.
    virtual void ClearPlaylist() = 0;
    virtual void ClearSongList() = 0;
    virtual void RefreshFields() = 0;

    // A progress display for one scan (the progress window; a bar on stderr).
    virtual std::unique_ptr<CProgress> CreateProgress(const QString& caption, int lines,
                                                      int width) = 0;
    // The owner of the commands' dialogs; null on the command line.
    virtual QWidget* DialogParent() = 0;
};
