#pragma once

#include "ui/CActionTable.h"
#include "ui/ControlIds.h"

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
};
