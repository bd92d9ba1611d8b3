#pragma once

#include "ui/CActionTable.h"
#include "ui/ControlIds.h"

#include <QList>
#include <QString>
#include <optional>

class CCdlistDoc;
class QAction;
struct SAppServices;

// What every controller of the main form is given: the document, the services, the
// action table and the form's controls by identifier.
struct SControllerContext
{
    CCdlistDoc& doc;
    const SAppServices& services;
    const CActionTable& actions;
    const CControls& controls;
    QWidget* window = nullptr;

    QAction* Action(int id) const { return actions.Action(id); }
    // The session highlighted in the session list; none when nothing is.
    std::optional<QString> SelectedSession() const;
    // The selected rows of the song list in list order, and their songs' IDs.
    QList<int> SelectedSongRows() const;
    QList<qint64> SelectedSongIds() const;
    // The first selected playlist entry; -1 when none is.
    int SelectedPlaylistEntry() const;
};
