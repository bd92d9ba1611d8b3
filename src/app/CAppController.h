#pragma once

#include <QObject>

class CCdlistView;

// The program's own commands: desktop shortcut, documentation, About box, exit.
class CAppController : public QObject
{
    Q_OBJECT
public:
    explicit CAppController(CCdlistView& view);

    void CreateShortcut();
    void OpenDocumentation();
    void ShowAbout();
    void ShowOptions();

private:
    CCdlistView& m_view;
};
