#include "playback/CInternalPlayer.h"

#include "platform/CFileNames.h"
#include "platform/CSettings.h"

#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <mpg123.h>
#include <mutex>
#include <out123.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

// Debian ships libout123's sound outputs (pulse, alsa, ...) in the mpg123 package, which an
// installation without recommended packages leaves out; the file outputs are built in.
bool OutputModulesInstalled(const QString& modules)
{
    static const QStringList builtIn{"raw", "cdr", "wav", "au", "test", "hex", "txt"};
    const QString folder =
        qEnvironmentVariable("MPG123_MODDIR", QStringLiteral(CRATEWISE_OUT123_MODULES));
    for (const QString& module : modules.split(u',', Qt::SkipEmptyParts)) {
        if (builtIn.contains(module.trimmed()) ||
            QFileInfo::exists(folder + QStringLiteral("/output_") + module.trimmed() +
                              QStringLiteral(".so")))
            return true;
    }
    return false;
}

struct SCommand
{
    enum EKind
    {
        Open,
        Play,
        Stop,
        Close,
        Pause,
        Level,
        Equalizer,
        Seek,
        Quit
    } kind;
    QString path = {};
    int level = 100;
    std::optional<CInternalPlayer::EqualizerTable> equalizer = std::nullopt;
    qint64 ms = 0;
};

// The decibels the ends of the band sliders stand for: a clear step for the ear, short
// of the distortion a stronger boost brings.
constexpr double kBandRangeDb = 12.0;
// How long closing the program waits for a player stuck in a sound driver.
constexpr auto kQuitWait = std::chrono::seconds(3);

// Modules that write files: they take data as fast as it comes, so the player keeps
// the song's pace itself, as a sound card would.
bool WritesFile(const char* module)
{
    static const char* const kFileModules[] = {"wav", "au", "cdr", "raw", "test", "dummy"};
    for (const char* name : kFileModules)
        if (module && qstrcmp(module, name) == 0)
            return true;
    return false;
}

QString CannotPlay(const QString& path, const QString& cause)
{
    return QStringLiteral("%1\ncannot be played: %2.").arg(path, cause);
}

} // namespace

// What the owner and the player thread share. The thread keeps it alive, so that a
// thread left behind at exit never touches freed memory.
struct CInternalPlayer::SShared
{
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<SCommand> queue;
    bool finished = false;
    std::condition_variable finishedChanged;
    // The object notified; null once it is gone.
    CInternalPlayer* owner = nullptr;
    std::atomic<qint64> positionMs{0};
    std::atomic<qint64> lengthMs{0};

    void Post(SCommand command)
    {
        {
            std::lock_guard lock(mutex);
            queue.push_back(std::move(command));
        }
        wake.notify_one();
    }
    // Runs f on the owner's thread, when the owner still exists.
    template <typename F> void Notify(F f)
    {
        std::lock_guard lock(mutex);
        if (CInternalPlayer* o = owner)
            QMetaObject::invokeMethod(
                o, [o, f] { f(o); }, Qt::QueuedConnection);
    }
    void Report(int state)
    {
        Notify([state](CInternalPlayer* o) { o->OnState(state); });
    }
    void Fail(const QString& message)
    {
        Notify([message](CInternalPlayer* o) { Q_EMIT o->Failed(message); });
    }
    void FailOutput(const QString& message)
    {
        Notify([message](CInternalPlayer* o) { Q_EMIT o->NoOutput(message); });
    }
};

namespace {

// The player thread's side: the decoder and output handles and the playing state.
class CPlayerThread
{
public:
    CPlayerThread(std::shared_ptr<CInternalPlayer::SShared> shared, CInternalPlayer::SOutput output)
        : m_shared(std::move(shared)), m_output(std::move(output))
    {}
    ~CPlayerThread()
    {
        if (m_ao)
            out123_del(m_ao);
        if (m_mh)
            mpg123_delete(m_mh);
    }

    void Run();

private:
    void Next(SCommand& command);
    void Handle(const SCommand& command);
    void DoOpen(const QString& path);
    void DoPlay();
    void DoStop(CInternalPlayer::EState reported);
    void DoClose();
    void DoPause();
    void DoSeek(qint64 ms);
    void ApplyLevel();
    void ApplyEqualizer();
    void DecodeSome();
    bool StartOutput();
    void KeepPace();
    void Report(CInternalPlayer::EState state);
    void Fail(const QString& message);
    void FailOutput(const QString& message);

    std::shared_ptr<CInternalPlayer::SShared> m_shared;
    CInternalPlayer::SOutput m_output;
    mpg123_handle* m_mh = nullptr;
    out123_handle* m_ao = nullptr;
    bool m_outputOpen = false;
    bool m_outputStarted = false;
    bool m_paced = false;
    QString m_path;
    bool m_fileOpen = false;
    bool m_playing = false;
    bool m_paused = false;
    long m_rate = 0;
    int m_channels = 0;
    int m_encoding = 0;
    int m_level = 100;
    std::optional<CInternalPlayer::EqualizerTable> m_equalizer;
    // Where the pace is counted from: the moment and the samples played since.
    std::chrono::steady_clock::time_point m_paceStart;
    qint64 m_pacedSamples = 0;
};

void CPlayerThread::Run()
{
    int rc = mpg123_init();
    if (rc == MPG123_OK)
        m_mh = mpg123_new(nullptr, &rc);
    m_ao = out123_new();
    if (m_mh) {
        mpg123_param(m_mh, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
        // A damaged stretch of a song is skipped however long it is; the rest still plays.
        mpg123_param(m_mh, MPG123_RESYNC_LIMIT, -1, 0);
        // One encoding the output modules all take, any rate, the file's channels.
        mpg123_format_none(m_mh);
        const long* rates = nullptr;
        size_t count = 0;
        mpg123_rates(&rates, &count);
        for (size_t i = 0; i < count; ++i)
            mpg123_format(m_mh, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    }
    if (m_ao)
        out123_param_int(m_ao, OUT123_ADD_FLAGS, OUT123_QUIET);
    for (SCommand command;;) {
        Next(command);
        if (command.kind == SCommand::Quit)
            break;
        Handle(command);
    }
    if (m_playing || m_paused)
        DoStop(CInternalPlayer::Stopped);
    if (m_ao && m_outputOpen)
        out123_close(m_ao);
}

// The next command. While a song plays and no command waits, the song is decoded on.
void CPlayerThread::Next(SCommand& command)
{
    for (;;) {
        {
            std::unique_lock lock(m_shared->mutex);
            if (!m_playing)
                m_shared->wake.wait(lock, [this] { return !m_shared->queue.empty(); });
            if (!m_shared->queue.empty()) {
                command = std::move(m_shared->queue.front());
                m_shared->queue.pop_front();
                return;
            }
        }
        DecodeSome();
    }
}

void CPlayerThread::Handle(const SCommand& command)
{
    if (!m_mh || !m_ao) {
        // Said once per song: Play after a failed Open only reports stopped.
        if (command.kind == SCommand::Open)
            Fail(QStringLiteral("The MP3 decoder could not be set up; the built-in player "
                                "cannot play."));
        if (command.kind == SCommand::Open || command.kind == SCommand::Play)
            Report(CInternalPlayer::Stopped);
        return;
    }
    switch (command.kind) {
    case SCommand::Open:
        DoOpen(command.path);
        break;
    case SCommand::Play:
        DoPlay();
        break;
    case SCommand::Stop:
        if (m_playing || m_paused)
            DoStop(CInternalPlayer::Stopped);
        else
            Report(CInternalPlayer::Stopped);
        break;
    case SCommand::Close:
        DoClose();
        break;
    case SCommand::Pause:
        DoPause();
        break;
    case SCommand::Level:
        if (command.level != m_level) {
            m_level = command.level;
            ApplyLevel();
        }
        break;
    case SCommand::Equalizer:
        if (command.equalizer != m_equalizer) {
            m_equalizer = command.equalizer;
            ApplyEqualizer();
        }
        break;
    case SCommand::Seek:
        DoSeek(command.ms);
        break;
    case SCommand::Quit:
        break;
    }
}

void CPlayerThread::DoOpen(const QString& path)
{
    DoClose();
    // The name's exact bytes: a name that is not UTF-8 is kept in raw-byte characters.
    const QByteArray native = CFileNames::Encode(path);
    struct stat st = {};
    QString cause;
    if (::stat(native.constData(), &st) != 0 && errno == ENOENT)
        cause = QStringLiteral("the file does not exist");
    else if (!S_ISREG(st.st_mode) || ::access(native.constData(), R_OK) != 0)
        cause = QStringLiteral("the file cannot be read");
    else if (mpg123_open(m_mh, native.constData()) != MPG123_OK)
        cause = QString::fromLocal8Bit(mpg123_strerror(m_mh));
    else if (mpg123_getformat(m_mh, &m_rate, &m_channels, &m_encoding) != MPG123_OK ||
             m_rate <= 0) {
        cause = QStringLiteral("no MPEG audio was found in it");
        mpg123_close(m_mh);
    }
    if (!cause.isEmpty()) {
        Fail(CannotPlay(path, cause));
        Report(CInternalPlayer::Stopped);
        return;
    }
    m_path = path;
    m_fileOpen = true;
    ApplyLevel();
    ApplyEqualizer();
    const off_t samples = mpg123_length(m_mh);
    m_shared->lengthMs = samples > 0 ? qint64(samples) * 1000 / m_rate : 0;
    m_shared->positionMs = 0;
}

bool CPlayerThread::StartOutput()
{
    if (!m_outputOpen) {
        const QByteArray modules = m_output.modules.toLocal8Bit();
        const QByteArray device = QFile::encodeName(m_output.device);
        if (out123_open(m_ao, modules.constData(),
                        device.isEmpty() ? nullptr : device.constData()) != 0) {
            const QString remedy =
                OutputModulesInstalled(m_output.modules)
                    ? QStringLiteral("The built-in player needs a running sound server or a "
                                     "free sound card.")
                    : QStringLiteral("The sound outputs are not installed: the built-in player "
                                     "needs the mpg123 package.");
            FailOutput(
                QStringLiteral("No sound output could be opened (%1: %2).\n%3")
                    .arg(m_output.modules, QString::fromLocal8Bit(out123_strerror(m_ao)), remedy));
            return false;
        }
        m_outputOpen = true;
        char* driver = nullptr;
        out123_driver_info(m_ao, &driver, nullptr);
        m_paced = WritesFile(driver);
    }
    if (out123_start(m_ao, m_rate, m_channels, m_encoding) != 0) {
        FailOutput(
            QStringLiteral("The sound output refused the song's format (%1 Hz, %2 channels): %3.")
                .arg(m_rate)
                .arg(m_channels)
                .arg(QString::fromLocal8Bit(out123_strerror(m_ao))));
        return false;
    }
    m_outputStarted = true;
    m_paceStart = std::chrono::steady_clock::now();
    m_pacedSamples = 0;
    return true;
}

void CPlayerThread::DoPlay()
{
    if (m_paused) {
        DoPause();
        return;
    }
    if (!m_fileOpen || m_playing)
        return;
    if (!StartOutput()) {
        Report(CInternalPlayer::Stopped);
        return;
    }
    m_playing = true;
    Report(CInternalPlayer::Playing);
}

void CPlayerThread::DoStop(CInternalPlayer::EState reported)
{
    if (m_outputStarted) {
        // Stop means now: what still waits in the buffers is dropped, except at the end
        // of a song, whose last notes are still to be heard.
        if (reported != CInternalPlayer::Ended)
            out123_drop(m_ao);
        out123_stop(m_ao);
        m_outputStarted = false;
    }
    m_playing = false;
    m_paused = false;
    if (m_fileOpen)
        mpg123_seek(m_mh, 0, SEEK_SET);
    m_shared->positionMs = 0;
    Report(reported);
}

void CPlayerThread::DoClose()
{
    if (m_playing || m_paused)
        DoStop(CInternalPlayer::Stopped);
    if (m_fileOpen)
        mpg123_close(m_mh);
    m_fileOpen = false;
    m_path.clear();
    m_shared->positionMs = 0;
    m_shared->lengthMs = 0;
}

void CPlayerThread::DoPause()
{
    if (m_playing) {
        out123_pause(m_ao);
        m_playing = false;
        m_paused = true;
        Report(CInternalPlayer::Paused);
    } else if (m_paused) {
        out123_continue(m_ao);
        m_paceStart = std::chrono::steady_clock::now();
        m_pacedSamples = 0;
        m_playing = true;
        m_paused = false;
        Report(CInternalPlayer::Playing);
    }
}

void CPlayerThread::DoSeek(qint64 ms)
{
    if (!m_fileOpen || m_rate <= 0)
        return;
    const off_t at = mpg123_seek(m_mh, off_t(qMax<qint64>(0, ms) * m_rate / 1000), SEEK_SET);
    if (at < 0)
        return;
    // What waits in the buffers belongs to the old place.
    if (m_outputStarted)
        out123_drop(m_ao);
    m_paceStart = std::chrono::steady_clock::now();
    m_pacedSamples = 0;
    m_shared->positionMs = qint64(at) * 1000 / m_rate;
}

void CPlayerThread::ApplyLevel()
{
    mpg123_volume(m_mh, m_level / 100.0);
}

void CPlayerThread::ApplyEqualizer()
{
    if (!m_equalizer) {
        mpg123_reset_eq(m_mh);
        return;
    }
    const CInternalPlayer::EqualizerTable& table = *m_equalizer;
    for (int band = 0; band < 32; ++band) {
        mpg123_eq2(m_mh, MPG123_LEFT, band, CInternalPlayer::BandFactor(table[band]));
        mpg123_eq2(m_mh, MPG123_RIGHT, band, CInternalPlayer::BandFactor(table[32 + band]));
    }
}

void CPlayerThread::DecodeSome()
{
    unsigned char buffer[16384];
    size_t done = 0;
    int rc = mpg123_read(m_mh, buffer, sizeof buffer, &done);
    if (rc == MPG123_NEW_FORMAT) {
        // A stream that changes rate or channels midway: the output follows.
        mpg123_getformat(m_mh, &m_rate, &m_channels, &m_encoding);
        out123_stop(m_ao);
        m_outputStarted = false;
        if (!StartOutput()) {
            DoStop(CInternalPlayer::Stopped);
            return;
        }
    }
    if (done > 0) {
        if (out123_play(m_ao, buffer, done) < done && out123_errcode(m_ao) != OUT123_OK) {
            FailOutput(QStringLiteral("The sound output failed: %1.")
                           .arg(QString::fromLocal8Bit(out123_strerror(m_ao))));
            DoStop(CInternalPlayer::Stopped);
            return;
        }
        m_pacedSamples += qint64(done) / (qint64(m_channels) * 2);
        const off_t at = mpg123_tell(m_mh);
        if (at >= 0)
            m_shared->positionMs = qint64(at) * 1000 / m_rate;
        KeepPace();
    }
    if (rc == MPG123_DONE) {
        DoStop(CInternalPlayer::Ended);
    } else if (rc == MPG123_ERR) {
        Fail(CannotPlay(m_path, QString::fromLocal8Bit(mpg123_strerror(m_mh))));
        DoStop(CInternalPlayer::Stopped);
    }
}

void CPlayerThread::KeepPace()
{
    if (!m_paced)
        return;
    const auto due = m_paceStart + std::chrono::microseconds(m_pacedSamples * 1000000 / m_rate);
    // Waits on the commands, so that Stop and Pause act at once.
    std::unique_lock lock(m_shared->mutex);
    m_shared->wake.wait_until(lock, due, [this] { return !m_shared->queue.empty(); });
}

void CPlayerThread::Report(CInternalPlayer::EState state)
{
    m_shared->Report(state);
}

void CPlayerThread::Fail(const QString& message)
{
    m_shared->Fail(message);
}

void CPlayerThread::FailOutput(const QString& message)
{
    m_shared->FailOutput(message);
}

} // namespace

CInternalPlayer::SOutput CInternalPlayer::SOutput::FromEnvironment()
{
    SOutput output;
    const QString chosen = qEnvironmentVariable("CRATEWISE_AUDIO_OUTPUT");
    if (!chosen.isEmpty()) {
        const qsizetype colon = chosen.indexOf(u':');
        output.modules = colon < 0 ? chosen : chosen.left(colon);
        output.device = colon < 0 ? QString() : chosen.mid(colon + 1);
    }
    return output;
}

CInternalPlayer::CInternalPlayer(SOutput output, QObject* parent)
    : QObject(parent), m_shared(std::make_shared<SShared>())
{
    m_shared->owner = this;
    std::thread([shared = m_shared, output = std::move(output)] {
        CPlayerThread(shared, output).Run();
        {
            std::lock_guard lock(shared->mutex);
            shared->finished = true;
        }
        shared->finishedChanged.notify_all();
    }).detach();
}

CInternalPlayer::~CInternalPlayer()
{
    std::unique_lock lock(m_shared->mutex);
    m_shared->owner = nullptr;
    m_shared->queue.push_back({SCommand::Quit});
    m_shared->wake.notify_one();
    // A sound driver that never returns must not keep the program from ending.
    m_shared->finishedChanged.wait_for(lock, kQuitWait, [this] { return m_shared->finished; });
}

void CInternalPlayer::Open(const QString& path)
{
    m_shared->Post({SCommand::Open, path});
}

void CInternalPlayer::Play()
{
    m_shared->Post({SCommand::Play});
}

void CInternalPlayer::Stop()
{
    m_shared->Post({SCommand::Stop});
}

void CInternalPlayer::Close()
{
    m_shared->Post({SCommand::Close});
}

void CInternalPlayer::Pause()
{
    m_shared->Post({SCommand::Pause});
}

void CInternalPlayer::Seek(qint64 ms)
{
    m_shared->Post({SCommand::Seek, {}, 100, std::nullopt, ms});
}

void CInternalPlayer::SetLevel(int level)
{
    m_shared->Post({SCommand::Level, {}, qBound(0, level, 100)});
}

void CInternalPlayer::SetEqualizer(const std::optional<EqualizerTable>& table)
{
    m_shared->Post({SCommand::Equalizer, {}, 100, table});
}

qint64 CInternalPlayer::PositionMs() const
{
    return m_shared->positionMs;
}

qint64 CInternalPlayer::LengthMs() const
{
    return m_shared->lengthMs;
}

void CInternalPlayer::OnState(int state)
{
    if (state == Stopped || state == Ended)
        m_runFlag = ERunFlag::Stopped;
    else if (state == Playing)
        m_runFlag = ERunFlag::Playing;
    Q_EMIT StateChanged(state);
}

int CInternalPlayer::LevelFromSettings()
{
    return CSettings::Int(ESetting::IntVolume);
}

std::optional<CInternalPlayer::EqualizerTable> CInternalPlayer::EqualizerFromSettings()
{
    if (!CSettings::Bool(ESetting::Equalizer))
        return std::nullopt;
    // The eight sliders over the 32 bands: finer steps in the low bands where the ear
    // tells them apart.
    static constexpr int kFirstBand[9] = {0, 1, 2, 4, 6, 8, 14, 20, 32};
    EqualizerTable table{};
    for (int slider = 0; slider < 8; ++slider) {
        const int gain = CSettings::Int(CSettingsTable::EqBand(slider));
        for (int band = kFirstBand[slider]; band < kFirstBand[slider + 1]; ++band)
            table[band] = table[32 + band] = qint8(gain);
    }
    return table;
}

double CInternalPlayer::BandFactor(int gain)
{
    return std::pow(10.0, qBound(-100, gain, 100) / 100.0 * kBandRangeDb / 20.0);
}
