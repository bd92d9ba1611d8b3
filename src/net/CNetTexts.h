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
