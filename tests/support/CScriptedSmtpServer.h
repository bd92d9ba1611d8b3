#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QMap>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

// An SMTP server on a loopback port that answers from a script and keeps every byte it
// receives. Runs on the caller's event loop, which the client's waits keep turning.
class CScriptedSmtpServer : public QObject
{
public:
    QByteArray greeting = "220 test ready\r\n"; // empty: never says anything
    // Reply to each command by its first word ("EHLO", "MAIL", "RCPT", "DATA", "QUIT") and
    // to the end of the data ("."); a command not listed gets "250 ok".
    QMap<QByteArray, QByteArray> replies{{"DATA", "354 go on\r\n"}, {"QUIT", "221 bye\r\n"}};
    bool silentAfterGreeting = false;
    bool inPieces = false; // each reply sent in two pieces, 50 ms apart
    // Each reply (the greeting too) comes after this long of continuation lines ("250-…"),
    // one every 20 ms: every step in time, the whole exchange not.
    int dripMs = 0;
    QByteArray received;

    CScriptedSmtpServer()
    {
        m_server.listen(QHostAddress::LocalHost);
        QObject::connect(&m_server, &QTcpServer::newConnection, this, [this] { Accept(); });
    }
    quint16 Port() const { return m_server.serverPort(); }

private:
    void Accept()
    {
        QTcpSocket* socket = m_server.nextPendingConnection();
        socket->setParent(this);
        Say(socket, greeting);
        QObject::connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
            const QByteArray data = socket->readAll();
            received += data;
            m_pending += data;
            qsizetype end;
            while (!silentAfterGreeting && (end = m_pending.indexOf("\r\n")) >= 0) {
                const QByteArray line = m_pending.left(end);
                m_pending.remove(0, end + 2);
                if (m_inData) {
                    if (line == ".") {
                        m_inData = false;
                        Say(socket, replies.value(".", "250 queued\r\n"));
                    }
                    continue;
                }
                const QByteArray verb = line.split(' ').value(0).toUpper();
                const QByteArray reply = replies.value(verb, "250 ok\r\n");
                m_inData = verb == "DATA" && reply.startsWith("354");
                Say(socket, reply);
            }
        });
    }
    void Say(QTcpSocket* socket, const QByteArray& text)
    {
        if (text.isEmpty())
            return;
        if (dripMs > 0) {
            Drip(socket, text, dripMs);
            return;
        }
        if (!inPieces) {
            socket->write(text);
            return;
        }
        // The first line alone when there are several, else the first two characters.
        const qsizetype lineEnd = text.indexOf("\r\n") + 2;
        const qsizetype split = lineEnd < text.size() ? lineEnd : 2;
        socket->write(text.left(split));
        QTimer::singleShot(50, socket, [socket, rest = text.mid(split)] { socket->write(rest); });
    }

    void Drip(QTcpSocket* socket, const QByteArray& text, int leftMs)
    {
        if (leftMs <= 0) {
            socket->write(text);
            return;
        }
        socket->write(text.left(3) + "-still busy\r\n");
        QTimer::singleShot(20, socket, [=, this] { Drip(socket, text, leftMs - 20); });
    }

    QTcpServer m_server;
    QByteArray m_pending;
    bool m_inData = false;
};
