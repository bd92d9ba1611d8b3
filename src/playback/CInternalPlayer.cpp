#include "playback/CInternalPlayer.h"

#include "platform/CFileNames.h"
#include "platform/CSettings.h"

#include <QFile>
#include <QHash>
#include <QMetaObject>
#include <QRegularExpression>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <gst/gst.h>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

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
// The 32 bands split the audible range evenly, as an MPEG decoder's subbands do, so
// that stored equalizer settings keep their sound.
constexpr int kBands = 32;
constexpr double kBandWidthHz = 44100.0 / 2 / kBands;
// How long closing the program waits for a player stuck in a sound driver.
constexpr auto kQuitWait = std::chrono::seconds(3);
// How long opening a song may take to find its format and fill the output.
constexpr GstClockTime kOpenWait = 5 * GST_SECOND;
// How often a playing song's position and messages are looked at.
constexpr auto kPoll = std::chrono::milliseconds(40);

QString CannotPlay(const QString& path, const QString& cause)
{
    return QStringLiteral("%1\ncannot be played: %2.").arg(path, cause);
}

template <typename T> struct SUnref
{
    void operator()(T* p) const
    {
        if (p)
            gst_object_unref(p);
    }
};
using CElement = std::unique_ptr<GstElement, SUnref<GstElement>>;
using CBus = std::unique_ptr<GstBus, SUnref<GstBus>>;
struct SMessageUnref
{
    void operator()(GstMessage* m) const { gst_message_unref(m); }
};
using CMessage = std::unique_ptr<GstMessage, SMessageUnref>;

// The sink an output names: "auto" (the desktop's sound server or card), "pulse",
// "alsa", "fake" (discards, at the song's pace), "wav" with a file, or any GStreamer
// audio sink by its element name. Null when none of the comma-separated names exists.
GstElement* MakeSink(const CInternalPlayer::SOutput& output)
{
    for (const QString& name : output.modules.split(u',', Qt::SkipEmptyParts)) {
        const QString module = name.trimmed();
        GstElement* sink = nullptr;
        if (module == QLatin1String("wav")) {
            // 16-bit samples, as a sound card takes them. A file takes data as fast as it
            // comes: synchronised, it keeps the song's pace.
            sink = gst_parse_bin_from_description(
                "audioconvert ! audio/x-raw,format=S16LE ! wavenc ! filesink name=file sync=true",
                TRUE, nullptr);
            if (sink) {
                CElement file(gst_bin_get_by_name(GST_BIN(sink), "file"));
                g_object_set(file.get(), "location", QFile::encodeName(output.device).constData(),
                             nullptr);
            }
        } else {
            static const QHash<QString, const char*> kNames{{"auto", "autoaudiosink"},
                                                            {"pulse", "pulsesink"},
                                                            {"alsa", "alsasink"},
                                                            {"fake", "fakesink"}};
            const QByteArray element =
                kNames.contains(module) ? QByteArray(kNames.value(module)) : module.toUtf8();
            sink = gst_element_factory_make(element.constData(), nullptr);
            if (sink && module == QLatin1String("fake"))
                g_object_set(sink, "sync", TRUE, nullptr);
            if (sink && !output.device.isEmpty() &&
                g_object_class_find_property(G_OBJECT_GET_CLASS(sink), "device"))
                g_object_set(sink, "device", output.device.toUtf8().constData(), nullptr);
        }
        if (sink)
            return sink;
    }
    return nullptr;
}

// Whether an output that picks its device itself (the default, "auto") settled for a sink
// that discards: with no sound server and no sound card it plays on in silence, at the
// song's pace, and the user would watch a clock for nothing.
bool FellBackToSilence(GstElement* sink)
{
    if (!sink || !GST_IS_BIN(sink))
        return false;
    bool silent = false;
    GstIterator* children = gst_bin_iterate_recurse(GST_BIN(sink));
    GValue item = G_VALUE_INIT;
    while (gst_iterator_next(children, &item) == GST_ITERATOR_OK) {
        GstElementFactory* factory =
            gst_element_get_factory(GST_ELEMENT(g_value_get_object(&item)));
        silent = silent || (factory && g_strcmp0(GST_OBJECT_NAME(factory), "fakesink") == 0);
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(children);
    return silent;
}

// What an error says about a song, in words for the user.
QString Cause(const GError* error)
{
    if (error->domain == GST_STREAM_ERROR && (error->code == GST_STREAM_ERROR_TYPE_NOT_FOUND ||
                                              error->code == GST_STREAM_ERROR_WRONG_TYPE))
        return QStringLiteral("no audio was found in it");
    if ((error->domain == GST_STREAM_ERROR && error->code == GST_STREAM_ERROR_CODEC_NOT_FOUND) ||
        (error->domain == GST_CORE_ERROR && error->code == GST_CORE_ERROR_MISSING_PLUGIN))
        return QStringLiteral("no decoder for its format is installed");
    return QString::fromUtf8(error->message).remove(QRegularExpression(QStringLiteral("\\.$")));
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

// The player thread's side: the pipeline and the playing state. GStreamer decodes and
// plays on threads of its own; this thread gives it the commands in order and watches
// its messages.
class CPlayerThread
{
public:
    CPlayerThread(std::shared_ptr<CInternalPlayer::SShared> shared, CInternalPlayer::SOutput output)
        : m_shared(std::move(shared)), m_output(std::move(output))
    {}
    ~CPlayerThread()
    {
        if (m_playbin)
            gst_element_set_state(m_playbin.get(), GST_STATE_NULL);
    }

    void Run();

private:
    bool Build();
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
    void Watch();
    // An error message, reported as the song's or the output's; true when it was one.
    bool TakeError(GstMessage* message);
    void Report(CInternalPlayer::EState state) { m_shared->Report(state); }

    std::shared_ptr<CInternalPlayer::SShared> m_shared;
    CInternalPlayer::SOutput m_output;
    CElement m_playbin;
    CElement m_equalizer;
    GstElement* m_sink = nullptr; // owned by the pipeline
    QString m_path;
    QString m_outputError; // why the output could not be opened, said at Play
    bool m_fileOpen = false;
    bool m_playing = false;
    bool m_paused = false;
    int m_level = 100;
    std::optional<CInternalPlayer::EqualizerTable> m_equalizer_table;
};

bool CPlayerThread::Build()
{
    static const bool initialised = gst_init_check(nullptr, nullptr, nullptr);
    if (!initialised)
        return false;
    // Players are built one at a time: the equalizer registers its bands' type on first
    // use without a lock, and two players building at once (a preview beside the player)
    // would register it twice and crash.
    static std::mutex building;
    std::unique_lock lock(building);
    m_playbin.reset(gst_element_factory_make("playbin", nullptr));
    GstElement* filter = gst_parse_bin_from_description(
        "audioconvert ! equalizer-nbands name=eq num-bands=32 ! audioconvert", TRUE, nullptr);
    lock.unlock();
    if (!m_playbin || !filter) {
        if (filter)
            gst_object_unref(filter);
        m_playbin.reset();
        return false;
    }
    gst_object_ref_sink(m_playbin.get());
    m_equalizer.reset(gst_bin_get_by_name(GST_BIN(filter), "eq"));
    for (int i = 0; i < kBands; ++i) {
        GObject* band = gst_child_proxy_get_child_by_index(GST_CHILD_PROXY(m_equalizer.get()), i);
        // The outer bands are shelves: their frequency is where they begin.
        const double freq = i == 0            ? kBandWidthHz
                            : i == kBands - 1 ? i * kBandWidthHz
                                              : (i + 0.5) * kBandWidthHz;
        g_object_set(band, "freq", freq, "bandwidth", kBandWidthHz, nullptr);
        g_object_unref(band);
    }
    // Audio only, its level set by the player's own volume.
    constexpr int kAudio = 0x02, kSoftVolume = 0x10;
    g_object_set(m_playbin.get(), "flags", kAudio | kSoftVolume, "audio-filter", filter, nullptr);
    m_sink = MakeSink(m_output);
    if (m_sink)
        g_object_set(m_playbin.get(), "audio-sink", m_sink, nullptr);
    return true;
}

void CPlayerThread::Run()
{
    const bool built = Build();
    for (SCommand command;;) {
        Next(command);
        if (command.kind == SCommand::Quit)
            break;
        if (built) {
            Handle(command);
            continue;
        }
        // Said once per song: Play after a failed Open only reports stopped.
        if (command.kind == SCommand::Open)
            m_shared->Fail(QStringLiteral("The audio engine (GStreamer) could not be set up; "
                                          "the built-in player cannot play."));
        if (command.kind == SCommand::Open || command.kind == SCommand::Play)
            Report(CInternalPlayer::Stopped);
    }
    if (m_playing || m_paused)
        DoStop(CInternalPlayer::Stopped);
}

// The next command. While a song plays and no command waits, the pipeline is watched.
void CPlayerThread::Next(SCommand& command)
{
    for (;;) {
        {
            std::unique_lock lock(m_shared->mutex);
            const auto waiting = [this] { return !m_shared->queue.empty(); };
            if (m_playing)
                m_shared->wake.wait_for(lock, kPoll, waiting);
            else
                m_shared->wake.wait(lock, waiting);
            if (!m_shared->queue.empty()) {
                command = std::move(m_shared->queue.front());
                m_shared->queue.pop_front();
                return;
            }
        }
        Watch();
    }
}

void CPlayerThread::Handle(const SCommand& command)
{
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
        if (command.equalizer != m_equalizer_table) {
            m_equalizer_table = command.equalizer;
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

bool CPlayerThread::TakeError(GstMessage* message)
{
    if (GST_MESSAGE_TYPE(message) != GST_MESSAGE_ERROR)
        return false;
    GError* error = nullptr;
    gst_message_parse_error(message, &error, nullptr);
    const bool output =
        m_sink && (GST_MESSAGE_SRC(message) == GST_OBJECT(m_sink) ||
                   gst_object_has_as_ancestor(GST_MESSAGE_SRC(message), GST_OBJECT(m_sink)));
    const QString cause = error ? Cause(error) : QStringLiteral("unknown error");
    if (output)
        m_outputError = cause;
    else
        m_shared->Fail(CannotPlay(m_path, cause));
    if (error)
        g_error_free(error);
    return true;
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
    if (!cause.isEmpty()) {
        m_shared->Fail(CannotPlay(path, cause));
        Report(CInternalPlayer::Stopped);
        return;
    }
    m_path = path;
    m_outputError = m_sink ? QString() : QStringLiteral("no such output");
    gchar* uri = gst_filename_to_uri(native.constData(), nullptr);
    g_object_set(m_playbin.get(), "uri", uri, nullptr);
    g_free(uri);
    ApplyLevel();
    ApplyEqualizer();
    // Paused, the song is opened and decoded up to its first sound: a file that is no
    // song says so now.
    CBus bus(gst_element_get_bus(m_playbin.get()));
    gst_bus_set_flushing(bus.get(), TRUE);
    gst_bus_set_flushing(bus.get(), FALSE);
    if (m_sink) {
        gst_element_set_state(m_playbin.get(), GST_STATE_PAUSED);
        CMessage message(gst_bus_timed_pop_filtered(
            bus.get(), kOpenWait, GstMessageType(GST_MESSAGE_ERROR | GST_MESSAGE_ASYNC_DONE)));
        if (message && TakeError(message.get())) {
            gst_element_set_state(m_playbin.get(), GST_STATE_NULL);
            // A song the output cannot take is said at Play, as an output that never opened.
            if (m_outputError.isEmpty()) {
                m_path.clear();
                Report(CInternalPlayer::Stopped);
                return;
            }
        } else if (FellBackToSilence(m_sink)) {
            gst_element_set_state(m_playbin.get(), GST_STATE_NULL);
            m_outputError = QStringLiteral("no sound server or sound card answers");
        }
    }
    m_fileOpen = true;
    gint64 length = 0;
    m_shared->lengthMs =
        gst_element_query_duration(m_playbin.get(), GST_FORMAT_TIME, &length) && length > 0
            ? length / GST_MSECOND
            : 0;
    m_shared->positionMs = 0;
}

void CPlayerThread::DoPlay()
{
    if (m_paused) {
        DoPause();
        return;
    }
    if (!m_fileOpen || m_playing)
        return;
    if (!m_outputError.isEmpty()) {
        // A WAV file is no sound device: what fails there is writing the file.
        const bool wav = m_output.modules.trimmed() == QLatin1String("wav");
        const QString remedy =
            !m_sink ? QStringLiteral("The sound outputs are not installed: the built-in player "
                                     "needs the GStreamer plugins (gstreamer1.0-plugins-good).")
            : wav   ? QStringLiteral("The file %1 cannot be written.").arg(m_output.device)
                    : QStringLiteral("The built-in player needs a running sound server or a "
                                       "free sound card.");
        m_shared->FailOutput(QStringLiteral("No sound output could be opened (%1: %2).\n%3")
                                 .arg(m_output.modules, m_outputError, remedy));
        Report(CInternalPlayer::Stopped);
        return;
    }
    gst_element_set_state(m_playbin.get(), GST_STATE_PLAYING);
    m_playing = true;
    Report(CInternalPlayer::Playing);
}

void CPlayerThread::DoStop(CInternalPlayer::EState reported)
{
    // Stop means now: what waits in the buffers is dropped. Ready keeps the song open, to
    // play again from its start.
    gst_element_set_state(m_playbin.get(), GST_STATE_READY);
    m_playing = false;
    m_paused = false;
    m_shared->positionMs = 0;
    Report(reported);
}

void CPlayerThread::DoClose()
{
    if (m_playing || m_paused)
        DoStop(CInternalPlayer::Stopped);
    if (m_playbin)
        gst_element_set_state(m_playbin.get(), GST_STATE_NULL);
    m_fileOpen = false;
    m_path.clear();
    m_shared->positionMs = 0;
    m_shared->lengthMs = 0;
}

void CPlayerThread::DoPause()
{
    if (m_playing) {
        gst_element_set_state(m_playbin.get(), GST_STATE_PAUSED);
        m_playing = false;
        m_paused = true;
        Report(CInternalPlayer::Paused);
    } else if (m_paused) {
        gst_element_set_state(m_playbin.get(), GST_STATE_PLAYING);
        m_playing = true;
        m_paused = false;
        Report(CInternalPlayer::Playing);
    }
}

void CPlayerThread::DoSeek(qint64 ms)
{
    if (!m_playing && !m_paused)
        return;
    // A flushing seek: what waits in the buffers belongs to the old place.
    const gint64 at = qMax<qint64>(0, ms) * GST_MSECOND;
    if (gst_element_seek_simple(m_playbin.get(), GST_FORMAT_TIME,
                                GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_KEY_UNIT), at))
        m_shared->positionMs = qMax<qint64>(0, ms);
}

void CPlayerThread::ApplyLevel()
{
    g_object_set(m_playbin.get(), "volume", m_level / 100.0, nullptr);
}

void CPlayerThread::ApplyEqualizer()
{
    // One table for both channels: the settings give both the same.
    for (int i = 0; i < kBands; ++i) {
        const int gain = m_equalizer_table ? (*m_equalizer_table)[i] : 0;
        GObject* band = gst_child_proxy_get_child_by_index(GST_CHILD_PROXY(m_equalizer.get()), i);
        g_object_set(band, "gain", qBound(-100, gain, 100) / 100.0 * kBandRangeDb, nullptr);
        g_object_unref(band);
    }
}

void CPlayerThread::Watch()
{
    gint64 at = 0;
    if (gst_element_query_position(m_playbin.get(), GST_FORMAT_TIME, &at) && at >= 0)
        m_shared->positionMs = at / GST_MSECOND;
    if (m_shared->lengthMs == 0 &&
        gst_element_query_duration(m_playbin.get(), GST_FORMAT_TIME, &at) && at > 0)
        m_shared->lengthMs = at / GST_MSECOND;
    CBus bus(gst_element_get_bus(m_playbin.get()));
    while (CMessage message{
        gst_bus_pop_filtered(bus.get(), GstMessageType(GST_MESSAGE_ERROR | GST_MESSAGE_EOS))}) {
        if (GST_MESSAGE_TYPE(message.get()) == GST_MESSAGE_EOS) {
            DoStop(CInternalPlayer::Ended);
            return;
        }
        TakeError(message.get());
        if (!m_outputError.isEmpty())
            m_shared->FailOutput(QStringLiteral("The sound output failed: %1.").arg(m_outputError));
        DoStop(CInternalPlayer::Stopped);
        return;
    }
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
