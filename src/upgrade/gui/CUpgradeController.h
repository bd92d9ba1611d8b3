#pragma once

#include "ui/CControllerContext.h"

#include <QObject>

// File > Import > From previous version, and the carrying over that start-up offers.
class CUpgradeController : public QObject
{
    Q_OBJECT
public:
    CUpgradeController(const SControllerContext& context, QObject* parent);

    // Asks for an older database and carries its songs over.
    void ImportPrevious();
    // Carries over the older database start-up found (start-up records the offer itself).
    void UpgradeFile(const QString& oldDb);

private:
    SControllerContext m_context;
};
