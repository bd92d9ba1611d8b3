#include "playback/CMpdRemote.h"

#include "platform/CFileNames.h"
#include "platform/CSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <csignal>
#include <mpd/client.h>
#include <sys/stat.h>
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

} // namespace

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
    const QString setting = CSettings::String(QStringLiteral("PlayerSocket")).trimmed();
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
    const QString setting = CSettings::String(QStringLiteral("PlayerSocket")).trimmed();
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

bool CMpdRemote::TryConnect(int index)
{
    SCandidate& candidate = m_candidates[index];
    mpd_connection* connection = mpd_connection_new(CFileNames::Encode(candidate.path).constData(),
                                                    0, unsigned(m_timeouts.connectMs));
    if (!connection)
        return false;
    const mpd_error error = mpd_connection_get_error(connection);
    if (error == MPD_ERROR_SUCCESS && !candidate.password.isEmpty())
        mpd_run_password(connection, candidate.password.toUtf8().constData());
    if (mpd_connection_get_error(connection) != MPD_ERROR_SUCCESS) {
        if (error == MPD_ERROR_TIMEOUT)
            candidate.backOff.start();
        mpd_connection_free(connection);
        return false;
    }
    mpd_connection_set_timeout(connection, unsigned(m_timeouts.callMs));
    m_connection = connection;
    m_connected = index;
    return true;
}

mpd_connection* CMpdRemote::Connection()
{
    if (m_connection)
        return m_connection;
    FindCandidates();
    for (int i = 0; i < int(m_candidates.size()); ++i) {
        QElapsedTimer& backOff = m_candidates[i].backOff;
        if (backOff.isValid() && backOff.elapsed() < m_timeouts.backOffMs)
            continue;
        backOff.invalidate();
        if (TryConnect(i))
            return m_connection;
    }
    return nullptr;
}

void CMpdRemote::Disconnect()
{
    if (m_connection)
        mpd_connection_free(m_connection);
    m_connection = nullptr;
    m_connected = -1;
}

template <class F> bool CMpdRemote::Run(F exchange, int timeoutMs)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        mpd_connection* connection = Connection();
        if (!connection)
            return false;
        if (timeoutMs > 0)
            mpd_connection_set_timeout(connection, unsigned(timeoutMs));
        const bool ok = exchange(connection);
        const mpd_error error = mpd_connection_get_error(connection);
        if (error == MPD_ERROR_SUCCESS) {
            if (timeoutMs > 0)
                mpd_connection_set_timeout(connection, unsigned(m_timeouts.callMs));
            return ok;
        }
        if (error == MPD_ERROR_SERVER) {
            // The player refused this command; the connection stays usable.
            mpd_connection_clear_error(connection);
            if (timeoutMs > 0)
                mpd_connection_set_timeout(connection, unsigned(m_timeouts.callMs));
            return false;
        }
        if (error == MPD_ERROR_TIMEOUT)
            m_candidates[m_connected].backOff.start();
        Disconnect();
        // Only a connection the player had already closed (it drops idle clients) is worth
        // a second try: the command cannot have reached it.
        if (error != MPD_ERROR_CLOSED && error != MPD_ERROR_SYSTEM)
            return false;
    }
    return false;
}

bool CMpdRemote::IsRunning()
{
    return Run([](mpd_connection* c) {
        return mpd_send_command(c, "ping", nullptr) && mpd_response_finish(c);
    });
}

bool CMpdRemote::Start(const QString& program, bool minimized)
{
    Q_UNUSED(minimized); // MPD has no window
    if (IsRunning())
        return true;
    const QString file = program.trimmed();
    if (file.isEmpty() || file == u"1")
        return false;
    if (QFileInfo(file).fileName() != u"mpd")
        return QProcess::startDetached(file, {});

    const QString own = OwnFolder(m_dataDir);
    const QString socketFolder = QFileInfo(OwnSocket()).absolutePath();
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
    return mpd.startDetached();
}

void CMpdRemote::Command(ECommand command)
{
    switch (command) {
    case Previous:
        Run([](mpd_connection* c) { return mpd_run_previous(c); });
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
            Run([](mpd_connection* c) { return mpd_run_toggle_pause(c); });
        break;
    }
    case Stop:
        Run([](mpd_connection* c) { return mpd_run_stop(c); });
        break;
    case Next:
        Run([](mpd_connection* c) { return mpd_run_next(c); });
        break;
    }
}

void CMpdRemote::ClearList()
{
    m_pendingPosition = -1;
    Run([](mpd_connection* c) { return mpd_run_clear(c); });
}

bool CMpdRemote::AddFile(const QString& path)
{
    const QByteArray bytes = CFileNames::Encode(path);
    return Run([&bytes](mpd_connection* c) { return mpd_run_add(c, bytes.constData()); },
               m_timeouts.addMs);
}

void CMpdRemote::StartList()
{
    const int position = m_pendingPosition;
    m_pendingPosition = -1;
    if (position >= 0)
        Run([position](mpd_connection* c) { return mpd_run_play_pos(c, unsigned(position)); });
    else
        Run([](mpd_connection* c) { return mpd_run_play(c); });
}

bool CMpdRemote::Status(SStatus& status, bool withFile)
{
    status = SStatus();
    return Run([&status, withFile](mpd_connection* c) {
        mpd_status* s = mpd_run_status(c);
        if (!s)
            return false;
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
        mpd_status_free(s);
        if (status.listPosition < 0 || !withFile)
            return true;
        mpd_song* song = mpd_run_current_song(c);
        if (!song)
            return mpd_connection_get_error(c) == MPD_ERROR_SUCCESS;
        QString uri = CFileNames::Decode(mpd_song_get_uri(song));
        if (uri.startsWith(QLatin1String("file://")))
            uri = uri.mid(7);
        status.file = uri;
        mpd_song_free(song);
        return true;
    });
}

bool CMpdRemote::IsPlaying()
{
    SStatus status;
    return Status(status, false) && status.state == SStatus::EState::Playing;
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

void CMpdRemote::SetVolume(int volume)
{
    const unsigned percent = unsigned((qBound(0, volume, 255) * 100 + 127) / 255);
    Run([percent](mpd_connection* c) { return mpd_run_set_volume(c, percent); });
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
    QFile pidFile(QDir(OwnFolder(m_dataDir)).filePath(QStringLiteral("pid")));
    if (!pidFile.open(QIODevice::ReadOnly))
        return;
    bool ok = false;
    const qint64 pid = pidFile.readAll().trimmed().toLongLong(&ok);
    if (!ok || pid <= 1)
        return;
    QFile commandLine(QStringLiteral("/proc/%1/cmdline").arg(pid));
    if (!commandLine.open(QIODevice::ReadOnly))
        return;
    const QList<QByteArray> arguments = commandLine.readAll().split('\0');
    if (!arguments.contains(CFileNames::Encode(OwnConfigFile())))
        return;
    Disconnect();
    ::kill(pid_t(pid), SIGTERM);
}
