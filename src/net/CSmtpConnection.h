#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QList>
#include <QString>
#include <memory>

class CMailMessage;
class CNetCancel;
class QSslSocket;

// A small SMTP client for the feedback mail, as mail providers take mail from programs:
// EHLO, encryption (STARTTLS, or TLS from the first byte) with the server's certificate
// checked against the system's trusted ones and its name, and a sign-in (AUTH PLAIN or
// LOGIN) only inside the encryption. A certificate that fails the check ends the exchange
// with the reason: there is no falling back to plain text. The setting "NetTimeout" bounds
// the whole exchange, from Connect to the end of Disconnect, however the server sends (a
// server that drips endless reply lines is dropped on time). Waits run a local event
// loop, so the window stays painted meanwhile.
class CSmtpConnection
{
public:
    // Values of the setting "MailSecurity".
    enum class ESecurity
    {
        ByPort = 0,   // 465: TLS from the start; else STARTTLS when offered, always on 587
        StartTls = 1, // STARTTLS always
        Tls = 2,      // TLS from the start
    };

    CSmtpConnection(const QString& host, int port);
    ~CSmtpConnection();
    CSmtpConnection(const CSmtpConnection&) = delete;
    CSmtpConnection& operator=(const CSmtpConnection&) = delete;

    void SetSecurity(ESecurity security) { m_security = security; }
    // Signs in after the encryption; an empty user signs in not at all. A user always
    // needs the encryption, whatever the port.
    void SetSignIn(const QString& user, const QString& password);

    bool Connect();
    bool SendMail(CMailMessage& message);
    bool Disconnect();
    QString LastErrorText() const { return m_lastError; }
    bool IsEncrypted() const;

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
        kStartTls = 4,
        kSignedIn = 5,
        kSignInNext = 6,
    };

    bool Open();
    bool Hello();
    bool StartTls();
    bool SignIn();
    bool WaitEncrypted();
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
    // Fails Connect with `text`, closing the socket.
    bool Fail(const QString& text);

    QString m_host;
    int m_port = 587;
    ESecurity m_security = ESecurity::ByPort;
    QString m_user;
    QString m_password;
    int m_timeoutMs = 15000;
    QDeadlineTimer m_deadline; // of the whole exchange; set by Connect
    bool m_connected = false;
    QString m_lastError = QStringLiteral("OK");
    std::unique_ptr<QSslSocket> m_socket;
    CNetCancel* m_cancel = nullptr;
    QByteArray m_response;
    QList<QByteArray> m_extensions; // the lines of the last EHLO reply after the first
    QString m_certificateErrors;    // why the last handshake refused the server
};
