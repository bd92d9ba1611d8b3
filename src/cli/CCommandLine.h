#pragma once

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <functional>
#include <stdexcept>
#include <vector>

class CCdlistDoc;
class CCdlistSet;
struct SSong;
class CPrompts;
struct SAppServices;
struct SM3uLine;

// A command-line failure: the message is printed as one line, the exit status is 1 (2 for
// arguments that contradict each other).
class CCliError : public std::runtime_error
{
public:
    explicit CCliError(const QString& message, int status = 1)
        : std::runtime_error(message.toStdString()), m_message(message), m_status(status)
    {}
    const QString& Message() const { return m_message; }
    int Status() const { return m_status; }
    // A session name that names no songs.
    static CCliError NoSession(const QString& session)
    {
        return CCliError(QStringLiteral("there is no session \"%1\"").arg(session));
    }

private:
    QString m_message;
    int m_status;
};

// What a command gets: its own arguments, the document on the open database, the
// services (prompts that answer from --yes / --no, progress on stderr) and the streams.
struct SCliContext
{
    QStringList args;
    QString dataDir;
    CCdlistDoc& doc;
    const SAppServices& services;
    CCdlistSet& set; // the document's set
    CPrompts& prompts;
    QTextStream& out;
    QTextStream& err;
};

struct SCliCommand
{
    QString name;
    QString usage;   // e.g. "config [--defaults | NAME [VALUE]]"
    QString summary; // one line for --help
    std::function<int(SCliContext&)> run;
    // Changes nothing in the catalogue: it runs on one that can only be read (a read-only
    // mount), which every other command refuses with the reason.
    bool onlyReads = false;
    QStringList words = {}; // what the shell completes as the first argument (setting names)
    QString details = {};   // more for the manual page, after the summary
    // Whether the command runs without a catalogue in the data folder: a mistyped folder
    // must not leave an empty catalogue behind and pass for one without songs.
    enum class ECatalogue
    {
        Existing,  // refused with the reason when there is none
        MayCreate, // adds songs: the first one makes the catalogue
        Unused,    // opened only when it exists
    } catalogue = ECatalogue::Existing;
};

// `cratewise <command> …`: the same core as the window, from a terminal.
class CCommandLine
{
public:
    CCommandLine();
    void Add(SCliCommand command);
    const std::vector<SCliCommand>& Commands() const { return m_commands; }

    // Runs the program's command line. Returns -1 when there is no command (the caller
    // starts the window), else the exit status.
    static int Main(int argc, char** argv);
    // Output that did not reach its file (a full disk) fails the command with the reason on
    // err, whatever the command itself returned: a script must not take a cut-off list for
    // the whole one.
    static int CheckOutput(int status, QTextStream& out, QTextStream& err);
    // The --data-dir given on the command line (empty when none).
    static QString DataDirOption(QStringList args);
    // The same with parsed arguments (tests).
    int Run(QStringList args, QTextStream& out, QTextStream& err);

    QString Help() const;
    // The manual page in roff and the bash completion script, both made from the
    // registered commands so that they list exactly what --help lists.
    QString Manual() const;
    QString BashCompletion() const;
    // The options a command's usage names ("--fast", "--title", …).
    static QStringList OptionsOf(const SCliCommand& command);

    // Helpers for commands.
    // Removes "--name VALUE" from args and returns VALUE (empty when absent).
    static QString TakeOption(QStringList& args, const QString& name);
    static bool TakeFlag(QStringList& args, const QString& name);
    // Throws unless exactly `count` positional arguments remain.
    static void ExpectArguments(const QStringList& args, int count, const QString& usage);
    // The lines of an m3u file; throws with the reason on one line.
    static QList<SM3uLine> ReadPlaylist(const QString& file);
    // A text file's UTF-8 contents ("-" is standard input); throws with the reason. A
    // message or lyrics is never near kMaxTextFile: a larger input is refused unread.
    static constexpr qint64 kMaxTextFile = 1024 * 1024;
    static QString ReadText(const QString& name);
    // One song in the columns ID, LIST, TITLE, ARTIST, ALBUM, GENRE, YEAR, BITRATE,
    // DURATION, PATH, MELODI, separated by tabs.
    static void PrintSong(QTextStream& out, const SSong& song);

    // --json: one JSON document instead of the tab-separated lines.
    static bool TakeJson(QStringList& args);
    static void PrintJson(QTextStream& out, const QJsonDocument& document);
    // A song with the columns by their names (LYRICS aside: `lyrics` prints them); ID, USE,
    // BITRATE, DURATION (seconds) and TRACK as numbers.
    static QJsonObject SongJson(const SSong& song);
    // A number the catalogue keeps as text: the number; null when empty; the text when it
    // is none (a value another program stored).
    static QJsonValue NumberJson(const QString& text);

private:
    std::vector<SCliCommand> m_commands;
};

// Registration of every subsystem's commands (one line per subsystem).
void RegisterAllCommands(CCommandLine& cli);
void RegisterAppCommands(CCommandLine& cli);
