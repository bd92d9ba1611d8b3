#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>

// A one-thread HTTP server on a loopback port for tests: answers every request with the
// given status and body, or never answers (hang = true). Runs on the caller's event
// loop, so the code under test must wait with a local event loop.
class CLocalHttpServer : public QObject
{
public:
    int status = 200;
    QByteArray body;
    bool hang = false;
    QStringList paths; // request targets, in order

    CLocalHttpServer()
    {
        m_server.listen(QHostAddress::LocalHost);
        QObject::connect(&m_server, &QTcpServer::newConnection, this, [this] { Accept(); });
    }
    quint16 Port() const { return m_server.serverPort(); }
    QString Url(const QString& path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(Port()).arg(path);
    }

private:
    void Accept()
    {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            socket->setParent(this);
            auto* request = new QByteArray;
            QObject::connect(socket, &QTcpSocket::readyRead, this, [this, socket, request] {
                request->append(socket->readAll());
                if (!request->contains("\r\n\r\n") || hang)
                    return;
                paths << QString::fromUtf8(request->split(' ').value(1));
                Answer(socket);
            });
            QObject::connect(socket, &QObject::destroyed, [request] { delete request; });
        }
    }
    void Answer(QTcpSocket* socket)
    {
        const QByteArray reason = status == 200 ? "OK" : "Not Found";
        socket->write("HTTP/1.1 " + QByteArray::number(status) + ' ' + reason +
                      "\r\nContent-Type: text/plain\r\nContent-Length: " +
                      QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
};
