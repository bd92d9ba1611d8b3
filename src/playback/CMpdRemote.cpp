#include "playback/CMpdRemote.h"

#include "platform/CFileNames.h"
#include "platform/CRegularFile.h"
#include "platform/CSettings.h"
#include "playback/CPlaybackTexts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstring>
#include <fcntl.h>
#include <mpd/async.h>
#include <mpd/client.h>
#include <mpd/parser.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

bool IsLocalSocket(const QString& host)
{
    return host.startsWith(u'/') || host.startsWith(u'@');
}

// A value in MPD's configuration syntax.
QString Quote(QString value)
{
    value.replace(u'\\', QStringLiteral("\\\\")).replace(u'"', QStringLiteral("\\\""));
    return u'"' + value + u'"';
}

QString OwnFolder(const QString& dataDir)
{
    return QDir(dataDir).filePath(QStringLiteral("mpd"));
}

// The sound output a desktop offers: its sound server when one runs, else ALSA's default.
QString DefaultOutputType()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!qEnvironmentVariableIsEmpty("PULSE_SERVER") ||
        (!runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/pulse/native"))))
        return QStringLiteral("pulse");
    return QStringLiteral("alsa");
}

// A non-blocking connection to a Unix socket ("@name": the abstract namespace); -1 when
// none could be made before the deadline (timedOut) or at all.
int ConnectSocket(const QString& path, const QDeadlineTimer& deadline, bool& timedOut)
{
    timedOut = false;
    QByteArray name = CFileNames::Encode(path);
    const bool abstract = name.startsWith('@');
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    if (name.isEmpty() || size_t(name.size()) >= sizeof address.sun_path)
        return -1;
    if (abstract)
        name[0] = '\0';
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
    const auto length =
        socklen_t(offsetof(sockaddr_un, sun_path) + size_t(name.size()) + (abstract ? 0 : 1));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return -1;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), length) == 0)
        return fd;
    if (errno == EINPROGRESS) {
        pollfd p{fd, POLLOUT, 0};
        const int ready = ::poll(&p, 1, int(qMax<qint64>(0, deadline.remainingTime())));
        int error = 0;
        socklen_t size = sizeof error;
        if (ready > 0 && ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0)
            return fd;
        timedOut = ready == 0;
    }
    ::close(fd);
    return -1;
}

// A player outlives Cratewise: it must not hold Cratewise's open files (the catalogue, a
// lock) for its whole life. They close when it starts.
void KeepOwnFilesFrom(QProcess& process)
{
    process.setChildProcessModifier([] {
        const long open = ::sysconf(_SC_OPEN_MAX);
        for (int fd = 3; fd < (open > 0 && open < 65536 ? int(open) : 65536); ++fd)
            ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    });
}

} // namespace

int CMpdRemote::LevelOfPercent(int percent)
{
    return (qBound(0, percent, 100) * 255 + 50) / 100;
}

int CMpdRemote::PercentOfLevel(int level)
{
    return (qBound(0, level, 255) * 100 + 127) / 255;
}

CMpdRemote::CMpdRemote(QString dataDir) : m_dataDir(std::move(dataDir))
{
    // libmpdclient writes to the socket without MSG_NOSIGNAL: a player that went away
    // must fail the call, not end Cratewise.
    std::signal(SIGPIPE, SIG_IGN);
}

CMpdRemote::~CMpdRemote()
{
    Disconnect();
}

void CMpdRemote::FindCandidates()
{
    QStringList paths;
    QStringList passwords;
    const auto add = [&](const QString& path, const QString& password) {
        if (!path.isEmpty() && !paths.contains(path)) {
            paths << path;
            passwords << password;
        }
    };
    const QString setting = CSettings::String(ESetting::PlayerSocket).trimmed();
    if (!setting.isEmpty()) {
        add(setting, QString());
    } else {
        if (mpd_settings* defaults = mpd_settings_new(nullptr, 0, 0, nullptr, nullptr)) {
            const char* host = mpd_settings_get_host(defaults);
            const char* password = mpd_settings_get_password(defaults);
            const QString path = host ? CFileNames::Decode(host) : QString();
            // Files are added by absolute path, which MPD allows on local sockets only.
            if (IsLocalSocket(path))
                add(path, password ? QString::fromUtf8(password) : QString());
            mpd_settings_free(defaults);
        }
        const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
        if (!runtime.isEmpty())
            add(runtime + QStringLiteral("/mpd/socket"), QString());
        add(QStringLiteral("/run/mpd/socket"), QString());
        add(OwnSocket(), QString());
    }
    QList<SCandidate> candidates;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        SCandidate candidate{paths[i], passwords[i], {}};
        for (const SCandidate& old : std::as_const(m_candidates))
            if (old.path == candidate.path)
                candidate.backOff = old.backOff;
        candidates << candidate;
    }
    m_candidates = candidates;
}

QString CMpdRemote::OwnSocket() const
{
    const QString setting = CSettings::String(ESetting::PlayerSocket).trimmed();
    if (!setting.isEmpty())
        return setting;
    // Read here rather than through QStandardPaths, which warns at every call (every
    // second) when the variable is missing.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.isEmpty())
        return QDir::tempPath() + QStringLiteral("/cratewise-%1/mpd.socket").arg(::getuid());
    return runtime + QStringLiteral("/cratewise/mpd.socket");
}

QString CMpdRemote::OwnConfigFile() const
{
    return QDir(OwnFolder(m_dataDir)).filePath(QStringLiteral("mpd.conf"));
}

QString CMpdRemote::OwnConfiguration() const
{
    const QDir own(OwnFolder(m_dataDir));
    QString text = QStringLiteral("# Cratewise's own MPD; Cratewise rewrites this file when it "
                                  "starts the player.\n");
    const auto line = [&text](const char* key, const QString& value) {
        text += QLatin1String(key) + u' ' + Quote(value) + u'\n';
    };
    line("bind_to_address", OwnSocket());
    line("pid_file", own.filePath(QStringLiteral("pid")));
    line("state_file", own.filePath(QStringLiteral("state")));
    line("playlist_directory", own.filePath(QStringLiteral("playlists")));
    line("log_file", own.filePath(QStringLiteral("log")));
    const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    if (!music.isEmpty() && QFileInfo(music).isDir()) {
        line("music_directory", music);
        line("db_file", own.filePath(QStringLiteral("database")));
    }
    // A restarted player waits for the user instead of resuming on its own.
    line("restore_paused", QStringLiteral("yes"));
    line("zeroconf_enabled", QStringLiteral("no"));
    text += QStringLiteral("audio_output {\n");
    text += QStringLiteral("    type ") + Quote(DefaultOutputType()) + u'\n';
    text += QStringLiteral("    name \"Cratewise\"\n");
    // The volume slider works whatever the sound card offers.
    text += QStringLiteral("    mixer_type \"software\"\n}\n");
    return text;
}

bool CMpdRemote::TryConnect(int index, const QDeadlineTimer& deadline)
{
    SCandidate& candidate = m_candidates[index];
    bool timedOut = false;
    const int fd = ConnectSocket(candidate.path, deadline, timedOut);
    if (fd < 0) {
        if (timedOut)
            LeaveAlone(candidate, CPlaybackTexts::NoAnswer(candidate.path));
        return false;
    }
    m_async = mpd_async_new(fd);
    if (!m_async) {
        ::close(fd);
        return false;
    }
    m_parser = mpd_parser_new();
    m_connected = index;
    m_timedOut = false;
    const char* greeting = m_parser ? ReadLine(deadline) : nullptr;
    bool ok = greeting && std::strncmp(greeting, "OK MPD ", 7) == 0;
    if (ok && !candidate.password.isEmpty())
        ok = Exchange("password", candidate.password.toUtf8().constData(), deadline, {}) ==
             EAnswer::Ok;
    if (!ok) {
        if (m_timedOut)
            LeaveAlone(candidate, CPlaybackTexts::NoAnswer(candidate.path));
        Disconnect();
    }
    return ok;
}

void CMpdRemote::LeaveAlone(SCandidate& candidate, const QString& problem)
{
    m_problem = problem;
    // A player Cratewise has just started may be slow to answer while it reads its
    // database; waiting for it goes on.
    if (!m_started.isValid() || m_started.elapsed() > kStartingMs)
        candidate.backOff.start();
}

bool CMpdRemote::Connect(const QDeadlineTimer& deadline)
{
    FindCandidates();
    for (int i = 0; i < int(m_candidates.size()) && !deadline.hasExpired(); ++i) {
        QElapsedTimer& backOff = m_candidates[i].backOff;
        if (backOff.isValid() && backOff.elapsed() < m_timeouts.backOffMs)
            continue;
        backOff.invalidate();
        if (TryConnect(i, deadline))
            return true;
    }
    return false;
}

void CMpdRemote::Disconnect()
{
    if (m_parser)
        mpd_parser_free(m_parser);
    if (m_async)
        mpd_async_free(m_async); // closes the socket
    m_parser = nullptr;
    m_async = nullptr;
    m_connected = -1;
    m_musicFolderAsked = false;
}

bool CMpdRemote::Stale() const
{
    pollfd p{mpd_async_get_fd(m_async), POLLIN, 0};
    return ::poll(&p, 1, 0) != 0;
}

bool CMpdRemote::Pump(const QDeadlineTimer& deadline)
{
    const int events = mpd_async_events(m_async);
    pollfd p{mpd_async_get_fd(m_async), 0, 0};
    if (events & MPD_ASYNC_EVENT_READ)
        p.events |= POLLIN;
    if (events & MPD_ASYNC_EVENT_WRITE)
        p.events |= POLLOUT;
    int ready = 0;
    do {
        const qint64 left = deadline.remainingTime();
        ready = left > 0 ? ::poll(&p, 1, int(left)) : 0;
    } while (ready < 0 && errno == EINTR);
    if (ready <= 0) {
        m_timedOut = ready == 0;
        return false;
    }
    // Data that came with the hang-up is read first; the end shows as a closed connection.
    int happened = 0;
    if (p.revents & POLLIN)
        happened |= MPD_ASYNC_EVENT_READ;
    if (p.revents & POLLOUT)
        happened |= MPD_ASYNC_EVENT_WRITE;
    if (happened == 0)
        happened = MPD_ASYNC_EVENT_HUP;
    return mpd_async_io(m_async, mpd_async_event(happened));
}

char* CMpdRemote::ReadLine(const QDeadlineTimer& deadline)
{
    for (;;) {
        // A line longer than the library's buffer is an error, not a wait.
        if (char* line = mpd_async_recv_line(m_async))
            return line;
        if (mpd_async_get_error(m_async) != MPD_ERROR_SUCCESS || !Pump(deadline))
            return nullptr;
    }
}

CMpdRemote::EAnswer CMpdRemote::Exchange(const char* command, const char* argument,
                                         const QDeadlineTimer& deadline, const PairHandler& pair)
{
    m_timedOut = false;
    const auto failed = [this] { return m_timedOut ? EAnswer::TimedOut : EAnswer::Broken; };
    for (;;) {
        const bool queued = argument ? mpd_async_send_command(m_async, command, argument, nullptr)
                                     : mpd_async_send_command(m_async, command, nullptr);
        if (queued)
            break;
        // The output buffer is full: send some of it, unless the command can never fit.
        if (mpd_async_get_error(m_async) != MPD_ERROR_SUCCESS ||
            !(mpd_async_events(m_async) & MPD_ASYNC_EVENT_WRITE) || !Pump(deadline))
            return failed();
    }
    qint64 received = 0;
    for (;;) {
        char* line = ReadLine(deadline);
        if (!line)
            return failed();
        received += qint64(std::strlen(line)) + 1;
        if (received > kMaxAnswer)
            return EAnswer::TooLong;
        switch (mpd_parser_feed(m_parser, line)) {
        case MPD_PARSER_SUCCESS:
            return EAnswer::Ok;
        case MPD_PARSER_ERROR:
            if (const char* message = mpd_parser_get_message(m_parser))
                m_refusal = QString::fromUtf8(message);
            return EAnswer::Refused;
        case MPD_PARSER_PAIR:
            if (pair)
                pair(mpd_parser_get_name(m_parser), mpd_parser_get_value(m_parser));
            break;
        case MPD_PARSER_MALFORMED:
            return EAnswer::Broken;
        }
    }
}

bool CMpdRemote::Call(const char* command, const char* argument, int totalMs,
                      const PairHandler& pair)
{
    const QDeadlineTimer deadline(totalMs);
    if (m_async && Stale())
        Disconnect();
    if (!m_async &&
        !Connect(QDeadlineTimer(qMin<qint64>(m_timeouts.connectMs, deadline.remainingTime()))))
        return false;
    const EAnswer answer = Exchange(command, argument, deadline, pair);
    if (answer == EAnswer::Ok)
        return true;
    if (answer == EAnswer::Refused) {
        m_refused = true;
        return false;
    }
    SCandidate& candidate = m_candidates[m_connected];
    if (answer == EAnswer::TimedOut)
        LeaveAlone(candidate, CPlaybackTexts::NoAnswer(candidate.path));
    if (answer == EAnswer::TooLong)
        LeaveAlone(candidate, CPlaybackTexts::Flooding(candidate.path));
    // Out of step with the player: the rest of its answer must not be read as the next one.
    Disconnect();
    return false;
}

bool CMpdRemote::Order(const char* command, const char* argument, int totalMs)
{
    m_statusAge.invalidate();
    m_refusal.clear();
    return Call(command, argument, totalMs > 0 ? totalMs : m_timeouts.callMs);
}

bool CMpdRemote::IsRunning()
{
    // The status the poll reads anyway; a player that refuses it (a password is missing)
    // still runs.
    SStatus status;
    m_refused = false;
    return Status(status, false) || m_refused;
}

bool CMpdRemote::Start(const QString& program, bool minimized)
{
    Q_UNUSED(minimized); // MPD has no window
    m_startError.clear();
    if (IsRunning())
        return true;
    const QString file = program.trimmed();
    if (file.isEmpty() || file == u"1")
        return false;
    if (QFileInfo(file).fileName() != u"mpd") {
        QProcess player;
        player.setProgram(file);
        KeepOwnFilesFrom(player);
        return player.startDetached();
    }

    // MPD removes whatever is at its socket's path before it listens there: only a socket
    // (left by an earlier run) may be replaced.
    const QString socket = OwnSocket();
    struct stat st = {};
    if (!socket.startsWith(u'@') && ::lstat(CFileNames::Encode(socket).constData(), &st) == 0 &&
        !S_ISSOCK(st.st_mode)) {
        m_startError = CPlaybackTexts::NotASocket(socket);
        return false;
    }
    const QString own = OwnFolder(m_dataDir);
    const QString socketFolder = QFileInfo(socket).absolutePath();
    if (!QDir().mkpath(own) || !QDir().mkpath(QDir(own).filePath(QStringLiteral("playlists"))) ||
        !QDir().mkpath(socketFolder))
        return false;
    // A folder someone else made there could hand Cratewise a socket of theirs.
    if (QFileInfo(socketFolder).ownerId() != ::getuid())
        return false;
    ::chmod(CFileNames::Encode(socketFolder).constData(), 0700);
    QFile config(OwnConfigFile());
    if (!config.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text) ||
        config.write(OwnConfiguration().toUtf8()) < 0 || !config.flush())
        return false;
    config.close();
    // MPD goes into the background by itself and outlives Cratewise unless Close stops it;
    // what it says before it has opened its log does not belong on Cratewise's terminal.
    QProcess mpd;
    mpd.setProgram(file);
    mpd.setArguments({OwnConfigFile()});
    mpd.setStandardOutputFile(QProcess::nullDevice());
    mpd.setStandardErrorFile(QProcess::nullDevice());
    KeepOwnFilesFrom(mpd);
    if (!mpd.startDetached())
        return false;
    m_started.start();
    return true;
}

void CMpdRemote::Command(ECommand command)
{
    switch (command) {
    case Previous:
        Order("previous");
        break;
    case Play:
        StartList();
        break;
    case Pause: {
        SStatus status;
        if (!Status(status, false))
            return;
        if (status.state == SStatus::EState::Stopped)
            StartList();
        else
            Order("pause"); // without an argument it toggles
        break;
    }
    case Stop:
        Order("stop");
        break;
    case Next:
        Order("next");
        break;
    }
}

void CMpdRemote::ClearList()
{
    m_pendingPosition = -1;
    Order("clear");
}

bool CMpdRemote::AddFile(const QString& path)
{
    return Order("add", CFileNames::Encode(path).constData(), m_timeouts.addMs);
}

void CMpdRemote::StartList()
{
    const int position = m_pendingPosition;
    m_pendingPosition = -1;
    if (position >= 0)
        Order("play", QByteArray::number(position).constData());
    else
        Order("play");
}

bool CMpdRemote::Status(SStatus& status, bool withFile)
{
    if (!withFile && m_statusAge.isValid() && m_statusAge.elapsed() < kStatusFreshMs) {
        status = m_status;
        return true;
    }
    status = SStatus();
    mpd_status* s = mpd_status_begin();
    if (!s)
        return false;
    const bool answered =
        Call("status", nullptr, m_timeouts.queryMs, [s](const char* name, const char* value) {
            const mpd_pair pair{name, value};
            mpd_status_feed(s, &pair);
        });
    if (answered) {
        switch (mpd_status_get_state(s)) {
        case MPD_STATE_PLAY:
            status.state = SStatus::EState::Playing;
            break;
        case MPD_STATE_PAUSE:
            status.state = SStatus::EState::Paused;
            break;
        default:
            status.state = SStatus::EState::Stopped;
        }
        status.listLength = int(mpd_status_get_queue_length(s));
        status.listPosition = mpd_status_get_song_pos(s);
        status.elapsedMs = int(mpd_status_get_elapsed_ms(s));
        status.lengthSeconds = int(mpd_status_get_total_time(s));
        status.volume = mpd_status_get_volume(s);
        if (const char* error = mpd_status_get_error(s))
            status.error = QString::fromUtf8(error);
    }
    mpd_status_free(s);
    if (!answered)
        return false;
    m_status = status;
    m_statusAge.start();
    if (status.listPosition < 0 || !withFile)
        return true;
    QByteArray uri;
    if (!Call("currentsong", nullptr, m_timeouts.queryMs,
              [&uri](const char* name, const char* value) {
                  if (uri.isEmpty() && std::strcmp(name, "file") == 0)
                      uri = value;
              }))
        return false;
    status.file = CFileNames::Decode(uri.constData());
    if (status.file.startsWith(QLatin1String("file://")))
        status.file = status.file.mid(7);
    else if (!status.file.isEmpty() && !status.file.startsWith(u'/'))
        status.file = AbsoluteFile(status.file);
    return true;
}

QString CMpdRemote::AbsoluteFile(const QString& file)
{
    // A song of the player's own music folder is named relative to it (a URL such as
    // http://… is left as it is).
    if (file.contains(QLatin1String("://")))
        return file;
    if (!m_musicFolderAsked) {
        m_musicFolderAsked = true;
        QByteArray folder;
        Call("config", nullptr, m_timeouts.queryMs, [&folder](const char* name, const char* value) {
            if (std::strcmp(name, "music_directory") == 0)
                folder = value;
        });
        m_musicFolder = CFileNames::Decode(folder.constData());
    }
    return m_musicFolder.isEmpty() ? file : QDir(m_musicFolder).filePath(file);
}

bool CMpdRemote::IsPlaying()
{
    SStatus status;
    return Status(status, false) && status.state == SStatus::EState::Playing;
}

bool CMpdRemote::IsPaused()
{
    SStatus status;
    return Status(status, false) && status.state == SStatus::EState::Paused;
}

QString CMpdRemote::CurrentFile()
{
    SStatus status;
    return Status(status) ? status.file : QString();
}

int CMpdRemote::TrackLengthSeconds()
{
    SStatus status;
    return Status(status, false) ? status.lengthSeconds : 0;
}

int CMpdRemote::TrackPositionMs()
{
    SStatus status;
    return Status(status, false) ? status.elapsedMs : 0;
}

void CMpdRemote::SetListPosition(int position)
{
    m_pendingPosition = position;
}

int CMpdRemote::Volume()
{
    SStatus status;
    return Status(status, false) && status.volume >= 0 ? LevelOfPercent(status.volume) : -1;
}

void CMpdRemote::Seek(int seconds)
{
    Order("seekcur", QByteArray::number(qMax(0, seconds)).constData());
}

QString CMpdRemote::TakeError()
{
    SStatus status;
    if (!Status(status, false) || status.error.isEmpty())
        return {};
    // Said once: the player keeps its error until told to forget it.
    Order("clearerror");
    return status.error;
}

void CMpdRemote::SetVolume(int volume)
{
    SetVolumePercent(PercentOfLevel(volume));
}

bool CMpdRemote::SetVolumePercent(int percent)
{
    return Order("setvol", QByteArray::number(qBound(0, percent, 100)).constData());
}

int CMpdRemote::ListLength()
{
    SStatus status;
    return Status(status, false) ? status.listLength : 0;
}

int CMpdRemote::ListPosition()
{
    SStatus status;
    return Status(status, false) ? status.listPosition : -1;
}

void CMpdRemote::Close()
{
    // Only the MPD started with Cratewise's own configuration is stopped: its process
    // (named in its pid file) must still be running with that configuration.
    QByteArray pidText, commandLine;
    QString reason;
    if (!CRegularFile::Read(QDir(OwnFolder(m_dataDir)).filePath(QStringLiteral("pid")), 64, pidText,
                            reason))
        return;
    bool ok = false;
    const qint64 pid = pidText.trimmed().toLongLong(&ok);
    if (!ok || pid <= 1)
        return;
    if (!CRegularFile::Read(QStringLiteral("/proc/%1/cmdline").arg(pid), 64 * 1024, commandLine,
                            reason))
        return;
    if (!commandLine.split('\0').contains(CFileNames::Encode(OwnConfigFile())))
        return;
    Disconnect();
    ::kill(pid_t(pid), SIGTERM);
}
