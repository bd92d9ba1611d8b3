#pragma once

#include "db/SSong.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class CCdlistDoc;
struct SAppServices;
struct SSessionGroup;

// What was handed to the player, kept as long as the window lives: slot n holds the song
// ID at the player's list position n.
struct SSentList
{
    QList<qint64> ids;
    QStringList files;     // the file sent into each slot, as the player was given it
    bool sent = false;     // Update Winamp completed at least once
    qint64 lastPlayed = 0; // the song the poll last saw playing
    QString lastFile;      // and the file and list position the player reported for it
    int lastPosition = -1;
};

// What the one-second poll found, for the window to show.
struct SPollResult
{
    bool enableUpdate = false; // the player's list no longer matches the playlist
    bool progressKnown = false;
    int lengthSeconds = 0;
    int positionSeconds = 0;
    bool songStarted = false; // title and artist changed: the song the player reports
    QString title;
    QString artist;
    int volume = -1;     // the player's volume, 0..255; -1 when unknown
    QString playerError; // what the player could not do since the last poll
};

// The external player's operations: Update Winamp (sending the playlist, grouped by
// session, copying disc files first when asked to), Play and the poll that follows what
// the player plays and counts each song it starts.
class CWinampOperations
{
public:
    enum class EUpdate
    {
        Sent,
        Refused,    // an empty playlist or database (reported)
        PathUnset,  // reported; the window opens the Options
        NotStarted, // the player could not be started or the user stopped waiting
        CopyFailed, // reported; the songs sent before it are recorded
    };

    CWinampOperations(CCdlistDoc& doc, const SAppServices& services, SSentList& sent)
        : m_doc(doc), m_services(services), m_sent(sent)
    {}

    // How waiting for the player passes the time: the window keeps handling its events,
    // the command line sleeps. The wait answers false when the program is ending.
    void SetWait(std::function<bool(int ms)> wait) { m_wait = std::move(wait); }
    // How long the wait goes on before the user is asked whether to go on (tests).
    void SetQuestionInterval(int ms) { m_questionMs = ms; }

    // Sends the document's playlist to the player.
    EUpdate UpdateWinamp();
    // Play: the selected playlist entry (-1 for none), else the player's list as it is.
    // Returns why nothing could be played; empty when the player was told to play (or
    // Update Winamp already reported why it could not).
    QString Play(int selectedRow);
    // Pause, Stop, Previous, Next; returns why the player cannot act, empty when it was told.
    QString Command(int command);
    // Every second: jumps to a newly selected entry while playing, and follows the player.
    SPollResult Poll(int selectedRow);
    // The player's list position of a playlist entry: its first slot, else the next free one.
    int PositionOf(qint64 id) const;

    // The player program: the setting, else an MPD on the PATH; empty when there is none.
    static QString PlayerProgram();

private:
    bool WaitForPlayer();
    // Sends the groups; false when a copy failed (reported).
    bool Send(const QList<SSessionGroup>& groups, bool copying);
    void AddToPlayer(const QString& path, qint64 id);
    // The copy of a disc file in the temporary folder; empty when it failed (reported).
    QString CopyToTemp(const QString& source);
    // The song at the player's list position, found by the file the player reports: a
    // list changed behind Cratewise's back must not show another song's title.
    void ShowWhatPlays(int position, SPollResult& result);
    std::optional<SSong> SongOfFile(const QString& file, int position, qint64& id);
    void CountStart(qint64 id);

    CCdlistDoc& m_doc;
    const SAppServices& m_services;
    SSentList& m_sent;
    std::function<bool(int ms)> m_wait;
    int m_questionMs = 30000;
    // Temporary names given out during one Update Winamp, so two discs' files of the same
    // name do not overwrite each other.
    QHash<QString, QString> m_targets;
};
