#pragma once

#include <QString>

class CNetCancel;

// The feedback mail to the product's support mailbox: the server, port and address come
// from the settings "MailServer", "MailPort" and "SupportAddress".
namespace CFeedbackMail {

struct SResult
{
    bool sent = false;
    QString error; // the connection's last error text when not sent
};

QString SupportAddress();
// The body as the support mailbox expects it: version, name, message.
QString Body(const QString& name, const QString& message);
// Connects, sends and says goodbye; the first step that fails ends it with its error.
// With `cancel` the user may stop it.
SResult Send(const QString& name, const QString& email, const QString& message,
             const QString& subject, CNetCancel* cancel = nullptr);

} // namespace CFeedbackMail
