#include "app/CCdlistView.h"
#include "app/CommandIds.h"
#include "library/CSearchController.h"

// Apart from the controller's logic, so that tests build it without the main form.
SSearchParts SSearchParts::FromView(CCdlistView& view)
{
    SSearchParts p;
    p.set = &view.Set();
    p.prompts = &view.Prompts();
    p.songs = view.SongList();
    p.all = view.Field(1182);
    p.title = view.Field(1067);
    p.artist = view.Field(1068);
    p.album = view.Field(1069);
    p.file = view.Field(1070);
    p.genre = view.SearchGenre();
    p.search = view.Action(ID_SEARCH);
    p.addPlaylistEntry = [&view](const QString& text, qint32 id) {
        view.AddPlaylistEntry(text, id);
    };
    p.setPlaylistChanged = [&view](bool changed) { view.SetPlaylistChanged(changed); };
    return p;
}

CSearchController::CSearchController(CCdlistView* view)
    : CSearchController(SSearchParts::FromView(*view), view)
{}
