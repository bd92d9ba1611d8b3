#include "upgrade/gui/CUpgradeController.h"

#include "model/CAppServices.h"
#include "platform/CPrompts.h"
#include "platform/CSettings.h"
#include "ui/CommandIds.h"
#include "upgrade/CUpgrade.h"

#include <QAction>

CUpgradeController::CUpgradeController(const SControllerContext& context, QObject* parent)
    : QObject(parent), m_context(context)
{
    setObjectName(QStringLiteral("upgradeController"));
    if (QAction* action = m_context.Action(ID_IMPORT_PREVIOUS))
        connect(action, &QAction::triggered, this, &CUpgradeController::ImportPrevious);
}

void CUpgradeController::ImportPrevious()
{
    const QString file = m_context.services.prompts->OpenFile(
        {QStringLiteral("Select Database"), QStringLiteral("mdb"),
         QStringLiteral("Access Database files (*.mdb)|*.mdb|All Files (*.*)|*.*||"),
         m_context.services.dataDir});
    if (file.isEmpty())
        return;
    UpgradeFile(file);
    CUpgrade::MarkDone();
}

void CUpgradeController::UpgradeFile(const QString& oldDb)
{
    CUpgrade(m_context.doc, m_context.services).Upgrade(oldDb);
}
