#pragma once

#include "model/CPlaylistGroups.h"
#include "playlist/CCopyNames.h"

#include <QDialog>
#include <functional>

class CPrompts;
class QLabel;
class QProgressBar;
class QPushButton;

// What a copy needs: the songs grouped by session, the folder they go to and the number
// of playlist entries (the range of the overall bar).
struct SCopyJob
{
    QList<SSessionGroup> groups;
    int entries = 0;
    QString targetFolder;
    QStringList protectedFiles; // never replaced by a copy (see CSafeTarget)
    // The file's path now (the CD may sit in another drive); empty skips the file.
    std::function<QString(const QString& path, const QString& session)> locate;
};

// "Copy Files": the destination, the file being copied, a bar for the file and one for
// the whole job, and Start. Closing the window before Start copies nothing; when the job
// is done the window stays open with what was copied, skipped and renamed.
class CCopyFilesDialog : public QDialog
{
    Q_OBJECT
public:
    CCopyFilesDialog(SCopyJob job, CPrompts& prompts, QWidget* parent = nullptr);

    QProgressBar* JobBar() const { return m_jobBar; }
    QLabel* TargetLabel() const { return m_target; }
    QLabel* SummaryLabel() const { return m_summary; }
    QPushButton* StartButton() const { return m_start; }

    // Copies every file in order; stops at the first file that cannot be read or written,
    // with a message naming it. True when the whole job was done (Start then closes).
    bool Start();
    // What the last Start copied and skipped.
    int Copied() const { return m_copied; }
    int Skipped() const { return m_skipped; }

private:
    bool CopyOne(const QString& path, const QString& session, CCopyNames& names);
    void ShowSummary();

    bool m_done = false; // Start has become Close
    int m_copied = 0;
    int m_skipped = 0;
    QStringList m_renamed;

    SCopyJob m_job;
    CPrompts& m_prompts;
    QLabel* m_file = nullptr;
    QLabel* m_target = nullptr;
    QLabel* m_summary = nullptr;
    QProgressBar* m_fileBar = nullptr;
    QProgressBar* m_jobBar = nullptr;
    QPushButton* m_start = nullptr;
};
