#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <functional>

class CProgress;

// The walk over a scanned folder: every recognised file, in the order the file system
// lists them, entering sub-folders when the setting "SubDir" is 1. Links to folders are
// not followed (no loops), a folder reached twice is walked once, and a folder that
// cannot be read is skipped (and named by SkippedFolders). Names keep their bytes (see
// CFileNames), and folders deeper than PATH_MAX are walked too. Only regular files (or links to
// them) are taken: a FIFO or device named *.mp3 would block the scan (SkippedFiles names it).
class CDirectoryWalk
{
public:
    // Called for each recognised file; true when a song record was stored.
    using FileSink = std::function<bool(const QString& directory, const QString& fileName)>;

    // Reads "SubDir" and "Recognized" once, at the start of the walk.
    CDirectoryWalk();

    int CountRecognizedFiles(const QString& directory);
    // Calls sink for every recognised file until progress reports Cancel; returns the
    // number of records stored.
    int ScanDirectory(const QString& directory, CProgress* progress, const FileSink& sink);

    struct SSkipped
    {
        QString path;
        QString reason;
    };
    // The sub-folders the last count or scan could not open, with the system's reason.
    const QList<SSkipped>& SkippedFolders() const { return m_skippedFolders; }
    // The names of recognised files the last count or scan left out, not being files (a
    // pipe, a device, a broken link), with the reason.
    const QList<SSkipped>& SkippedFiles() const { return m_skippedFiles; }
    // How many audio files of each type "Recognized filetypes" does not name the last count
    // or scan passed over, by extension in lower case.
    const QMap<QString, int>& PassedOver() const { return m_passedOver; }

private:
    // Visits the recognised files; `cancelled` is asked after every entry and ends the
    // whole walk once it answers true.
    using Visitor = std::function<void(const QString& directory, const QString& fileName)>;
    void Walk(const QString& directory, const Visitor& visit,
              const std::function<bool()>& cancelled);

    // A file or a name that is no file (`why` says what it is) met in a folder.
    void Meet(const QString& folder, const QString& name, bool isFile, const QString& why,
              const Visitor& visit);

    bool m_subDirs = true;
    QString m_recognized;
    QList<SSkipped> m_skippedFolders;
    QList<SSkipped> m_skippedFiles;
    QMap<QString, int> m_passedOver;
};
