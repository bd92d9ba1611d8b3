#pragma once

#include "platform/CSettings.h"

#include <QObject>

class CCdlistView;

// The program's own commands: desktop shortcut, documentation, About box, exit; and
// the word to the user when the settings cannot be saved or a value reads as its default.
class CAppController : public QObject
{
    Q_OBJECT
public:
    explicit CAppController(CCdlistView& view);
    ~CAppController() override;

    void CreateShortcut();
    void OpenDocumentation();
    void ShowAbout();
    void ShowOptions();

private:
    void OnSettingsNotSaved(const QString& message);

    CCdlistView& m_view;
    CSettings::FailureListener m_previousListener;
    CSettings::WarningListener m_previousWarning;
    bool m_toldSettingsNotSaved = false;
};
