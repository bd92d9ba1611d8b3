#include "app/CCdlistView.h"
#include "app/CommandIds.h"
#include "library/CLibraryController.h"

#include <QAbstractButton>
#include <QPushButton>

// Kept apart from the controller's logic, so that tests can build the controller from
// bare widgets without the main form.
SLibraryParts SLibraryParts::FromView(CCdlistView& view)
{
    SLibraryParts p;
    p.set = &view.Set();
    p.prompts = &view.Prompts();
    p.sessions = view.SessionList();
    p.songs = view.SongList();
    p.title = view.Field(1019);
    p.artist = view.Field(1033);
    p.album = view.Field(1034);
    p.year = view.Field(1035);
    p.genre = view.TagGenre();
    p.lyrics = view.Button(ID_VIEW_LYRICS);
    p.deleteFile = view.Action(ID_DELETE_SELECTED_FILE);
    p.updateWinamp = view.Action(ID_UPDATE_WINAMP);
    p.songCount = [&view] { return view.SongCount(); };
    p.setSongCount = [&view](int count) { view.SetSongCount(count); };
    p.currentSong = [&view] { return view.CurrentSong(); };
    p.setCurrentSong = [&view](qint32 id) { view.SetCurrentSong(id); };
    p.addPlaylistEntry = [&view](const QString& text, qint32 id) {
        view.AddPlaylistEntry(text, id);
    };
    p.setPlaylistChanged = [&view](bool changed) { view.SetPlaylistChanged(changed); };
    return p;
}

CLibraryController::CLibraryController(CCdlistView* view)
    : CLibraryController(SLibraryParts::FromView(*view), view)
{}
