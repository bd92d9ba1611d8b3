#pragma once

#include "ui/CActionTable.h"

class CCdlistDoc;
class QAction;
class QWidget;
struct SAppServices;

// What every controller of the main form shares: the document, the services, the action
// table and the window for its dialogs. Each controller is given its own widgets beside
// this (S<Feature>Controls); what another controller's widgets show, it reads from the
// document.
struct SControllerContext
{
    CCdlistDoc& doc;
    const SAppServices& services;
    const CActionTable& actions;
    QWidget* window = nullptr;

    QAction* Action(int id) const { return actions.Action(id); }
};
