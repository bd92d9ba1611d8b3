#include "net/CFeedbackMail.h"

#include "net/CMailMessage.h"
#include "net/CNetTexts.h"
#include "net/CSmtpConnection.h"
#include "platform/CPasswordStore.h"
#include "platform/CSettings.h"

namespace {

// Mail programs and the desktop's handlers take addresses of a few ten thousand bytes.
constexpr qsizetype kMaxMailtoBytes = 32 * 1024;

// The keyring's name for the password: one per user and server.
QString Account()
{
    return CFeedbackMail::User() + u'@' + CSettings::String(ESetting::MailServer);
}

} // namespace

QString CFeedbackMail::SupportAddress()
{
    return CSettings::String(ESetting::SupportAddress);
}

QString CFeedbackMail::User()
{
    return CSettings::String(ESetting::MailUser);
}

QString CFeedbackMail::Body(const QString& name, const QString& message)
{
    return QStringLiteral("Cratewise version " CRATEWISE_VERSION "\nName: ") + name +
           QStringLiteral("\nMessage: ") + message;
}

CFeedbackMail::SResult CFeedbackMail::Send(const QString& name, const QString& email,
                                           const QString& message, const QString& subject,
                                           const QString& password, CNetCancel* cancel)
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
    connection.SetSecurity(CSmtpConnection::ESecurity(CSettings::Int(ESetting::MailSecurity)));
    connection.SetSignIn(User(), password);
    connection.SetCancel(cancel);
    // The connection says goodbye when it goes out of scope after a failed step.
    if (!connection.Connect() || !connection.SendMail(mail) || !connection.Disconnect())
        return {false, connection.LastErrorText()};
    return {true, {}};
}

CFeedbackMail::SPassword CFeedbackMail::KeptPassword(CPasswordStore* store)
{
    if (!store)
        return {false, {}, CNetTexts::NoKeyring()};
    const CPasswordStore::SRead read = store->Read(Account());
    if (!read.error.isEmpty())
        return {false, {}, read.error};
    if (!read.found)
        return {
            false, {}, CNetTexts::NoPasswordKept(User(), CSettings::String(ESetting::MailServer))};
    return {true, read.password, {}};
}

QString CFeedbackMail::KeepPassword(CPasswordStore* store, const QString& password)
{
    return store ? store->Write(Account(), password) : CNetTexts::NoKeyring();
}

QUrl CFeedbackMail::MailProgramAddress(const QString& name, const QString& message,
                                       const QString& subject)
{
    // Line breaks as CR LF, every reserved character encoded: a "&" or "?" of the text
    // must not start a field of its own.
    QString body = Body(name, message);
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    body.replace(u'\n', QStringLiteral("\r\n"));
    const QByteArray address = "mailto:" + QUrl::toPercentEncoding(SupportAddress(), "@") +
                               "?subject=" + QUrl::toPercentEncoding(subject) +
                               "&body=" + QUrl::toPercentEncoding(body);
    if (address.size() > kMaxMailtoBytes)
        return {};
    return QUrl::fromEncoded(address, QUrl::StrictMode);
}
