#pragma once

#include "ui/CControllerContext.h"

#include <QObject>

// The Help menu's Internet commands: Check for updates and Send Feedback / Bug report.
class CNetController : public QObject
{
    Q_OBJECT
public:
    CNetController(const SControllerContext& context, QObject* parent);

    void CheckForUpdates();
    void SendFeedback();

private:
    SControllerContext m_context;
};
