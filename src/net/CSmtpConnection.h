#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>
#include <memory>

class CMailMessage;
class CNetCancel;
class QTcpSocket;

// A small SMTP client (plain, no authentication) for the feedback mail. The setting
// "NetTimeout" bounds the whole exchange, from Connect to the end of Disconnect, however
// the server sends (a server that drips endless reply lines is dropped on time). Waits
// run a local event loop, so the window stays painted meanwhile.
class CSmtpConnection
{
public:
    CSmtpConnection(const QString& host, int port);
    ~CSmtpConnection();
    CSmtpConnection(const CSmtpConnection&) = delete;
    CSmtpConnection& operator=(const CSmtpConnection&) = delete;

    bool Connect();
    bool SendMail(CMailMessage& message);
    bool Disconnect();
    QString LastErrorText() const { return m_lastError; }

    // Lets the user stop the exchange; its waits then take the user's clicks.
    void SetCancel(CNetCancel* cancel) { m_cancel = cancel; }
    // Milliseconds the whole exchange may take (tests shorten it).
    void SetTimeout(int milliseconds) { m_timeoutMs = milliseconds; }

    static const QString kMailer;

private:
    // Indexes of the expected replies and their error texts.
    enum EReply
    {
        kOk = 0,
        kGreeting = 1,
        kData = 2,
        kQuit = 3,
    };

    bool ReadReply(EReply expected);
    bool Send(const QByteArray& bytes);
    // Runs the event loop until done() holds; false when the exchange's time ran out or
    // the connection broke first.
    template <typename Done> bool WaitFor(Done done);
    void CloseSocket();
    // Ends a connection that a failed send or receive left unusable.
    void Drop();
    // The error of a step that failed: the user's Cancel, else `text`.
    QString FailureText(const QString& text) const;

    QString m_host;
    int m_port = 25;
    int m_timeoutMs = 15000;
    QDeadlineTimer m_deadline; // of the whole exchange; set by Connect
    bool m_connected = false;
    QString m_lastError = QStringLiteral("OK");
    std::unique_ptr<QTcpSocket> m_socket;
    CNetCancel* m_cancel = nullptr;
    QByteArray m_response;
};
