#pragma once

#include "ui/CControllerContext.h"

#include <QObject>
#include <QStringList>

// The Help menu's Internet commands: Check for Updates and Send Feedback or Bug Report.
class CNetController : public QObject
{
    Q_OBJECT
public:
    CNetController(const SControllerContext& context, QObject* parent);

    void CheckForUpdates();
    void SendFeedback();
    // The form "Submit Name(s) With Leading Digits" over the dialog that asked for it.
    void SubmitNames(const QStringList& names, QWidget* parent);

private:
    SControllerContext m_context;
};
