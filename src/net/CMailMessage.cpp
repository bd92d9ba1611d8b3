#include "net/CMailMessage.h"

#include "net/CNetTexts.h"
#include "platform/CText.h"

#include <QLocale>
#include <algorithm>

void CMailMessage::AddRecipient(const QString& address, const QString& name)
{
    m_recipients.append({address, name});
}

void CMailMessage::AddRecipients(const QString& text)
{
    for (const QString& entry : text.split(u';', Qt::SkipEmptyParts)) {
        const qsizetype open = entry.indexOf(u'<');
        if (open < 0) {
            AddRecipient(entry.trimmed());
            continue;
        }
        const qsizetype close = entry.indexOf(u'>', open);
        const QString address = entry.mid(open + 1, close < 0 ? -1 : close - open - 1);
        // The name keeps its spacing: "Name <address>" shows as written in the To line.
        AddRecipient(address.trimmed(), entry.left(open));
    }
}

bool CMailMessage::BuildHeader(const QString& mailer)
{
    if (m_recipients.isEmpty())
        return false;
    QStringList to;
    for (const SRecipient& r : m_recipients)
        to << r.name + u'<' + r.address + u'>';
    m_date = QDateTime::currentDateTime();
    // Mail dates are English whatever the desktop's language.
    const QString date = QLocale::c().toString(m_date, QStringLiteral("ddd, dd MMM yy HH:mm:ss t"));
    m_header =
        QStringLiteral("Date: %1\r\nFrom: %2\r\nTo: %3\r\nSubject: %4\r\nX-Mailer: <%5>\r\n\r\n")
            .arg(date, m_from, to.join(u','), m_subject, mailer);
    return true;
}

QString CMailMessage::UnsafeField() const
{
    const auto broken = [](const QString& text) {
        return text.contains(u'\r') || text.contains(u'\n');
    };
    QStringList addresses{m_from};
    bool lineBreak = broken(m_from) || broken(m_subject);
    for (const SRecipient& r : m_recipients) {
        addresses << r.address;
        lineBreak = lineBreak || broken(r.address) || broken(r.name);
    }
    if (lineBreak)
        return CNetTexts::LineBreakInField();
    for (const QString& address : std::as_const(addresses)) {
        const bool unsafe = std::any_of(address.begin(), address.end(), [](QChar c) {
            return c == u'<' || c == u'>' || c.isSpace() || c.category() == QChar::Other_Control;
        });
        if (unsafe)
            return CNetTexts::UnsafeAddress(CText::Printable(address));
    }
    return {};
}

QByteArray CMailMessage::WireBody() const
{
    // A text box hands over bare line feeds; the wire knows only CR LF, and a bare one
    // would let a lone "." line end the data early on some servers.
    QString text = m_body;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    QStringList lines = text.split(u'\n');
    if (lines.size() > 1 && lines.last().isEmpty())
        lines.removeLast(); // the break that ends the last line
    QByteArray wire;
    for (const QString& line : lines) {
        // The server takes one leading "." away from every line, not only from ".".
        if (line.startsWith(u'.'))
            wire += '.';
        wire += line.toUtf8() + "\r\n";
    }
    return wire;
}
