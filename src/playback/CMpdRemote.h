#pragma once

#include "model/CWinampRemote.h"

#include <QElapsedTimer>
#include <QList>
#include <QString>

struct mpd_connection;

// The external player is MPD, reached through libmpdclient over a local Unix socket
// (only there may files be added by their absolute path).
//
// The socket: the `PlayerSocket` setting when it is set; else the user's own MPD (the
// local socket MPD_HOST names, $XDG_RUNTIME_DIR/mpd/socket, /run/mpd/socket) and then
// the one of the MPD Cratewise starts itself. Every call has a time limit; a socket that
// does not answer in time is left alone for a while, so that a frozen player costs the
// window one short wait now and then instead of one per call.
class CMpdRemote : public CWinampRemote
{
public:
    struct STimeouts
    {
        int connectMs = 1000; // greeting of a local MPD: a few milliseconds, more on a busy machine
        int callMs = 1000;    // one command
        int addMs = 10000;    // adding a file reads it, perhaps from a disc spinning up
        int backOffMs = 10000; // a socket that timed out is not tried again before this
    };

    // dataDir holds the configuration and state of the MPD that Cratewise starts.
    explicit CMpdRemote(QString dataDir);
    ~CMpdRemote() override;
    CMpdRemote(const CMpdRemote&) = delete;
    CMpdRemote& operator=(const CMpdRemote&) = delete;

    void SetTimeouts(const STimeouts& timeouts) { m_timeouts = timeouts; }

    bool IsRunning() override;
    // For MPD: writes Cratewise's own configuration and starts it with it, unless an MPD
    // already answers. Any other program is started as it is.
    bool Start(const QString& program, bool minimized) override;
    void Command(ECommand command) override;
    void ClearList() override;
    bool AddFile(const QString& path) override;
    void StartList() override;
    bool IsPlaying() override;
    int TrackLengthSeconds() override;
    int TrackPositionMs() override;
    // MPD cannot select a song without playing it: the position is applied by the next Play.
    void SetListPosition(int position) override;
    void SetVolume(int volume) override;
    int ListLength() override;
    int ListPosition() override;
    // Stops the player only when it is the one Cratewise started.
    void Close() override;

    // Beyond the messages: what the command line's status shows.
    struct SStatus
    {
        enum class EState
        {
            Stopped,
            Playing,
            Paused
        } state = EState::Stopped;
        int listLength = 0;
        int listPosition = -1;
        int elapsedMs = 0;
        int lengthSeconds = 0;
        int volume = -1; // 0..100; -1 when the player has no mixer
        QString file;    // the current song's file; empty when none
    };
    // False when no player answers. Without the file it costs one exchange, not two (the
    // poll asks for the numbers only).
    bool Status(SStatus& status, bool withFile = true);

    // The socket that answered last; empty when none did.
    QString Socket() const { return m_connected >= 0 ? m_candidates[m_connected].path : QString(); }
    // Where Cratewise's own MPD listens and the configuration it is started with.
    QString OwnSocket() const;
    QString OwnConfigFile() const;
    // The text of that configuration.
    QString OwnConfiguration() const;

private:
    struct SCandidate
    {
        QString path;
        QString password;
        QElapsedTimer backOff; // valid while the socket is left alone
    };
    void FindCandidates();
    // The open connection, connecting when there is none; null when no player answers.
    mpd_connection* Connection();
    bool TryConnect(int index);
    void Disconnect();
    // Runs one exchange with the time limit; reconnects once when the player had closed an
    // idle connection. False when the player refused or did not answer.
    template <class F> bool Run(F exchange, int timeoutMs = 0);

    QString m_dataDir;
    STimeouts m_timeouts;
    QList<SCandidate> m_candidates;
    mpd_connection* m_connection = nullptr;
    int m_connected = -1;
    int m_pendingPosition = -1;
};
