#pragma once

#include <QString>

// Messages of the mail and update commands, shown in the window and printed on the
// command line.
namespace CNetTexts {
inline QString FeedbackCaption()
{
    return QStringLiteral("Send Feedback/Bug Report");
}
inline QString FeedbackSubject()
{
    return QStringLiteral("Cratewise - Feedback");
}
inline QString NamesCaption()
{
    return QStringLiteral("Submit Name(s) With Leading Digits");
}
inline QString NamesSubject()
{
    return QStringLiteral("Cratewise - Excluded");
}
inline QString ConnectReminder()
{
    return QStringLiteral("Please make sure that you\nare connected to the Internet.");
}
// The reminder with the server the mail goes through.
inline QString ConnectReminder(const QString& host, int port)
{
    return ConnectReminder() + QStringLiteral("\n\nThe mail goes to %1, port %2 (the settings "
                                              "MailServer and MailPort).")
                                   .arg(host)
                                   .arg(port);
}
inline QString NoConnection(const QString& host, int port, const QString& reason)
{
    return QStringLiteral("Unable to connect to server %1, port %2: %3")
        .arg(host)
        .arg(port)
        .arg(reason);
}
inline QString NoAnswerWithin(int milliseconds)
{
    return QStringLiteral("no answer within %1 seconds").arg(milliseconds / 1000.0);
}
inline QString NotEncrypted(const QString& host, int port)
{
    return QStringLiteral("The mail server %1, port %2, offers no encryption (STARTTLS), and "
                          "Cratewise does not send this mail in plain text.")
        .arg(host)
        .arg(port);
}
inline QString EncryptionRefused(const QString& host, int port, const QString& reason)
{
    return QStringLiteral("The mail server %1, port %2, was refused: %3. Nothing was sent.")
        .arg(host)
        .arg(port)
        .arg(reason);
}
inline QString NoTlsLibrary()
{
    return QStringLiteral("This system offers no encryption (TLS) library, so no mail can be "
                          "sent.");
}
inline QString NoSignIn(const QString& host)
{
    return QStringLiteral("The mail server %1 offers no sign-in that Cratewise knows (AUTH "
                          "PLAIN or LOGIN).")
        .arg(host);
}
inline QString SignInNote(const QString& user)
{
    return QStringLiteral("Signs in as %1 (the setting MailUser). A password typed here is "
                          "kept in the desktop keyring once the mail is sent, never in the "
                          "settings file.")
        .arg(user);
}
inline QString NoKeyring()
{
    return QStringLiteral("The desktop keyring is not available.");
}
inline QString NoPasswordKept(const QString& user, const QString& host)
{
    return QStringLiteral("The desktop keyring keeps no password for %1 at %2.").arg(user, host);
}
// What the command line adds when it has no password.
inline QString PasswordFileHint()
{
    return QStringLiteral("Give the password with --password-file FILE.");
}
inline QString TypePasswordHint()
{
    return QStringLiteral("Type the password in the Password field; it is used for this mail "
                          "only when the keyring cannot keep it.");
}
inline QString PasswordNotKept(const QString& reason)
{
    return QStringLiteral("The mail was sent, but the password could not be kept for the next "
                          "one: %1")
        .arg(reason);
}
inline QString MessageTooLongForMailProgram()
{
    return QStringLiteral("The message is too long to hand to a mail program; use Send, or "
                          "shorten it.");
}
inline QString NoMailProgram()
{
    return QStringLiteral("No mail program could be opened. Use Send instead, or write to %1.");
}
inline QString Cancelled()
{
    return QStringLiteral("Cancelled.");
}
inline QString ConnectReminderCaption()
{
    return QStringLiteral("Connected...");
}
inline QString MessageSent()
{
    return QStringLiteral("Message Sent!");
}
inline QString AppName()
{
    return QStringLiteral("Cratewise");
}

inline QString LineBreakInField()
{
    return QStringLiteral("An address or the subject contains a line break.");
}
inline QString UnsafeAddress(const QString& address)
{
    return QStringLiteral("The mail address \"%1\" contains \"<\", \">\", a space or a "
                          "control character.")
        .arg(address);
}

inline QString CheckIdle()
{
    return QStringLiteral("Check for updates");
}
inline QString Checking()
{
    return QStringLiteral("Checking for updates...");
}
inline QString NoUpdate()
{
    return QStringLiteral("No update was found");
}
inline QString UpdateFound()
{
    return QStringLiteral("Update found!");
}
} // namespace CNetTexts
