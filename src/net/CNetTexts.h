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
    return QStringLiteral("Please, make sure that you\nare connected to The Internet");
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
