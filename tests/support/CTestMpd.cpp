#include "support/CTestMpd.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <csignal>
#include <cstring>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace {

int ConnectTo(const QString& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.toLocal8Bit().constData(), sizeof address.sun_path - 1);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Reads until the answer's final "OK" or "ACK" line, or the greeting's one line (or two
// seconds pass).
QString ReadAnswer(int fd, bool greeting = false)
{
    QByteArray answer;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 2000) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0)
            continue;
        char buffer[4096];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        answer.append(buffer, n);
        if ((greeting && answer.endsWith('\n')) || answer.endsWith("OK\n") ||
            answer.contains("\nACK ") || answer.startsWith("ACK "))
            break;
    }
    return QString::fromUtf8(answer);
}

} // namespace

CTestMpd::CTestMpd(EOutput output) : m_output(output) {}

CTestMpd::~CTestMpd()
{
    Kill();
}

bool CTestMpd::Start()
{
    const QString dir = m_dir.path();
    QFile config(dir + QStringLiteral("/mpd.conf"));
    if (!config.open(QIODevice::WriteOnly))
        return m_error = QStringLiteral("cannot write the configuration"), false;
    if (!m_musicFolder.isEmpty())
        config.write(QStringLiteral("music_directory \"%1\"\ndb_file \"%2/database\"\n")
                         .arg(m_musicFolder, dir)
                         .toUtf8());
    config.write(QStringLiteral("bind_to_address \"%1\"\n"
                                "state_file \"%2/state\"\n"
                                "playlist_directory \"%2\"\n"
                                "log_file \"%2/log\"\n"
                                "zeroconf_enabled \"no\"\n"
                                "audio_output {\n %3\n"
                                " mixer_type \"%4\"\n}\n")
                     .arg(Socket(), dir,
                          m_output == EOutput::Null
                              ? QStringLiteral("type \"null\"\n name \"null\"")
                              : QStringLiteral("type \"alsa\"\n name \"card 99\"\n"
                                               " device \"hw:99,0\""),
                          m_noMixer ? QStringLiteral("none") : QStringLiteral("software"))
                     .toUtf8());
    config.close();
    // Dies with the test even when the test itself is killed.
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral("mpd"), {QStringLiteral("--no-daemon"), config.fileName()});
    if (!m_process.waitForStarted(5000))
        return m_error = QStringLiteral("mpd did not start: ") + m_process.errorString(), false;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 10000) {
        if (Ask(QStringLiteral("ping")).endsWith(QLatin1String("OK\n")))
            return true;
        if (m_process.state() == QProcess::NotRunning)
            break;
        QThread::msleep(20);
    }
    QFile log(dir + QStringLiteral("/log"));
    log.open(QIODevice::ReadOnly);
    m_error = QStringLiteral("mpd did not answer: ") + QString::fromUtf8(log.readAll());
    return false;
}

bool CTestMpd::Update()
{
    if (!Ask(QStringLiteral("update")).endsWith(QLatin1String("OK\n")))
        return false;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 10000) {
        if (!Ask(QStringLiteral("status")).contains(QLatin1String("updating_db:")))
            return true;
        QThread::msleep(20);
    }
    return false;
}

void CTestMpd::Kill()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QString CTestMpd::Ask(const QString& command) const
{
    const int fd = ConnectTo(Socket());
    if (fd < 0)
        return {};
    ReadAnswer(fd, true);
    const QByteArray line = command.toUtf8() + '\n';
    QString answer;
    if (::write(fd, line.constData(), size_t(line.size())) == line.size())
        answer = ReadAnswer(fd);
    ::close(fd);
    return answer;
}

QString CTestMpd::StatusValue(const QString& key) const
{
    for (const QString& line : Ask(QStringLiteral("status")).split(u'\n'))
        if (line.startsWith(key + QStringLiteral(": ")))
            return line.mid(key.size() + 2);
    return {};
}

QStringList CTestMpd::Queue() const
{
    QStringList files;
    for (const QString& line : Ask(QStringLiteral("playlist")).split(u'\n')) {
        const qsizetype at = line.indexOf(QStringLiteral(":file: "));
        if (at >= 0)
            files << line.mid(at + 7);
    }
    return files;
}

CSilentSocket::CSilentSocket(EMode mode) : m_mode(mode)
{
    m_path = m_dir.path() + QStringLiteral("/frozen.socket");
    m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, m_path.toLocal8Bit().constData(), sizeof address.sun_path - 1);
    ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(m_fd, 16);
    m_thread = std::thread([this] { Serve(); });
}

void CSilentSocket::Serve()
{
    struct SClient
    {
        int fd;
        QElapsedTimer asked; // valid once a command came
    };
    std::vector<SClient> clients;
    const QByteArray flood = QByteArray("volume: 50\n").repeated(400);
    while (!m_stop) {
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, m_mode == EMode::Flooding ? 1 : 50) > 0) {
            const int client = ::accept(m_fd, nullptr, nullptr);
            if (client >= 0 && m_mode != EMode::Silent)
                (void)!::write(client, "OK MPD 0.23.0\n", 14);
            if (client >= 0)
                clients.push_back({client, {}}); // kept open
        }
        if (m_mode != EMode::Flooding)
            continue;
        for (SClient& c : clients) {
            char command[256];
            if (!c.asked.isValid() && ::recv(c.fd, command, sizeof command, MSG_DONTWAIT) > 0)
                c.asked.start();
            if (c.asked.isValid() && c.asked.elapsed() < 5000)
                (void)!::send(c.fd, flood.constData(), size_t(flood.size()),
                              MSG_DONTWAIT | MSG_NOSIGNAL);
        }
    }
    for (const SClient& c : clients)
        ::close(c.fd);
}

CSilentSocket::~CSilentSocket()
{
    m_stop = true;
    m_thread.join();
    ::close(m_fd);
}
