#include "playback/gui/CMprisBridge.h"

#include "playback/CInternalPlayer.h"

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QStringList>

namespace {

const QString kObjectPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");

// org.mpris.MediaPlayer2: who we are. Cratewise is not raised or quit from outside.
class CMprisRoot : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ False)
    Q_PROPERTY(bool CanRaise READ False)
    Q_PROPERTY(bool HasTrackList READ False)
    Q_PROPERTY(QString Identity READ Identity)
    Q_PROPERTY(QStringList SupportedUriSchemes READ None)
    Q_PROPERTY(QStringList SupportedMimeTypes READ None)
public:
    explicit CMprisRoot(QObject* parent) : QDBusAbstractAdaptor(parent) {}
    bool False() const { return false; }
    QString Identity() const { return QStringLiteral("Cratewise"); }
    QStringList None() const { return {}; }

public Q_SLOTS:
    void Raise() {}
    void Quit() {}
};

// org.mpris.MediaPlayer2.Player: the controls the built-in player has.
class CMprisPlayer : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
    Q_PROPERTY(QVariantMap Metadata READ Metadata)
    Q_PROPERTY(qlonglong Position READ Position)
    Q_PROPERTY(double Rate READ One)
    Q_PROPERTY(double MinimumRate READ One)
    Q_PROPERTY(double MaximumRate READ One)
    Q_PROPERTY(double Volume READ One)
    Q_PROPERTY(bool CanGoNext READ False)
    Q_PROPERTY(bool CanGoPrevious READ False)
    Q_PROPERTY(bool CanSeek READ False)
    Q_PROPERTY(bool CanPlay READ True)
    Q_PROPERTY(bool CanPause READ True)
    Q_PROPERTY(bool CanControl READ True)
public:
    CMprisPlayer(CMprisBridge& bridge, QObject* parent)
        : QDBusAbstractAdaptor(parent), m_bridge(bridge)
    {}
    QString PlaybackStatus() const { return m_bridge.PlaybackStatus(); }
    QVariantMap Metadata() const { return m_bridge.Metadata(); }
    qlonglong Position() const { return m_bridge.PositionUs(); }
    double One() const { return 1.0; }
    bool False() const { return false; }
    bool True() const { return true; }

public Q_SLOTS:
    void Play() { m_bridge.Play(); }
    void Pause() { m_bridge.Pause(); }
    void PlayPause() { m_bridge.PlayPause(); }
    void Stop() { m_bridge.Stop(); }
    void Next() {}
    void Previous() {}
    void Seek(qlonglong) {}
    void SetPosition(const QDBusObjectPath&, qlonglong) {}
    void OpenUri(const QString&) {}

private:
    CMprisBridge& m_bridge;
};

} // namespace

CMprisBridge::CMprisBridge(CInternalPlayer& player, std::function<void()> replay, QObject* parent)
    : QObject(parent), m_player(player), m_replay(std::move(replay))
{
    new CMprisRoot(this);
    new CMprisPlayer(*this, this);
    connect(&m_player, &CInternalPlayer::StateChanged, this, &CMprisBridge::OnState);
}

CMprisBridge::~CMprisBridge()
{
    if (m_registered) {
        m_bus.unregisterObject(kObjectPath);
        m_bus.unregisterService(m_service);
    }
}

bool CMprisBridge::Register(const QDBusConnection& bus)
{
    if (m_registered || !bus.isConnected())
        return false;
    m_bus = bus;
    // A second Cratewise running takes a name of its own.
    m_service = QStringLiteral("org.mpris.MediaPlayer2.cratewise");
    if (!m_bus.registerService(m_service)) {
        m_service += QStringLiteral(".instance%1").arg(QCoreApplication::applicationPid());
        if (!m_bus.registerService(m_service))
            return false;
    }
    if (!m_bus.registerObject(kObjectPath, this, QDBusConnection::ExportAdaptors)) {
        m_bus.unregisterService(m_service);
        return false;
    }
    m_registered = true;
    return true;
}

void CMprisBridge::SetSong(qint64 id, const QString& title, const QString& artist)
{
    m_id = id;
    m_title = title;
    m_artist = artist;
    Announce({{QStringLiteral("Metadata"), Metadata()}});
}

void CMprisBridge::Play()
{
    if (m_state == CInternalPlayer::Paused)
        m_player.Pause(); // resumes
    else if (m_state != CInternalPlayer::Playing && m_replay)
        m_replay();
}

void CMprisBridge::Pause()
{
    if (m_state == CInternalPlayer::Playing)
        m_player.Pause();
}

void CMprisBridge::PlayPause()
{
    if (m_state == CInternalPlayer::Playing)
        Pause();
    else
        Play();
}

void CMprisBridge::Stop()
{
    m_player.Stop();
    m_player.Close();
}

QString CMprisBridge::PlaybackStatus() const
{
    switch (m_state) {
    case CInternalPlayer::Playing:
        return QStringLiteral("Playing");
    case CInternalPlayer::Paused:
        return QStringLiteral("Paused");
    default:
        return QStringLiteral("Stopped");
    }
}

QVariantMap CMprisBridge::Metadata() const
{
    if (m_id <= 0)
        return {};
    return {
        {QStringLiteral("mpris:trackid"),
         QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/cratewise/song/%1").arg(m_id)))},
        {QStringLiteral("mpris:length"), m_player.LengthMs() * 1000},
        {QStringLiteral("xesam:title"), m_title},
        {QStringLiteral("xesam:artist"), QStringList(m_artist)},
    };
}

qint64 CMprisBridge::PositionUs() const
{
    return m_player.PositionMs() * 1000;
}

void CMprisBridge::OnState(int state)
{
    m_state = state == CInternalPlayer::Ended ? int(CInternalPlayer::Stopped) : state;
    Announce({{QStringLiteral("PlaybackStatus"), PlaybackStatus()},
              {QStringLiteral("Metadata"), Metadata()}});
}

void CMprisBridge::Announce(const QVariantMap& changed)
{
    if (!m_registered)
        return;
    QDBusMessage signal =
        QDBusMessage::createSignal(kObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                   QStringLiteral("PropertiesChanged"));
    signal << kPlayerInterface << changed << QStringList();
    m_bus.send(signal);
}

#include "CMprisBridge.moc"
