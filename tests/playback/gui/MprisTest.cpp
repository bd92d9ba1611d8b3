#include "playback/CInternalPlayer.h"
#include "playback/gui/CMprisBridge.h"
#include "support/CTestEnvironment.h"
#include "support/CToneMp3.h"

#include <QDBusArgument>
#include <QDBusInterface>
#include <QDBusPendingCall>
#include <QDBusReply>
#include <QDBusVariant>
#include <QProcess>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QString kPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kPlayer = QStringLiteral("org.mpris.MediaPlayer2.Player");

// Counts the PlaybackStatus changes the desktop would be told of.
class CStatusListener : public QObject
{
    Q_OBJECT
public:
    QStringList statuses;

public Q_SLOTS:
    void OnChanged(const QString&, const QVariantMap& changed, const QStringList&)
    {
        if (changed.contains(QStringLiteral("PlaybackStatus")))
            statuses << changed.value(QStringLiteral("PlaybackStatus")).toString();
    }
};

// A private session bus, as the desktop's would be, and the media controls on it.
class MprisTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {"--session", "--nofork", "--nopidfile", "--print-address=1"});
        ASSERT_TRUE(m_daemon.waitForReadyRead(5000)) << "dbus-daemon did not start";
        const QString address = QString::fromUtf8(m_daemon.readLine().trimmed());
        server = QDBusConnection::connectToBus(address, QStringLiteral("mpris-server"));
        client = QDBusConnection::connectToBus(address, QStringLiteral("mpris-client"));
        ASSERT_TRUE(server.isConnected() && client.isConnected());
    }
    void TearDown() override
    {
        QDBusConnection::disconnectFromBus(QStringLiteral("mpris-server"));
        QDBusConnection::disconnectFromBus(QStringLiteral("mpris-client"));
        m_daemon.terminate();
        m_daemon.waitForFinished(3000);
    }
    // A call from another program on the bus; this one keeps serving meanwhile.
    QDBusMessage Call(const QString& interface, const QString& method,
                      const QVariantList& args = {})
    {
        QDBusMessage message = QDBusMessage::createMethodCall(service, kPath, interface, method);
        message.setArguments(args);
        QDBusPendingCall call = client.asyncCall(message, 5000);
        EXPECT_TRUE(QTest::qWaitFor([&] { return call.isFinished(); }, 6000));
        return call.reply();
    }
    QVariant Property(const QString& name)
    {
        const QDBusMessage reply = Call(QStringLiteral("org.freedesktop.DBus.Properties"),
                                        QStringLiteral("Get"), {kPlayer, name});
        return reply.arguments().value(0).value<QDBusVariant>().variant();
    }

    QProcess m_daemon;
    QDBusConnection server{QString()};
    QDBusConnection client{QString()};
    QString service;
};

TEST_F(MprisTest, TheDesktopSeesTheSongAndPlaysPausesAndStopsIt)
{
    CTestEnvironment env;
    const QString song = env.Root() + "/a.mp3";
    ASSERT_TRUE(CToneMp3::Write(song, {440}, 4.0));
    CInternalPlayer player({QStringLiteral("wav"), env.Root() + "/out.wav"});
    CMprisBridge bridge(
        player,
        [&] {
            player.Open(song);
            player.Play();
        },
        nullptr);
    EXPECT_FALSE(bridge.Register(QDBusConnection(QStringLiteral("no bus"))));
    ASSERT_TRUE(bridge.Register(server));
    service = bridge.ServiceName();
    EXPECT_EQ(service, "org.mpris.MediaPlayer2.cratewise");
    CStatusListener listener;
    ASSERT_TRUE(client.connect(service, kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                               QStringLiteral("PropertiesChanged"), &listener,
                               SLOT(OnChanged(QString, QVariantMap, QStringList))));
    EXPECT_EQ(Property("PlaybackStatus").toString(), "Stopped");

    bridge.SetSong(7, "Title", "Artist");
    Call(kPlayer, "Play"); // nothing open: the last song starts again
    ASSERT_TRUE(QTest::qWaitFor([&] { return player.IsPlaying(); }, 5000));
    EXPECT_EQ(Property("PlaybackStatus").toString(), "Playing");
    const QVariantMap metadata = qdbus_cast<QVariantMap>(Property("Metadata"));
    EXPECT_EQ(metadata.value("xesam:title").toString(), "Title");
    EXPECT_EQ(metadata.value("xesam:artist").toStringList(), QStringList("Artist"));

    Call(kPlayer, "PlayPause");
    ASSERT_TRUE(QTest::qWaitFor([&] { return Property("PlaybackStatus") == "Paused"; }, 3000));
    const qint64 at = player.PositionMs();
    QTest::qWait(300);
    EXPECT_EQ(player.PositionMs(), at);
    Call(kPlayer, "PlayPause");
    ASSERT_TRUE(QTest::qWaitFor([&] { return Property("PlaybackStatus") == "Playing"; }, 3000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return player.PositionMs() > at; }, 3000));

    Call(kPlayer, "Stop");
    ASSERT_TRUE(QTest::qWaitFor([&] { return Property("PlaybackStatus") == "Stopped"; }, 3000));
    EXPECT_TRUE(player.IsStopped());
    EXPECT_TRUE(QTest::qWaitFor([&] { return listener.statuses.size() >= 4; }, 3000));
    EXPECT_EQ(listener.statuses, QStringList({"Playing", "Paused", "Playing", "Stopped"}));
}

} // namespace

#include "MprisTest.moc"
