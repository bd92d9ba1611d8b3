#include "net/CSmtpConnection.h"

#include "net/CMailMessage.h"
#include "net/CNetTexts.h"
#include "platform/CDownload.h"
#include "platform/CNetCancel.h"

#include <QEventLoop>
#include <QHostInfo>
#include <QSslSocket>
#include <QTimer>

const QString CSmtpConnection::kMailer = QStringLiteral("Vexo Mail");

namespace {

struct SExpected
{
    int code;
    const char* text;
};

constexpr SExpected kExpected[] = {
    {250, "SMTP server error"},
    {220, "SMTP server not available"},
    {354, "SMTP server not ready for data"},
    {221, "SMTP server didn't terminate session"},
    {220, "SMTP server refused to start encryption"},
    {235, "SMTP server refused the sign-in"},
    {334, "SMTP server refused the sign-in"},
};

// A reply larger than this is not a reply from a mail server.
constexpr qsizetype kMaxReply = 64 * 1024;

// The reply is whole when its last line has arrived: a line whose fourth character is not
// "-" (the mark of a line that more lines follow), ended by CR LF.
bool ReplyComplete(const QByteArray& data)
{
    if (!data.endsWith("\r\n"))
        return false;
    const qsizetype start = data.lastIndexOf("\r\n", data.size() - 3);
    const QByteArray last = data.mid(start < 0 ? 0 : start + 2);
    return last.size() < 4 || last.at(3) != '-';
}

// The code of the reply's last line, read as atoi reads its first three characters.
int ReplyCode(const QByteArray& data)
{
    const qsizetype start = data.lastIndexOf("\r\n", data.size() - 3);
    const QByteArray last = data.mid(start < 0 ? 0 : start + 2, 3);
    int code = 0;
    for (const char c : last) {
        if (c < '0' || c > '9')
            break;
        code = code * 10 + (c - '0');
    }
    return code;
}

} // namespace

CSmtpConnection::CSmtpConnection(const QString& host, int port)
    : m_host(host), m_port(port), m_timeoutMs(CDownload::TimeoutMs())
{}

CSmtpConnection::~CSmtpConnection()
{
    if (m_connected)
        Disconnect();
    CloseSocket();
}

void CSmtpConnection::SetSignIn(const QString& user, const QString& password)
{
    m_user = user;
    m_password = password;
}

bool CSmtpConnection::IsEncrypted() const
{
    return m_socket && m_socket->isEncrypted();
}

template <typename Done> bool CSmtpConnection::WaitFor(Done done)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    const auto check = [&] {
        if (done() || m_socket->state() == QAbstractSocket::UnconnectedState)
            loop.quit();
    };
    QSslSocket* socket = m_socket.get();
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(socket, &QSslSocket::readyRead, &loop, check);
    QObject::connect(socket, &QSslSocket::bytesWritten, &loop, check);
    QObject::connect(socket, &QSslSocket::encryptedBytesWritten, &loop, check);
    QObject::connect(socket, &QSslSocket::connected, &loop, check);
    QObject::connect(socket, &QSslSocket::encrypted, &loop, check);
    QObject::connect(socket, &QSslSocket::stateChanged, &loop, check);
    QObject::connect(socket, &QSslSocket::errorOccurred, &loop, &QEventLoop::quit);
    if (m_socket->state() == QAbstractSocket::UnconnectedState || m_deadline.hasExpired() ||
        (m_cancel && m_cancel->IsCancelled()))
        return false; // nothing more will come, or no time is left for it
    deadline.start(int(m_deadline.remainingTime()));
    // The user cannot start a second command meanwhile (the dialog disables Send), but
    // Cancel answers.
    CNetCancel::Wait(loop, m_cancel);
    return !(m_cancel && m_cancel->IsCancelled()) && done();
}

void CSmtpConnection::Drop()
{
    // The dialogue is out of step or the line is dead: saying goodbye would only wait
    // out the time limit once more.
    CloseSocket();
    m_connected = false;
}

QString CSmtpConnection::FailureText(const QString& text) const
{
    return m_cancel && m_cancel->IsCancelled() ? CNetTexts::Cancelled() : text;
}

bool CSmtpConnection::Fail(const QString& text)
{
    m_lastError = FailureText(text);
    CloseSocket();
    return false;
}

void CSmtpConnection::CloseSocket()
{
    if (!m_socket)
        return;
    m_socket->abort();
    m_socket.reset();
}

bool CSmtpConnection::Connect()
{
    if (m_connected)
        return true;
    CloseSocket();
    m_deadline.setRemainingTime(m_timeoutMs);
    if (!Open())
        return false;
    if (!ReadReply(kGreeting))
        return Fail(QStringLiteral("Server didn't respond."));
    // A password, and the port meant for programs that sign in, never go without
    // encryption; elsewhere a server that offers none is spoken to in plain text.
    const bool mustEncrypt =
        m_security != ESecurity::ByPort || m_port == 587 || m_port == 465 || !m_user.isEmpty();
    if (!Hello())
        return Fail(m_lastError);
    if (!IsEncrypted()) {
        if (m_extensions.contains("STARTTLS")) {
            if (!StartTls() || !Hello())
                return Fail(m_lastError);
        } else if (mustEncrypt) {
            return Fail(CNetTexts::NotEncrypted(m_host, m_port));
        }
    }
    if (!m_user.isEmpty() && !SignIn())
        return Fail(m_lastError);
    m_connected = true;
    return true;
}

bool CSmtpConnection::Open()
{
    m_socket = std::make_unique<QSslSocket>();
    m_socket->setReadBufferSize(kMaxReply);
    m_certificateErrors.clear();
    QObject::connect(m_socket.get(), &QSslSocket::sslErrors, [this](const QList<QSslError>& e) {
        QStringList reasons;
        for (const QSslError& error : e)
            reasons << error.errorString();
        m_certificateErrors = reasons.join(QStringLiteral("; "));
    });
    const bool fromStart =
        m_security == ESecurity::Tls || (m_security == ESecurity::ByPort && m_port == 465);
    if (fromStart) {
        if (!QSslSocket::supportsSsl())
            return Fail(CNetTexts::NoTlsLibrary());
        m_socket->connectToHostEncrypted(m_host, static_cast<quint16>(m_port));
    } else {
        m_socket->connectToHost(m_host, static_cast<quint16>(m_port));
    }
    if (!WaitFor([this] { return m_socket->state() == QAbstractSocket::ConnectedState; })) {
        if (!m_certificateErrors.isEmpty()) // refused before the wait saw it connected
            return Fail(CNetTexts::EncryptionRefused(m_host, m_port, m_certificateErrors));
        const bool noAnswer = m_socket->state() != QAbstractSocket::UnconnectedState;
        return Fail(m_socket->error() == QAbstractSocket::SocketResourceError
                        ? QStringLiteral("Unable to create the socket.")
                        : CNetTexts::NoConnection(m_host, m_port,
                                                  noAnswer ? CNetTexts::NoAnswerWithin(m_timeoutMs)
                                                           : m_socket->errorString()));
    }
    return !fromStart || WaitEncrypted();
}

bool CSmtpConnection::WaitEncrypted()
{
    if (WaitFor([this] { return m_socket->isEncrypted(); }))
        return true;
    // A certificate the system does not trust, or one for another name, is the usual
    // reason; a handshake that broke off for another reason says its own.
    const QString reason = !m_certificateErrors.isEmpty() ? m_certificateErrors
                           : m_deadline.hasExpired()      ? CNetTexts::NoAnswerWithin(m_timeoutMs)
                                                          : m_socket->errorString();
    m_lastError = FailureText(CNetTexts::EncryptionRefused(m_host, m_port, reason));
    Drop();
    return false;
}

bool CSmtpConnection::Hello()
{
    QString localHost = QHostInfo::localHostName().left(79);
    if (localHost.isEmpty())
        localHost = QStringLiteral("localhost");
    if (!Send("EHLO " + localHost.toUtf8() + "\r\n") || !ReadReply(kOk))
        return false;
    // The extensions, one a line after the greeting line: "STARTTLS", "AUTH PLAIN LOGIN".
    m_extensions.clear();
    const QList<QByteArray> lines = m_response.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray extension = lines[i].mid(4).trimmed().toUpper();
        if (!extension.isEmpty())
            m_extensions << extension;
    }
    return true;
}

bool CSmtpConnection::StartTls()
{
    if (!QSslSocket::supportsSsl()) {
        m_lastError = CNetTexts::NoTlsLibrary();
        return false;
    }
    if (!Send("STARTTLS\r\n") || !ReadReply(kStartTls))
        return false;
    m_socket->startClientEncryption();
    return WaitEncrypted();
}

bool CSmtpConnection::SignIn()
{
    QList<QByteArray> mechanisms;
    for (const QByteArray& extension : std::as_const(m_extensions)) {
        if (extension.startsWith("AUTH ") || extension.startsWith("AUTH="))
            mechanisms += extension.mid(5).split(' ');
    }
    const QByteArray user = m_user.toUtf8();
    const QByteArray password = m_password.toUtf8();
    if (mechanisms.contains("PLAIN")) {
        QByteArray plain; // no one to act for, the user, the password: NUL between them
        plain.append('\0').append(user).append('\0').append(password);
        return Send("AUTH PLAIN " + plain.toBase64() + "\r\n") && ReadReply(kSignedIn);
    }
    if (mechanisms.contains("LOGIN"))
        return Send("AUTH LOGIN\r\n") && ReadReply(kSignInNext) && Send(user.toBase64() + "\r\n") &&
               ReadReply(kSignInNext) && Send(password.toBase64() + "\r\n") && ReadReply(kSignedIn);
    m_lastError = CNetTexts::NoSignIn(m_host);
    return false;
}

bool CSmtpConnection::SendMail(CMailMessage& message)
{
    if (!m_connected) {
        m_lastError = QStringLiteral("Must be connected");
        return false;
    }
    if (!message.BuildHeader(kMailer)) {
        m_lastError = QStringLiteral("No Recipients");
        return false;
    }
    // Checked before a byte goes out: a line break would add commands or header lines
    // of the sender's choosing, a ">" or a space parameters to MAIL or RCPT.
    if (const QString problem = message.UnsafeField(); !problem.isEmpty()) {
        m_lastError = problem;
        return false;
    }
    if (!Send("MAIL From: <" + message.m_from.toUtf8() + ">\r\n") || !ReadReply(kOk))
        return false;
    for (const CMailMessage::SRecipient& r : message.Recipients()) {
        // A refused recipient does not stop the mail to the others.
        if (!Send("RCPT TO: <" + r.address.toUtf8() + ">\r\n"))
            return false;
        ReadReply(kOk);
    }
    if (!Send("DATA\r\n") || !ReadReply(kData))
        return false;
    if (!Send(message.m_header.toUtf8() + message.WireBody() + "\r\n.\r\n"))
        return false;
    return ReadReply(kOk);
}

bool CSmtpConnection::Disconnect()
{
    if (!m_connected)
        return true;
    const bool ok = Send("QUIT\r\n") && ReadReply(kQuit);
    CloseSocket();
    m_connected = false;
    return ok;
}

bool CSmtpConnection::Send(const QByteArray& bytes)
{
    if (!m_socket || m_socket->write(bytes) != bytes.size() ||
        !WaitFor([this] { return m_socket->bytesToWrite() == 0; })) {
        m_lastError = FailureText(QStringLiteral("Socket Error"));
        Drop();
        return false;
    }
    return true;
}

bool CSmtpConnection::ReadReply(EReply expected)
{
    m_response.clear();
    // A reply may come in several pieces and span several lines: wait for all of it.
    const bool whole = m_socket && WaitFor([this] {
                           m_response += m_socket->readAll();
                           return ReplyComplete(m_response) || m_response.size() > kMaxReply;
                       });
    if (!whole || !ReplyComplete(m_response)) {
        m_lastError = FailureText(QStringLiteral("Socket Error"));
        Drop();
        return false;
    }
    const int code = ReplyCode(m_response);
    if (code == kExpected[expected].code)
        return true;
    m_lastError = QStringLiteral("%1:%2").arg(code).arg(QLatin1String(kExpected[expected].text));
    return false;
}
