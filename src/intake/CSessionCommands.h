#pragma once

#include <QString>

class CCdlistSet;
class CExceptSet;
class CPrompts;
class CSessionHost;
class CVolumes;
class CWinampRemote;

// The session commands of the main window: New, Delete, Rename and Update Session, and
// the scans behind them. The window calls the four commands; the command line calls
// the named operations directly.
class CSessionCommands
{
public:
    enum class EOutcome
    {
        Done,        // the scan or change was made (a Cancel during a scan included)
        Abandoned,   // the user said no, or nothing was selected
        InvalidPath, // the folder does not exist
        NoFiles,     // no recognised file in the folder
        Failed,      // a database error, already shown
    };
    struct SResult
    {
        EOutcome outcome = EOutcome::Abandoned;
        int stored = 0;  // song records stored by a scan
        int deleted = 0; // song records removed
        bool cancelled = false;
    };

    CSessionCommands(CSessionHost& host, CCdlistSet& set, CExceptSet& except, CPrompts& prompts,
                     CWinampRemote& player, CVolumes& volumes)
        : m_host(host), m_set(set), m_except(except), m_prompts(prompts), m_player(player),
          m_volumes(volumes)
    {}

    // The window's commands.
    SResult NewSession();
    SResult DeleteSession();
    SResult RenameSession();
    SResult UpdateSession();

    // Scans the folder into a new session (after the dialog).
    SResult AddSession(const QString& name, const QString& path);
    // Renames a session; songs of an existing session of the new name are merged with it.
    SResult RenameSessionTo(const QString& from, const QString& to);
    // Rescans the session from its recorded folder; its songs are kept when that folder
    // holds no recognised file (the disc is not inserted).
    SResult UpdateSessionNamed(const QString& name);

    // "/media/cd/" and "/media/cd" are one folder: the stored form has no trailing slash.
    static QString StoredPath(const QString& path);

private:
    // Shows the progress and walks the folder holding count recognised files.
    void Scan(const QString& name, const QString& path, int count, const QString& caption,
              SResult& result);
    void ResetSet();

    CSessionHost& m_host;
    CCdlistSet& m_set;
    CExceptSet& m_except;
    CPrompts& m_prompts;
    CWinampRemote& m_player;
    CVolumes& m_volumes;
};
