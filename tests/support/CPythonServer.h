#pragma once

#include <QDeadlineTimer>
#include <QFile>
#include <QHostAddress>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

// A real server written in Python (the standard library's web server, Debian's
// aiosmtpd), started on a free loopback port and stopped with the test.
class CPythonServer
{
public:
    // Arguments after the interpreter; "{port}" is replaced by the chosen port.
    explicit CPythonServer(QStringList args)
    {
        m_port = FreePort();
        for (QString& a : args)
            a.replace(QStringLiteral("{port}"), QString::number(m_port));
        // Debian's interpreter carries Debian's modules (aiosmtpd).
        const QString python = QFile::exists(QStringLiteral("/usr/bin/python3"))
                                   ? QStringLiteral("/usr/bin/python3")
                                   : QStringLiteral("python3");
        m_process.setStandardOutputFile(QProcess::nullDevice());
        m_process.setStandardErrorFile(QProcess::nullDevice()); // a line per request
        m_process.start(python, args);
        const QDeadlineTimer deadline(10000);
        while (!deadline.hasExpired() && m_process.state() != QProcess::NotRunning) {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, m_port);
            if (socket.waitForConnected(200)) {
                m_ready = true;
                break;
            }
            QThread::msleep(50);
        }
    }
    ~CPythonServer()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    // A loopback port nobody listens on right now.
    static quint16 FreePort()
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        return probe.serverPort();
    }
    bool Ready() const { return m_ready; }
    quint16 Port() const { return m_port; }
    QString Url() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port); }

private:
    QProcess m_process;
    quint16 m_port = 0;
    bool m_ready = false;
};
