#pragma once

#include "platform/CSettings.h"
#include "ui/CControllerContext.h"

#include <QObject>
#include <QPointer>

class CHelpWindow;

// The program's own commands: desktop shortcut, the manual (F1), About box, exit; and
// the word to the user when the settings cannot be saved or a value reads as its default.
class CAppController : public QObject
{
    Q_OBJECT
public:
    CAppController(const SControllerContext& context, QObject* parent);
    ~CAppController() override;

    void CreateShortcut();
    void OpenDocumentation();
    void ShowAbout();
    void ShowOptions();

private:
    void OnSettingsNotSaved(const QString& message);

    SControllerContext m_context;
    CSettings::FailureListener m_previousListener;
    CSettings::WarningListener m_previousWarning;
    bool m_toldSettingsNotSaved = false;
    QPointer<CHelpWindow> m_help; // kept while the window lives: F1 shows it again
};
