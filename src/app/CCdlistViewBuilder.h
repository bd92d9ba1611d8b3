#pragma once

#include <functional>

class CCdlistDoc;
class QAction;
class QWidget;

// What the builder fills: the form its controls are children of, the document whose models
// they show, the form's actions, and where each control is registered by its identifier.
struct SFormTarget
{
    QWidget& form;
    CCdlistDoc& doc;
    std::function<QAction*(int id)> action;
    std::function<void(int id, QWidget* control)> registerControl;
};

// Builds the main form's controls at their design positions. Every control is a direct
// child of the form (group boxes are frames behind their controls), so that resizing
// scales each one proportionally.
class CCdlistViewBuilder
{
public:
    static void Build(const SFormTarget& target);
};
