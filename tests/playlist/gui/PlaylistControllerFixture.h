#pragma once

#include "playlist/PlaylistFixture.h"
#include "playlist/gui/CPlaylistController.h"
#include "ui/CActionTable.h"
#include "ui/CommandIds.h"

#include <QAction>
#include <QWidget>

// The playlist controller over the document fixture, with the form's actions but no main
// window, so that the tests choose the mounts.
class PlaylistControllerFixture : public PlaylistFixture
{
protected:
    PlaylistControllerFixture() { new CPlaylistController(context, {}, &window); }
    void Trigger(int id) { actions->Action(id)->trigger(); }

    QWidget window;
    CActionTable* actions = new CActionTable(&window);
    SControllerContext context{f.doc, f.services, *actions, &window};
};
