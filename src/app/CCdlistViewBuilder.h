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

// Builds the main form: three panes side by side between splitters (sessions; the song
// list above the tag fields; search, playlist and player), the commands below them.
// Layouts place the controls: labels and buttons keep the room their texts need, and the
// room the window gains goes to the song list.
class CCdlistViewBuilder
{
public:
    static void Build(const SFormTarget& target);
};
