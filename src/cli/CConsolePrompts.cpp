#include "cli/CConsolePrompts.h"

#include "platform/CText.h"

#include <cstdio>

CConsolePrompts::CConsolePrompts(EPolicy policy, QTextStream& err) : m_policy(policy), m_err(err) {}

CPrompts::EAnswer CConsolePrompts::Message(const QString& text, const QString& caption, EIcon,
                                           EButtons buttons)
{
    QString line = text;
    line.replace(u'\n', u' ');
    m_err << CText::Printable(caption) << ": " << CText::Printable(line);
    EAnswer answer = EAnswer::Ok;
    switch (buttons) {
    case EButtons::Ok:
        break;
    case EButtons::OkCancel:
        answer = m_policy == EPolicy::Yes ? EAnswer::Ok : EAnswer::Cancel;
        break;
    case EButtons::YesNo:
    case EButtons::YesNoCancel:
        answer = m_policy == EPolicy::Yes ? EAnswer::Yes : EAnswer::No;
        break;
    }
    if (buttons != EButtons::Ok)
        m_err << (answer == EAnswer::Yes || answer == EAnswer::Ok ? " [yes]" : " [no]");
    m_err << Qt::endl;
    return answer;
}

int CConsolePrompts::Warning(const QString& text)
{
    if (m_warned.contains(text))
        return 0;
    m_warned.insert(text);
    Message(text, QStringLiteral("Warning"), EIcon::Exclamation, EButtons::Ok);
    return 0;
}
