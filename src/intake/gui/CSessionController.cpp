#include "intake/gui/CSessionController.h"

#include "intake/CSessionOperations.h"
#include "intake/CSessionTexts.h"
#include "intake/gui/CExcludedNamesDialog.h"
#include "intake/gui/CNewSessionDialog.h"
#include "intake/gui/CSessionNameDialog.h"
#include "model/CAppServices.h"
#include "model/CCdlistDoc.h"
#include "platform/CPrompts.h"
#include "ui/CommandIds.h"

#include <QAction>
#include <QListView>

CSessionController::CSessionController(const SControllerContext& context, QObject* parent)
    : QObject(parent), m_context(context)
{
    setObjectName(QStringLiteral("sessionController"));
    const auto on = [this](int id, void (CSessionController::*handler)()) {
        if (QAction* action = m_context.Action(id))
            connect(action, &QAction::triggered, this, handler);
    };
    on(ID_NEW_SESSION, &CSessionController::NewSession);
    on(ID_DELETE_SESSION, &CSessionController::DeleteSession);
    on(ID_RENAME_SESSION, &CSessionController::RenameSession);
    on(ID_UPDATE_SESSION, &CSessionController::UpdateSession);
    on(ID_EXCLUDED_NAMES, &CSessionController::ShowExcludedNames);
}

void CSessionController::NewSession()
{
    CNewSessionDialog dialog(*m_context.services.prompts, m_context.window);
    // Cancel abandons the scan, also after a folder was chosen.
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QString name = dialog.SessionName();
    const CSessionOperations::SResult result =
        CSessionOperations(m_context.doc, m_context.services).AddSession(name, dialog.Path());
    if (result.outcome == CSessionOperations::EOutcome::Done)
        ShowSession(name);
    ReportSkipped(result);
}

void CSessionController::ShowSession(const QString& name)
{
    auto* list = m_context.controls.Get<QListView>(IDC_SESSIONS);
    const int row = m_context.doc.Sessions().Row(name);
    if (!list || row < 0)
        return;
    // Cleared first, so that a session highlighted already is listed as well.
    list->clearSelection();
    list->setCurrentIndex(m_context.doc.Sessions().index(row));
}

void CSessionController::DeleteSession()
{
    CSessionOperations(m_context.doc, m_context.services)
        .DeleteSession(m_context.SelectedSession());
}

void CSessionController::RenameSession()
{
    const std::optional<QString> name = m_context.SelectedSession();
    if (!name)
        return;
    CSessionNameDialog dialog(*m_context.services.prompts, m_context.window);
    dialog.SetSessionName(*name);
    if (dialog.exec() != QDialog::Accepted)
        return;
    CSessionOperations(m_context.doc, m_context.services)
        .RenameSession(*name, dialog.SessionName());
}

void CSessionController::UpdateSession()
{
    ReportSkipped(CSessionOperations(m_context.doc, m_context.services)
                      .UpdateSession(m_context.SelectedSession()));
}

void CSessionController::ReportSkipped(const CSessionOperations::SResult& result)
{
    if (!result.cancelNote.isEmpty())
        m_context.services.prompts->Inform(result.cancelNote, QStringLiteral("Cancelled"));
    // The count alone would hide which songs are missing from the session.
    if (result.skipped.isEmpty())
        return;
    m_context.services.prompts->Message(
        CSessionTexts::SkippedText(result.skipped, result.found, result.stored),
        QStringLiteral("Files skipped"), CPrompts::EIcon::Exclamation, CPrompts::EButtons::Ok);
}

void CSessionController::ShowExcludedNames()
{
    CExcludedNamesDialog dialog(m_context.doc.ExceptSet(), *m_context.services.prompts,
                                m_context.window);
    connect(
        &dialog, &CExcludedNamesDialog::SubmitNamesRequested, this,
        [this, &dialog](const QStringList& names) { Q_EMIT SubmitNamesRequested(names, &dialog); });
    dialog.exec();
}
