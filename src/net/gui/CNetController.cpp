#include "net/gui/CNetController.h"

#include "model/CAppServices.h"
#include "net/gui/CFeedbackDialog.h"
#include "net/gui/CUpdateDialog.h"
#include "ui/CommandIds.h"

#include <QAction>

CNetController::CNetController(const SControllerContext& context, QObject* parent)
    : QObject(parent), m_context(context)
{
    setObjectName(QStringLiteral("netController"));
    if (QAction* action = m_context.Action(ID_CHECK_UPDATES))
        connect(action, &QAction::triggered, this, &CNetController::CheckForUpdates);
    if (QAction* action = m_context.Action(ID_SEND_FEEDBACK))
        connect(action, &QAction::triggered, this, &CNetController::SendFeedback);
}

void CNetController::CheckForUpdates()
{
    CUpdateDialog dialog(m_context.services, m_context.window);
    dialog.exec();
}

void CNetController::SubmitNames(const QStringList& names, QWidget* parent)
{
    CFeedbackDialog::ShowNameSubmission(names, m_context.services, parent);
}

void CNetController::SendFeedback()
{
    CFeedbackDialog::ShowFeedback(m_context.services, m_context.window);
}
