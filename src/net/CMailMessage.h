#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

// One mail: sender, recipients, subject and body, and the header built from them just
// before sending.
class CMailMessage
{
public:
    struct SRecipient
    {
        QString address;
        QString name;
    };

    QString m_from;
    QString m_subject;
    QString m_body;
    QString m_header;
    QDateTime m_date;

    // Adds the entries of a ";"-separated text: "Name <address>" or a bare address.
    void AddRecipients(const QString& text);
    void AddRecipient(const QString& address, const QString& name = QString());
    const QList<SRecipient>& Recipients() const { return m_recipients; }

    // Builds the header with the current local time; false when there is no recipient.
    bool BuildHeader(const QString& mailer);
    // Why the mail must not be sent as it is, or empty: an address, a name or the subject
    // holds a line break (CR or LF), which would add lines of its own to the dialogue or
    // the header, or an address holds "<", ">", a space or a control character, which
    // would add parameters to MAIL FROM or RCPT TO.
    QString UnsafeField() const;
    // The body as it goes on the wire between DATA and the final ".": lines ended by CR LF,
    // the last one too, and a line that begins with "." given one more.
    QByteArray WireBody() const;

private:
    QList<SRecipient> m_recipients;
};
