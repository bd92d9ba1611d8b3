#include "app/CAppController.h"

#include "app/CAboutDialog.h"
#include "app/CDesktopShortcut.h"
#include "app/options/COptionsCommand.h"
#include "library/CLibraryOperations.h"
#include "model/CAppServices.h"
#include "model/CCdlistDoc.h"
#include "platform/CPrompts.h"
#include "ui/CHelpWindow.h"
#include "ui/CommandIds.h"

#include <QAction>
#include <QTimer>
#include <optional>

CAppController::CAppController(const SControllerContext& context, QObject* parent)
    : QObject(parent), m_context(context)
{
    connect(m_context.Action(ID_CREATE_SHORTCUT), &QAction::triggered, this,
            &CAppController::CreateShortcut);
    connect(m_context.Action(ID_DOCUMENTATION), &QAction::triggered, this,
            &CAppController::OpenDocumentation);
    connect(m_context.Action(ID_APP_ABOUT), &QAction::triggered, this, &CAppController::ShowAbout);
    connect(m_context.Action(ID_OPTIONS), &QAction::triggered, this, &CAppController::ShowOptions);
    connect(m_context.Action(ID_APP_EXIT), &QAction::triggered, this,
            [this] { m_context.window->window()->close(); });
    m_previousListener = CSettings::SetWriteFailureListener(
        [this](const QString& message) { OnSettingsNotSaved(message); });
    // Shown from the event loop, not inside the read: a value may be read halfway through
    // a command, or while a message box is already open.
    m_previousWarning = CSettings::SetReadWarningListener([this](const QString& message) {
        QTimer::singleShot(0, this, [this, message] {
            m_context.services.prompts->Exclaim(message, QStringLiteral("Settings"));
        });
    });
}

CAppController::~CAppController()
{
    CSettings::SetWriteFailureListener(std::move(m_previousListener));
    CSettings::SetReadWarningListener(std::move(m_previousWarning));
}

void CAppController::OnSettingsNotSaved(const QString& message)
{
    // Told once per run: the crash marker alone is written twice for every file scanned.
    // Set before the message box, whose event loop may write settings again.
    if (m_toldSettingsNotSaved)
        return;
    m_toldSettingsNotSaved = true;
    m_context.services.prompts->Exclaim(
        message + QStringLiteral("\n\nCratewise goes on, but what cannot be saved is lost when "
                                 "it ends. Further failures to save are not reported."),
        QStringLiteral("Settings not saved"));
}

void CAppController::CreateShortcut()
{
    CDesktopShortcut::Offer(*m_context.services.prompts, m_context.services);
}

void CAppController::OpenDocumentation()
{
    // The manual inside the program: no desktop program or file association is needed.
    if (!m_help)
        m_help = new CHelpWindow(m_context.window);
    m_help->show();
    m_help->raise();
    m_help->activateWindow();
}

void CAppController::ShowOptions()
{
    CDatabase& db = m_context.doc.Database();
    std::optional<bool> accents;
    if (db.IsOpen()) {
        db.ReadFolding();
        accents = db.Folding().Accents();
    }
    bool ignoreAccents = accents.value_or(false);
    CLibraryOperations library(m_context.doc, m_context.services);
    bool reset = false;
    if (COptionsCommand::Run(m_context.window, *m_context.services.prompts,
                             *m_context.services.volumes, accents ? &ignoreAccents : nullptr,
                             &reset))
        library.RebuildColumns();
    if (reset)
        m_context.doc.Tell(QStringLiteral("Restored the default options."));
    if (accents && ignoreAccents != *accents)
        library.SetIgnoreAccents(ignoreAccents);
}

void CAppController::ShowAbout()
{
    CAboutDialog about(m_context.window, m_context.services.prompts);
    about.exec();
}
