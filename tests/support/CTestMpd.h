#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <atomic>
#include <thread>

// A real MPD of the test's own: null output, software mixer, a Unix socket in a
// temporary folder. It runs in the foreground as the test's child and is killed with it.
// With a broken output it stands for a machine without a usable sound device: its one
// output names a sound card that does not exist.
class CTestMpd
{
public:
    enum class EOutput
    {
        Null,
        Broken
    };
    explicit CTestMpd(EOutput output = EOutput::Null);
    ~CTestMpd();
    CTestMpd(const CTestMpd&) = delete;
    CTestMpd& operator=(const CTestMpd&) = delete;

    // Before Start: a music folder (its songs are named relative to it, once Update has
    // read it), and an output without volume control.
    void SetMusicFolder(const QString& folder) { m_musicFolder = folder; }
    void SetNoMixer() { m_noMixer = true; }
    // Reads the music folder into the player's database; false when it did not finish.
    bool Update();
    // Starts it and waits until it answers; false (with the reason in Error()) otherwise.
    bool Start();
    void Kill();
    QString Socket() const { return m_dir.path() + QStringLiteral("/mpd.socket"); }
    QString Error() const { return m_error; }
    // Sends one protocol line over a connection of its own and returns the answer.
    QString Ask(const QString& command) const;
    // One value ("state", "volume", "playlistlength", "song", …) of the status.
    QString StatusValue(const QString& key) const;
    // The files in the player's list, in order.
    QStringList Queue() const;

private:
    QTemporaryDir m_dir;
    EOutput m_output;
    QProcess m_process;
    QString m_error;
    QString m_musicFolder;
    bool m_noMixer = false;
};

// A Unix socket that misbehaves like a broken player: it takes connections and never says
// a word (Silent), greets and then falls silent (Greeting), or greets and answers every
// command with endless lines (Flooding; for at most five seconds per connection, so that a
// client without a deadline still ends).
class CSilentSocket
{
public:
    enum class EMode
    {
        Silent,
        Greeting,
        Flooding
    };
    explicit CSilentSocket(EMode mode);
    ~CSilentSocket();
    QString Path() const { return m_path; }

private:
    void Serve();

    QTemporaryDir m_dir;
    QString m_path;
    int m_fd = -1;
    EMode m_mode;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};
