#include "net/CSmtpConnection.h"

#include "net/CMailMessage.h"
#include "net/CNetTexts.h"
#include "platform/CDownload.h"
#include "platform/CNetCancel.h"

#include <QEventLoop>
#include <QHostInfo>
#include <QTcpSocket>
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
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(m_socket.get(), &QTcpSocket::readyRead, &loop, check);
    QObject::connect(m_socket.get(), &QTcpSocket::bytesWritten, &loop, check);
    QObject::connect(m_socket.get(), &QTcpSocket::connected, &loop, check);
    QObject::connect(m_socket.get(), &QTcpSocket::stateChanged, &loop, check);
    QObject::connect(m_socket.get(), &QTcpSocket::errorOccurred, &loop, &QEventLoop::quit);
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
    m_socket = std::make_unique<QTcpSocket>();
    m_socket->setReadBufferSize(kMaxReply);
    m_socket->connectToHost(m_host, static_cast<quint16>(m_port));
    if (!WaitFor([this] { return m_socket->state() == QAbstractSocket::ConnectedState; })) {
        const bool noAnswer = m_socket->state() != QAbstractSocket::UnconnectedState;
        m_lastError = FailureText(
            m_socket->error() == QAbstractSocket::SocketResourceError
                ? QStringLiteral("Unable to create the socket.")
                : CNetTexts::NoConnection(m_host, m_port,
                                          noAnswer ? CNetTexts::NoAnswerWithin(m_timeoutMs)
                                                   : m_socket->errorString()));
        CloseSocket();
        return false;
    }
    if (!ReadReply(kGreeting)) {
        m_lastError = FailureText(QStringLiteral("Server didn't respond."));
        CloseSocket();
        return false;
    }
    QString localHost = QHostInfo::localHostName().left(79);
    if (localHost.isEmpty())
        localHost = QStringLiteral("localhost");
    if (!Send("HELO " + localHost.toUtf8() + "\r\n") || !ReadReply(kOk)) {
        CloseSocket();
        return false;
    }
    m_connected = true;
    return true;
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
