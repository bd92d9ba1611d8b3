#pragma once

#include <QString>
#include <QUrl>

class CNetCancel;
class CPasswordStore;

// The feedback mail to the product's support mailbox: the server, port, encryption,
// sign-in name and address come from the settings "MailServer", "MailPort",
// "MailSecurity", "MailUser" and "SupportAddress"; the password from the desktop keyring,
// a field or a file, never from the settings.
namespace CFeedbackMail {

struct SResult
{
    bool sent = false;
    QString error; // the connection's last error text when not sent
};

struct SPassword
{
    bool found = false;
    QString password;
    QString error; // why there is none: none kept, or the keyring cannot be asked
};

QString SupportAddress();
// The body as the support mailbox expects it: version, name, message.
QString Body(const QString& name, const QString& message);
// Connects, signs in when "MailUser" names someone, sends and says goodbye; the first step
// that fails ends it with its error. With `cancel` the user may stop it.
SResult Send(const QString& name, const QString& email, const QString& message,
             const QString& subject, const QString& password, CNetCancel* cancel = nullptr);

// The sign-in name; empty when the server takes mail without one.
QString User();
// The password the keyring keeps for the user at the server; `store` may be null (no
// keyring at all).
SPassword KeptPassword(CPasswordStore* store);
// Keeps the password for the next mail; why not when it could not.
QString KeepPassword(CPasswordStore* store, const QString& password);

// The same mail as a "mailto:" address, for the user's own mail program; empty when the
// text is too long for one.
QUrl MailProgramAddress(const QString& name, const QString& message, const QString& subject);

} // namespace CFeedbackMail
