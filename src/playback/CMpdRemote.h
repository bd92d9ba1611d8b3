#pragma once

#include "model/CWinampRemote.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <functional>

struct mpd_async;
struct mpd_parser;

// The external player is MPD, reached over a local Unix socket (only there may files be
// added by their absolute path), speaking its protocol through libmpdclient's buffer and
// parser.
//
// The socket: the `PlayerSocket` setting when it is set; else the user's own MPD (the
// local socket MPD_HOST names, $XDG_RUNTIME_DIR/mpd/socket, /run/mpd/socket) and then
// the one of the MPD Cratewise starts itself. Every call has a total time limit, however
// the player sends (a player that floods its answer is cut off on time, and no answer is
// kept beyond a bound); a socket that does not answer in time is left alone for a while,
// so that a frozen player costs the window one short wait now and then instead of one per
// call. The queries the window's poll makes share one status exchange with a short limit.
class CMpdRemote : public CWinampRemote
{
public:
    // Each call's whole time, connecting included; connecting takes at most connectMs of it.
    struct STimeouts
    {
        int connectMs = 1000; // greeting of a local MPD: a few milliseconds, more on a busy machine
        int callMs = 1000;    // one command
        int queryMs = 300;    // a status query: the window polls every second
        int addMs = 10000;    // adding a file reads it, perhaps from a disc spinning up
        int backOffMs = 10000; // a socket that timed out or flooded is not tried again before this
    };
    // No answer the program reads comes near this; a longer one is cut off.
    static constexpr qint64 kMaxAnswer = 256 * 1024;
    // A status is reused this long, so the poll's queries cost one exchange.
    static constexpr int kStatusFreshMs = 100;
    // How long after Start a player that is slow to answer is still waited for.
    static constexpr int kStartingMs = 30000;

    // The player's volume levels (the window slider's 0..255) and percentages, rounded so
    // that every percentage comes back as itself.
    static int LevelOfPercent(int percent);
    static int PercentOfLevel(int level);

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
    QString StartError() const override { return m_startError; }
    void Command(ECommand command) override;
    void ClearList() override;
    bool AddFile(const QString& path) override;
    void StartList() override;
    bool IsPlaying() override;
    bool IsPaused() override;
    QString CurrentFile() override;
    int TrackLengthSeconds() override;
    int TrackPositionMs() override;
    // MPD cannot select a song without playing it: the position is applied by the next Play.
    void SetListPosition(int position) override;
    void SetVolume(int volume) override;
    int ListLength() override;
    int ListPosition() override;
    // Stops the player only when it is the one Cratewise started.
    void Close() override;
    int Volume() override;
    void Seek(int seconds) override;
    QString TakeError() override;
    // The volume in percent; false when the player refused (Refusal() says why) or did
    // not answer.
    bool SetVolumePercent(int percent);
    // What the player answered to the last command it refused; empty when it took it.
    QString Refusal() const { return m_refusal; }

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
        QString error;   // what the player could not do (an output it could not open)
    };
    // False when no player answers. Without the file it costs one exchange, not two (the
    // poll asks for the numbers only).
    bool Status(SStatus& status, bool withFile = true);

    // Why the last player that was found misbehaved (did not answer in time, flooded);
    // empty when none did.
    QString Problem() const { return m_problem; }
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
    enum class EAnswer
    {
        Ok,
        Refused, // the player answered ACK; the connection stays usable
        Broken,
        TimedOut,
        TooLong // more than kMaxAnswer: a player that floods
    };
    using PairHandler = std::function<void(const char* name, const char* value)>;

    void FindCandidates();
    void LeaveAlone(SCandidate& candidate, const QString& problem);
    bool Connect(const QDeadlineTimer& deadline);
    bool TryConnect(int index, const QDeadlineTimer& deadline);
    void Disconnect();
    // Whether the idle connection was closed by the player (it drops idle clients) or
    // holds something no command asked for.
    bool Stale() const;
    // Waits for the socket as the library needs it and moves bytes; false on error or
    // when the deadline passed (m_timedOut).
    bool Pump(const QDeadlineTimer& deadline);
    char* ReadLine(const QDeadlineTimer& deadline);
    // Sends one command and reads its whole answer, handing each pair to `pair`.
    EAnswer Exchange(const char* command, const char* argument, const QDeadlineTimer& deadline,
                     const PairHandler& pair);
    // One call within totalMs, connecting first when needed. False when the player refused
    // or did not answer; one that timed out or flooded is left alone for a while.
    bool Call(const char* command, const char* argument, int totalMs, const PairHandler& pair = {});
    // A command that changes the player: the status read before it is stale.
    bool Order(const char* command, const char* argument = nullptr, int totalMs = 0);
    // A file the player names, as an absolute path where its music folder is known.
    QString AbsoluteFile(const QString& file);

    QString m_dataDir;
    STimeouts m_timeouts;
    QList<SCandidate> m_candidates;
    mpd_async* m_async = nullptr;
    mpd_parser* m_parser = nullptr;
    int m_connected = -1;
    bool m_timedOut = false;
    bool m_refused = false; // the last refusal came from a player that answers
    QString m_refusal;      // the player's own words for it
    // The player's music folder, to which the files it names are relative; asked once per
    // connection (only a local socket may ask). Empty when it has none.
    QString m_musicFolder;
    bool m_musicFolderAsked = false;
    int m_pendingPosition = -1;
    SStatus m_status;
    QElapsedTimer m_statusAge; // valid while m_status is fresh enough to reuse
    QString m_startError;
    QString m_problem;
    QElapsedTimer m_started; // when Start launched the player
};
