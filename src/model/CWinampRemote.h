#pragma once

#include <QString>

// Remote control of the external player: one call per message the program sends.
// Every call returns at once or within the backend's time limit; when no player is
// running the calls do nothing and the queries answer 0.
class CWinampRemote
{
public:
    enum ECommand
    {
        Previous = 40044,
        Play = 40045,
        Pause = 40046,
        Stop = 40047,
        Next = 40048
    };

    virtual ~CWinampRemote() = default;

    virtual bool IsRunning() = 0;
    // Starts the player program; false when it could not be started.
    virtual bool Start(const QString& program, bool minimized) = 0;
    // Why the last Start failed, when the backend knows; empty otherwise.
    virtual QString StartError() const { return {}; }
    virtual void Command(ECommand command) = 0;
    virtual void ClearList() = 0;
    // False when the player refused the file (it is then not in its list).
    virtual bool AddFile(const QString& path) = 0;
    virtual void StartList() = 0;
    virtual bool IsPlaying() = 0;
    // Paused in the middle of a song (Pause resumes it); false when unknown.
    virtual bool IsPaused() { return false; }
    // The file the player is at, as it reports it; empty when none or unknown.
    virtual QString CurrentFile() { return {}; }
    virtual int TrackLengthSeconds() = 0;
    virtual int TrackPositionMs() = 0;
    virtual void SetListPosition(int position) = 0;
    virtual void SetVolume(int volume) = 0; // 0..255
    virtual int ListLength() = 0;
    virtual int ListPosition() = 0;
    virtual void Close() = 0;
    // The player's volume (0..255); -1 when it has none or does not answer.
    virtual int Volume() { return -1; }
    // Goes to this second of the song playing.
    virtual void Seek(int seconds) { Q_UNUSED(seconds); }
    // What the player could not do since last asked (a sound output it could not open),
    // in its words; empty when nothing failed. Asking forgets it.
    virtual QString TakeError() { return {}; }
};

// No player at all: every command goes nowhere.
class CNoWinampRemote : public CWinampRemote
{
public:
    bool IsRunning() override { return false; }
    bool Start(const QString&, bool) override { return false; }
    void Command(ECommand) override {}
    void ClearList() override {}
    bool AddFile(const QString&) override { return false; }
    void StartList() override {}
    bool IsPlaying() override { return false; }
    int TrackLengthSeconds() override { return 0; }
    int TrackPositionMs() override { return 0; }
    void SetListPosition(int) override {}
    void SetVolume(int) override {}
    int ListLength() override { return 0; }
    int ListPosition() override { return 0; }
    void Close() override {}
};
