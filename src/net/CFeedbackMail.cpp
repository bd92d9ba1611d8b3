#include "net/CFeedbackMail.h"

#include "net/CMailMessage.h"
#include "net/CSmtpConnection.h"
#include "platform/CSettings.h"

QString CFeedbackMail::SupportAddress()
{
    return CSettings::String(ESetting::SupportAddress);
}

QString CFeedbackMail::Body(const QString& name, const QString& message)
{
    return QStringLiteral("Cratewise version " CRATEWISE_VERSION "\nName: ") + name +
           QStringLiteral("\nMessage: ") + message;
}

CFeedbackMail::SResult CFeedbackMail::Send(const QString& name, const QString& email,
                                           const QString& message, const QString& subject,
                                           CNetCancel* cancel)
{
    CMailMessage mail;
    mail.m_from = email.isEmpty() ? SupportAddress() : email;
    mail.AddRecipient(SupportAddress());
    mail.m_subject = subject;
    mail.m_body = Body(name, message);
    // Refused before the server is even reached.
    if (const QString problem = mail.UnsafeField(); !problem.isEmpty())
        return {false, problem};
    CSmtpConnection connection(CSettings::String(ESetting::MailServer),
                               CSettings::Int(ESetting::MailPort));
    connection.SetCancel(cancel);
    // The connection says goodbye when it goes out of scope after a failed step.
    if (!connection.Connect() || !connection.SendMail(mail) || !connection.Disconnect())
        return {false, connection.LastErrorText()};
    return {true, {}};
}
