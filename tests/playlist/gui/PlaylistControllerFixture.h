#pragma once

#include "playlist/PlaylistFixture.h"
#include "playlist/gui/CPlaylistController.h"
#include "ui/CActionTable.h"
#include "ui/CommandIds.h"

#include <QAction>
#include <QListView>
#include <QWidget>

// The playlist controller over the document fixture, with the form's actions and its
// session list but no main window, so that the tests choose the mounts.
class PlaylistControllerFixture : public PlaylistFixture
{
protected:
    PlaylistControllerFixture()
    {
        sessions->setModel(&f.doc.Sessions());
        controls.Add(IDC_SESSIONS, sessions);
        new CPlaylistController(context, &window);
    }
    void Trigger(int id) { actions->Action(id)->trigger(); }

    QWidget window;
    CActionTable* actions = new CActionTable(&window);
    QListView* sessions = new QListView(&window);
    CControls controls;
    SControllerContext context{f.doc, f.services, *actions, controls, &window};
};
