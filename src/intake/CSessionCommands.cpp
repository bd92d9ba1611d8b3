#include "intake/CSessionCommands.h"

#include "app/CSettings.h"
#include "db/CCdlistSet.h"
#include "intake/CDirectoryWalk.h"
#include "intake/CIntake.h"
#include "intake/CNewSessionDialog.h"
#include "intake/CSessionHost.h"
#include "intake/CSessionNameDialog.h"
#include "intake/CStreamProbe.h"
#include "platform/CText.h"
#include "platform/CVolumes.h"
#include "playback/CWinampRemote.h"
#include "ui/CProgress.h"
#include "ui/CPrompts.h"
#include "ui/CWaitCursor.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <sqlite3.h>

namespace {

const QString kCDPath = QLatin1String(CSettings::kCDPath);
const QString kCdrecord = QLatin1String(CSettings::kCdrecord);
const QString kCDRoot = QLatin1String(CSettings::kCDRoot);

// Groups the records of a scan into short transactions: one commit per record would
// make the database write its log for every file. A commit at least every quarter
// second keeps what a crash can take back small, and Cancel commits at once.
class CBatchCommit
{
public:
    explicit CBatchCommit(CDatabase* db) : m_db(db) { Begin(); }
    ~CBatchCommit()
    {
        if (m_open &&
            sqlite3_exec(m_db->Handle(), "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
            EndOpenTransaction();
    }
    CBatchCommit(const CBatchCommit&) = delete;
    CBatchCommit& operator=(const CBatchCommit&) = delete;

    void Tick()
    {
        if (m_open && m_clock.elapsed() >= kMaxOpenMs) {
            Finish();
            Begin();
        }
    }
    void Finish()
    {
        if (!m_open)
            return;
        m_open = false;
        try {
            m_db->Exec("COMMIT");
        } catch (const CDbException&) {
            EndOpenTransaction();
            throw;
        }
    }

private:
    // A commit that fails can leave the transaction open: every later change would then
    // join it and be lost when the program ends. Its songs are given up instead.
    void EndOpenTransaction()
    {
        if (!sqlite3_get_autocommit(m_db->Handle()))
            sqlite3_exec(m_db->Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    }
    static constexpr qint64 kMaxOpenMs = 250;
    void Begin()
    {
        if (!m_db || !m_db->IsOpen())
            return;
        m_db->Exec("BEGIN");
        m_open = true;
        m_clock.start();
    }

    CDatabase* m_db;
    bool m_open = false;
    QElapsedTimer m_clock;
};

// The song table keeps at most this much of a session name; the list and the recorded
// folder and disc must use the same name or the songs could no longer be found by it.
QString StoredName(const QString& name)
{
    return CText::Left(name, CSongColumns::MaxLength(ESongColumn::CD));
}

CFilter SessionFilter(const QString& name)
{
    return CFilter::Exactly(ESongColumn::CD, name);
}

} // namespace

QString CSessionCommands::StoredPath(const QString& path)
{
    if (path.isEmpty())
        return path;
    return QDir::cleanPath(QDir(path).absolutePath());
}

void CSessionCommands::ResetSet()
{
    m_set.Unfilter();
}

CSessionCommands::SResult CSessionCommands::NewSession()
{
    CNewSessionDialog dialog(m_prompts, m_host.DialogParent());
    // Cancel abandons the scan, also after a folder was chosen.
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return AddSession(dialog.SessionName(), dialog.Path());
}

CSessionCommands::SResult CSessionCommands::AddSession(const QString& given, const QString& chosen)
{
    const QString name = StoredName(given);
    SResult result;
    if (name.isEmpty() || chosen.isEmpty())
        return result;
    CWaitCursor wait;
    const QString path = StoredPath(chosen);
    if (!QFileInfo(path).isDir()) {
        m_prompts.Error(QStringLiteral("Invalid path!"), QStringLiteral("Error"));
        result.outcome = EOutcome::InvalidPath;
        return result;
    }
    m_player.Command(CWinampRemote::Stop);
    try {
        const int count = CDirectoryWalk().CountRecognizedFiles(path);
        if (count == 0) {
            m_prompts.Inform(QStringLiteral("No files where found in the specified location"),
                             QStringLiteral("No files found"));
            result.outcome = EOutcome::NoFiles;
            return result;
        }
        Scan(name, path, count, QStringLiteral("Getting mp3 info"), result);
        m_host.AddSessionEntry(name);
        m_host.RefreshFields();
        CSettings::WriteInt(kCdrecord, name, int(m_volumes.SerialOf(path)));
        CSettings::WriteString(kCDPath, name, path);
        CSettings::WriteString(kCDRoot, name, m_volumes.RootOf(path));
        ResetSet();
    } catch (const CDbException& e) {
        m_prompts.Error(e.Message(), QStringLiteral("Error"));
        result.outcome = EOutcome::Failed;
    }
    return result;
}

void CSessionCommands::Scan(const QString& name, const QString& path, int count,
                            const QString& caption, SResult& result)
{
    CDirectoryWalk walk;
    // Without the decoder no song could be measured: the program reports it and ends.
    std::unique_ptr<CStreamProbe> probe = CStreamProbe::CreateOrExit();
    std::unique_ptr<CProgress> progress = m_host.CreateProgress(caption, 3, 250);
    progress->SetRange(0, count, 1);
    progress->SetMessage(QStringLiteral("Cratewise is adding ") + QString::number(count) +
                         QStringLiteral(" found mp3 files...\n\nPress Cancel to abort."));
    CIntake intake(m_set, m_except, m_prompts, *probe);
    const qint64 before = m_set.CountAll();
    try {
        CBatchCommit batch(m_set.Database());
        result.stored = walk.ScanDirectory(
            path, progress.get(), [&](const QString& folder, const QString& file) {
                const bool stored = intake.TakeInFile(folder, file, name, progress.get());
                batch.Tick();
                return stored;
            });
        batch.Finish();
    } catch (const CDbException&) {
        // The count on the form must still match the table.
        m_host.AdjustSongCount(m_set.CountAll() - before);
        throw;
    }
    result.cancelled = progress->IsCancelled();
    progress->Hide();
    // A crash marker left by the last file would be reported at the next start.
    CSettings::SetString(QStringLiteral("ErrorFile"), QString());
    m_host.AdjustSongCount(result.stored);
    result.outcome = EOutcome::Done;
}

CSessionCommands::SResult CSessionCommands::DeleteSession()
{
    if (m_host.SessionEntryCount() == 0) {
        m_prompts.Error(QStringLiteral("The database is already empty!"),
                        QStringLiteral("Database empty"));
        return {};
    }
    const std::optional<QString> name = m_host.SelectedSession();
    if (!name) {
        m_prompts.Error(QStringLiteral("No session selected!"), QStringLiteral("Error"));
        return {};
    }
    if (!m_prompts.AskOkCancel(
            QStringLiteral("This will remove the selected session\nand clear playlist."),
            QStringLiteral("Confirm delete...")))
        return {};
    SResult result;
    CWaitCursor wait;
    try {
        result.deleted = m_set.DeleteWhere(SessionFilter(*name));
        m_host.AdjustSongCount(-result.deleted);
        m_host.RemoveSelectedSessionEntry();
        m_host.RefreshFields();
        m_host.ClearPlaylist();
        m_host.ClearSongList();
        ResetSet();
        result.outcome = EOutcome::Done;
    } catch (const CDbException& e) {
        m_prompts.Error(e.Message(), QStringLiteral("Error"));
        result.outcome = EOutcome::Failed;
    }
    return result;
}

CSessionCommands::SResult CSessionCommands::RenameSession()
{
    const std::optional<QString> name = m_host.SelectedSession();
    if (!name)
        return {};
    CSessionNameDialog dialog(m_prompts, m_host.DialogParent());
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return RenameSessionTo(*name, dialog.SessionName());
}

CSessionCommands::SResult CSessionCommands::RenameSessionTo(const QString& from,
                                                            const QString& given)
{
    const QString to = StoredName(given);
    SResult result;
    if (to.isEmpty() || from == to)
        return result;
    CWaitCursor wait;
    try {
        m_set.RenameSession(from, to);
        ResetSet();
    } catch (const CDbException& e) {
        m_prompts.Error(e.Message(), QStringLiteral("Error"));
        result.outcome = EOutcome::Failed;
        return result;
    }
    m_host.RemoveSelectedSessionEntry();
    // Renaming onto a listed session merges the two: it stays listed once.
    if (!m_host.HasSessionEntry(to))
        m_host.AddSessionEntry(to);
    CSettings::WriteString(kCDPath, to, CSettings::GetString(kCDPath, from, QString()));
    CSettings::WriteInt(kCdrecord, to, CSettings::GetInt(kCdrecord, from, 0));
    // A root left from an earlier session of the new name would move the songs' paths
    // onto the wrong place; without one the paths' own mount point is used.
    if (CSettings::Contains(kCDRoot, from))
        CSettings::WriteString(kCDRoot, to, CSettings::GetString(kCDRoot, from, QString()));
    else
        CSettings::Remove(kCDRoot, to);
    result.outcome = EOutcome::Done;
    return result;
}

CSessionCommands::SResult CSessionCommands::UpdateSession()
{
    const std::optional<QString> name = m_host.SelectedSession();
    if (!name)
        return {};
    if (!m_prompts.AskOkCancel(
            QStringLiteral("This will update the selected session\nand clear playlist."),
            QStringLiteral("Update Session")))
        return {};
    return UpdateSessionNamed(*name);
}

CSessionCommands::SResult CSessionCommands::UpdateSessionNamed(const QString& name)
{
    SResult result;
    CWaitCursor wait;
    QString path = CSettings::GetString(kCDPath, name, QString());
    const bool chosen = path.isEmpty();
    if (chosen) {
        path = m_prompts.ChooseFolder(QString());
        if (path.isEmpty())
            return result;
    }
    path = StoredPath(path);
    m_player.Command(CWinampRemote::Stop);
    try {
        // Counting first keeps the songs when the disc is not in its drive.
        const int count = CDirectoryWalk().CountRecognizedFiles(path);
        if (count == 0) {
            result.outcome = EOutcome::NoFiles;
            ResetSet();
            return result;
        }
        result.deleted = m_set.DeleteWhere(SessionFilter(name));
        m_host.AdjustSongCount(-result.deleted);
        Scan(name, path, count, QStringLiteral("Updating Session"), result);
        m_host.RefreshFields();
        m_host.ClearPlaylist();
        m_host.ClearSongList();
        CSettings::WriteString(kCDPath, name, path);
        // A newly chosen folder may lie on another drive than the one recorded.
        if (chosen || !CSettings::Contains(kCDRoot, name))
            CSettings::WriteString(kCDRoot, name, m_volumes.RootOf(path));
        ResetSet();
    } catch (const CDbException& e) {
        m_prompts.Error(e.Message(), QStringLiteral("Error"));
        result.outcome = EOutcome::Failed;
    }
    return result;
}
