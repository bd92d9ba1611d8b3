#pragma once

#include <QHash>
#include <QList>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class CCdlistDoc;
class CSessionScanLock;
class CSongFromFile;
struct SAppServices;

// The session operations: New (after its dialog), Delete, Rename and Update Session, and
// the scans behind them. They change the document and ask their questions through the
// prompts; the window and the command line call them alike.
class CSessionOperations
{
public:
    enum class EOutcome
    {
        Done,             // the scan or change was made (a Cancel during a scan included)
        Abandoned,        // the user said no, or nothing was selected
        InvalidPath,      // the folder does not exist
        NoFolder,         // the folder given is empty
        NoRecordedFolder, // none is recorded for the session and none was chosen
        NoFiles,          // no recognised file in the folder
        Failed,           // a database error, already shown
    };
    // A file (or a folder) a scan found but could not take in, and the system's reason.
    struct SSkipped
    {
        QString path;
        QString reason;
        bool folder = false; // a folder that could not be read: its files are not counted
    };
    struct SResult
    {
        EOutcome outcome = EOutcome::Abandoned;
        int found = 0;   // recognised files a scan met: stored + present + files skipped
        int stored = 0;  // song records stored by a scan
        int deleted = 0; // song records removed
        int present = 0; // files skipped because the session already holds them
        bool cancelled = false;
        QString cancelNote;            // after a Cancel: what was stored and how to finish the job
        QList<SSkipped> skipped;       // the files skipped, then the folders that could not be read
        QMap<QString, int> passedOver; // audio files of types not recognised, by extension
        int SkippedFiles() const { return found - stored - present; }
    };

    CSessionOperations(CCdlistDoc& doc, const SAppServices& services)
        : m_doc(doc), m_services(services)
    {}

    // Scans the folder into a new session. Scanning a folder again into the same session
    // (after a crash or a Cancel) adds only the files it does not hold yet.
    SResult AddSession(const QString& name, const QString& path);
    // Removes the selected session and its songs, after the question.
    SResult DeleteSession(const std::optional<QString>& selected);
    // Renames a session. Onto an existing session it is a merge, after the question: the
    // songs and the folders of both are kept.
    SResult RenameSession(const QString& from, const QString& to);
    // Rescans the selected session, after the question.
    SResult UpdateSession(const std::optional<QString>& selected);
    // Rescans each of the session's folders (asking for one when none is recorded),
    // replacing the songs found in it. The songs of a folder that holds no recognised
    // file (the disc is not inserted) are kept, as are those of no folder of the session.
    SResult UpdateSessionNamed(const QString& name);

    // "/media/cd/" and "/media/cd" are one folder: the stored form has no trailing slash.
    static QString StoredPath(const QString& path);
    // The song table keeps at most this much of a session name.
    static QString StoredName(const QString& name);

private:
    enum class EScanCommits
    {
        Batched, // short transactions: a crash costs at most the last quarter second
        AtEnd,   // inside the caller's transaction
    };
    // What songs are made with; none, after the message, when the decoder cannot be set up.
    std::unique_ptr<CSongFromFile> SongMaker(SResult& result);
    // Shows the progress and walks the folder holding count recognised files. Throws
    // CDbException when a file cannot be stored.
    // `replacing`, when given, holds the songs the folder had by file path: a file found
    // again is stored over its song (which keeps its ID) and leaves the map; what is left
    // are the songs whose files are gone.
    void Scan(CSongFromFile& maker, const QString& name, const QString& path, int count,
              const QString& caption, EScanCommits commits, SResult& result,
              const QSet<QString>& present = {}, QHash<QString, qint64>* replacing = nullptr);
    // The files the session holds already, as folder and name.
    QSet<QString> StoredFiles(const QString& name);
    // The session's folder and disc, recorded before its first song is stored so that a
    // scan cut short can be updated or run again.
    void RecordFolder(const QString& name, const QString& path);
    // Every folder of a session: the recorded one, then those of sessions merged into it
    // or scanned into it.
    static QStringList Folders(const QString& name);
    // Keeps `folders` but the recorded one as the session's other folders.
    static void KeepFolders(const QString& name, const QStringList& folders);
    // The session's songs in the folder or below it, by file path.
    QHash<QString, qint64> SongsUnder(const QString& name, const QString& folder);
    void ForgetFolder(const QString& name);
    // True (the error shown, the outcome Failed) while another scan holds the session.
    bool Refused(const CSessionScanLock& lock, const QString& name, SResult& result);
    void ShowError(const QString& message);

    CCdlistDoc& m_doc;
    const SAppServices& m_services;
};
