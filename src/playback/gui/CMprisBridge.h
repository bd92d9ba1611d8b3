#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <functional>

class CInternalPlayer;

// The built-in player on the desktop's media controls and media keys (MPRIS over
// D-Bus): play, pause, stop, and the title and artist of the song playing.
class CMprisBridge : public QObject
{
    Q_OBJECT
public:
    // `replay` starts the last song again when Play comes while nothing is open.
    CMprisBridge(CInternalPlayer& player, std::function<void()> replay, QObject* parent);
    ~CMprisBridge() override;

    // Offers the player on the bus; false (and nothing offered) when the bus cannot be
    // reached or refuses the name.
    bool Register(const QDBusConnection& bus);
    QString ServiceName() const { return m_service; }

    // The song now played, for the desktop to show.
    void SetSong(qint64 id, const QString& title, const QString& artist);

    // What the desktop asks for.
    void Play();
    void Pause();
    void PlayPause();
    void Stop();

    QString PlaybackStatus() const;
    QVariantMap Metadata() const;
    qint64 PositionUs() const;

private:
    void OnState(int state);
    void Announce(const QVariantMap& changed);

    CInternalPlayer& m_player;
    std::function<void()> m_replay;
    int m_state = 0;
    qint64 m_id = 0;
    QString m_title;
    QString m_artist;
    QString m_service;
    QDBusConnection m_bus{QString()};
    bool m_registered = false;
};
