#include "intake/CSessionOperations.h"

#include "db/CBatchCommit.h"
#include "db/CCdlistSet.h"
#include "db/CCoverStore.h"
#include "intake/CDirectoryWalk.h"
#include "intake/CIntake.h"
#include "intake/CSessionTexts.h"
#include "model/CAppServices.h"
#include "model/CCdlistDoc.h"
#include "model/CWinampRemote.h"
#include "platform/CFileNames.h"
#include "platform/CProgress.h"
#include "platform/CPrompts.h"
#include "platform/CScanLock.h"
#include "platform/CSettings.h"
#include "platform/CText.h"
#include "platform/CVolumes.h"

#include <QDir>
#include <QSet>
#include <optional>
#include <sys/stat.h>

namespace {

const QString kCDPath = QLatin1String(CSettings::kCDPath);
const QString kCdrecord = QLatin1String(CSettings::kCdrecord);
const QString kCDRoot = QLatin1String(CSettings::kCDRoot);
const QString kMergedPaths = QLatin1String(CSettings::kMergedPaths);
const QString kCDVolume = QLatin1String(CSettings::kCDVolume);

// The session's value in `section` goes with it to its new name; none leaves none.
void CopyOrRemove(const QString& section, const QString& from, const QString& to)
{
    if (CSettings::Contains(section, from))
        CSettings::WriteString(section, to, CSettings::GetString(section, from, QString()));
    else
        CSettings::Remove(section, to);
}

CFilter SessionFilter(const QString& name)
{
    return CFilter::Exactly(ESongColumn::CD, name);
}

} // namespace

// The list and the recorded folder and disc must use the name as the table keeps it, or
// the songs could no longer be found by it.
QString CSessionOperations::StoredName(const QString& name)
{
    return CText::Left(name, CSongColumns::MaxLength(ESongColumn::CD));
}

QString CSessionOperations::StoredPath(const QString& path)
{
    if (path.isEmpty())
        return path;
    return QDir::cleanPath(QDir(path).absolutePath());
}

QStringList CSessionOperations::Folders(const QString& name)
{
    QStringList folders;
    const QString merged = CSettings::GetString(kMergedPaths, name, QString());
    for (const QString& folder :
         QStringList{CSettings::GetString(kCDPath, name, QString())} + merged.split(QChar(0))) {
        if (!folder.isEmpty() && !folders.contains(folder))
            folders << folder;
    }
    return folders;
}

void CSessionOperations::KeepFolders(const QString& name, const QStringList& folders)
{
    QStringList others = folders;
    others.removeAll(CSettings::GetString(kCDPath, name, QString()));
    others.removeDuplicates();
    if (others.isEmpty())
        CSettings::Remove(kMergedPaths, name);
    else
        CSettings::WriteString(kMergedPaths, name, others.join(QChar(0)));
}

QHash<QString, qint64> CSessionOperations::SongsUnder(const QString& name, const QString& folder)
{
    const QString inside = folder.endsWith(u'/') ? folder : folder + u'/';
    QHash<QString, qint64> songs;
    m_doc.Set().Scan(SessionFilter(name), [&](const CCdlistSet::CScanRow& row) {
        const QString path = row.Text(ESongColumn::PATH);
        if (path == folder || path.startsWith(inside))
            songs.insert(CText::JoinPath(path, row.Text(ESongColumn::MELODI)), row.Id());
        return true;
    });
    return songs;
}

void CSessionOperations::RecordFolder(const QString& name, const QString& path)
{
    // Scanning another folder into a listed session adds to it: the earlier folder stays.
    const QStringList before = m_doc.Sessions().Contains(name) ? Folders(name) : QStringList();
    CSettings::WriteInt(kCdrecord, name, int(m_services.volumes->SerialOf(path)));
    CSettings::WriteString(kCDPath, name, path);
    const QString root = m_services.volumes->RootOf(path);
    CSettings::WriteString(kCDRoot, name, root);
    // A stick or card is found again by its own name wherever it is mounted next.
    const QString identity = m_services.volumes->Identity(root);
    if (identity.isEmpty())
        CSettings::Remove(kCDVolume, name);
    else
        CSettings::WriteString(kCDVolume, name, identity);
    KeepFolders(name, before);
}

void CSessionOperations::ForgetFolder(const QString& name)
{
    for (const QString& section : {kCdrecord, kCDPath, kCDRoot, kMergedPaths, kCDVolume})
        CSettings::Remove(section, name);
}

QSet<QString> CSessionOperations::StoredFiles(const QString& name)
{
    QSet<QString> files;
    m_doc.Set().Scan(SessionFilter(name), [&files](const CCdlistSet::CScanRow& row) {
        files.insert(CText::JoinPath(row.Text(ESongColumn::PATH), row.Text(ESongColumn::MELODI)));
        return true;
    });
    return files;
}

bool CSessionOperations::Refused(const CSessionScanLock& lock, const QString& name, SResult& result)
{
    if (lock.Held())
        return false;
    ShowError(CSessionTexts::ScanRunning(name));
    result.outcome = EOutcome::Failed;
    return true;
}

void CSessionOperations::ShowError(const QString& message)
{
    m_services.prompts->Error(message, QStringLiteral("Error"));
}

CSessionOperations::SResult CSessionOperations::AddSession(const QString& given,
                                                           const QString& chosen)
{
    const QString name = StoredName(given);
    SResult result;
    if (name.isEmpty())
        return result;
    if (chosen.isEmpty()) {
        result.outcome = EOutcome::NoFolder;
        return result;
    }
    // Adding to a session that exists is asked first, as a merge is: it cannot be undone
    // by name (a scan cut short is finished the same way).
    if (m_doc.Sessions().Contains(name) &&
        !m_services.prompts->AskOkCancel(CSessionTexts::ConfirmAddTo(name),
                                         QStringLiteral("New Session")))
        return result;
    const CCdlistDoc::CBusy busy(m_doc);
    const QString path = StoredPath(chosen);
    struct stat folder
    {};
    if (::stat(CFileNames::Encode(path).constData(), &folder) != 0 || !S_ISDIR(folder.st_mode)) {
        ShowError(QStringLiteral("Invalid path!"));
        result.outcome = EOutcome::InvalidPath;
        return result;
    }
    m_services.winamp->Command(CWinampRemote::Stop);
    qint64 before = -1;
    bool newSession = true;
    try {
        CDirectoryWalk counting;
        const int count = counting.CountRecognizedFiles(path);
        if (count == 0) {
            result.passedOver = counting.PassedOver();
            QString text = QStringLiteral("No files were found in the specified location.");
            if (!result.passedOver.isEmpty())
                text += u'\n' + CSessionTexts::PassedOver(result.passedOver);
            m_services.prompts->Inform(text, QStringLiteral("No files found"));
            result.outcome = EOutcome::NoFiles;
            return result;
        }
        const std::unique_ptr<CSongFromFile> maker = SongMaker(result);
        if (!maker)
            return result;
        const CSessionScanLock session(name); // until the songs are committed
        if (Refused(session, name, result))
            return result;
        before = m_doc.Set().CountAll();
        const QSet<QString> present = StoredFiles(name);
        newSession = present.isEmpty();
        RecordFolder(name, path);
        Scan(*maker, name, path, count, QStringLiteral("Getting song information"),
             EScanCommits::Batched, result, present);
        if (result.cancelled)
            result.cancelNote = CSessionTexts::ScanCancelled(result.stored, name);
    } catch (const CDbException& e) {
        // What was stored before the failure stays; a new session that stored nothing is
        // not created.
        result.stored = before < 0 ? 0 : int(m_doc.Set().CountAll() - before);
        if (result.stored == 0 && newSession)
            ForgetFolder(name);
        ShowError(e.Message());
        result.outcome = EOutcome::Failed;
    }
    // The session list, the count and a listing of the session follow the catalogue.
    // A scan cancelled before its first song keeps its session listed, to be finished by
    // Update Session.
    if (result.outcome == EOutcome::Done && result.stored == 0)
        m_doc.Catalogue().NoteSessionWithoutSongs(name);
    else if (result.outcome == EOutcome::Done || result.stored > 0)
        m_doc.Catalogue().NoteSession(name, result.stored);
    return result;
}

std::unique_ptr<CSongFromFile> CSessionOperations::SongMaker(SResult& result)
{
    // Without the decoder no song could be measured: the scan is refused, reported.
    QString error;
    std::unique_ptr<CSongFromFile> maker = CSongFromFile::Create(&error);
    if (!maker) {
        ShowError(error);
        result.outcome = EOutcome::Failed;
    }
    return maker;
}

void CSessionOperations::Scan(CSongFromFile& maker, const QString& name, const QString& path,
                              int count, const QString& caption, EScanCommits commits,
                              SResult& result, const QSet<QString>& present,
                              QHash<QString, qint64>* replacing)
{
    CDirectoryWalk walk;
    std::unique_ptr<CProgress> progress = m_services.createProgress(caption, 3, 250);
    progress->SetRange(0, count, 1);
    progress->SetMessage(QStringLiteral("Cratewise is adding %1 found %2...\n\nPress Cancel to "
                                        "abort.")
                             .arg(count)
                             .arg(CText::SongWord(count)));
    std::optional<CBatchCommit> batch;
    if (commits == EScanCommits::Batched)
        batch.emplace(m_doc.Database());
    CIntake intake(m_doc.Set(), m_doc.ExceptSet().Names(), maker); // stores before batch ends
    if (batch)
        intake.SetAfterStore([&batch] { batch->Tick(); });
    result.found = 0;
    result.skipped.clear();
    result.passedOver.clear();
    result.stored =
        walk.ScanDirectory(path, progress.get(), [&](const QString& folder, const QString& file) {
            ++result.found;
            if (!present.isEmpty() && present.contains(CText::JoinPath(folder, file))) {
                ++result.present;
                progress->Step();
                return false;
            }
            const qint64 replaced = replacing ? replacing->take(CText::JoinPath(folder, file)) : 0;
            const bool stored =
                intake.TakeInFile(folder, file, name, progress.get(), replaced > 0 ? replaced : -1);
            if (!stored)
                result.skipped.append({CText::JoinPath(folder, file), intake.SkipReason()});
            return stored;
        });
    intake.Finish();
    for (const CDirectoryWalk::SSkipped& file : walk.SkippedFiles()) {
        ++result.found;
        result.skipped.append({file.path, file.reason});
    }
    for (const CDirectoryWalk::SSkipped& folder : walk.SkippedFolders())
        result.skipped.append({folder.path, folder.reason, true});
    for (auto it = walk.PassedOver().begin(); it != walk.PassedOver().end(); ++it)
        result.passedOver[it.key()] += it.value();
    try {
        if (batch)
            batch->Finish();
    } catch (const CDbException& e) {
        throw e.Naming(path); // the last songs of the folder were not stored
    }
    result.cancelled = progress->IsCancelled();
    progress->Hide();
    result.outcome = EOutcome::Done;
}

CSessionOperations::SResult CSessionOperations::DeleteSession(const std::optional<QString>& name)
{
    if (m_doc.Sessions().Count() == 0) {
        m_services.prompts->Error(QStringLiteral("The database is already empty!"),
                                  QStringLiteral("Database empty"));
        return {};
    }
    if (!name) {
        ShowError(QStringLiteral("No session selected!"));
        return {};
    }
    try {
        const std::vector<qint64> ids = m_doc.Set().Ids(SessionFilter(*name));
        const QSet<qint64> songs(ids.begin(), ids.end());
        int entries = 0;
        for (int row = 0; row < m_doc.Playlist().Count(); ++row)
            entries += songs.contains(m_doc.Playlist().Entry(row).id) ? 1 : 0;
        if (!m_services.prompts->AskOkCancel(
                CSessionTexts::ConfirmDelete(*name, qint64(ids.size()), entries),
                QStringLiteral("Confirm delete...")))
            return {};
    } catch (const CDbException& e) {
        ShowError(e.Message());
        return {};
    }
    SResult result;
    const CCdlistDoc::CBusy busy(m_doc);
    try {
        // Its songs leave every list and the playlist; the other sessions' stay.
        CCatalogue::CChange change(m_doc.Catalogue());
        result.deleted = m_doc.Catalogue().DeleteWhere(SessionFilter(*name));
        m_doc.Catalogue().NoteSession(*name);
        CCoverStore(m_doc.Database()).Prune();
        change.Commit();
        result.outcome = EOutcome::Done;
    } catch (const CDbException& e) {
        ShowError(e.Message());
        result.outcome = EOutcome::Failed;
    }
    return result;
}

CSessionOperations::SResult CSessionOperations::RenameSession(const QString& from,
                                                              const QString& given)
{
    const QString to = StoredName(given);
    SResult result;
    if (to.isEmpty() || from == to)
        return result;
    // Renaming onto a listed session merges the two, which cannot be undone.
    const bool merge = m_doc.Sessions().Contains(to);
    if (merge && !m_services.prompts->AskOkCancel(CSessionTexts::ConfirmMerge(from, to),
                                                  CSessionTexts::RenameCaption()))
        return result;
    const CCdlistDoc::CBusy busy(m_doc);
    try {
        m_doc.Catalogue().RenameSession(from, to);
    } catch (const CDbException& e) {
        ShowError(e.Message());
        result.outcome = EOutcome::Failed;
        return result;
    }
    const QStringList folders = (merge ? Folders(to) : QStringList()) + Folders(from);
    if (!merge || !CSettings::Contains(kCDPath, to)) {
        CSettings::WriteString(kCDPath, to, CSettings::GetString(kCDPath, from, QString()));
        CSettings::WriteInt(kCdrecord, to, CSettings::GetInt(kCdrecord, from, 0));
        // A root left from an earlier session of the new name would move the songs' paths
        // onto the wrong place; without one the paths' own mount point is used.
        CopyOrRemove(kCDRoot, from, to);
        CopyOrRemove(kCDVolume, from, to);
    }
    // Every folder the songs came from stays the session's, for Update Session.
    KeepFolders(to, folders);
    ForgetFolder(from);
    result.outcome = EOutcome::Done;
    return result;
}

CSessionOperations::SResult CSessionOperations::UpdateSession(const std::optional<QString>& name)
{
    // Nothing to ask: songs found again keep their IDs, their playlist entries and counts;
    // only the songs whose files are gone leave.
    if (!name)
        return {};
    return UpdateSessionNamed(*name);
}

CSessionOperations::SResult CSessionOperations::UpdateSessionNamed(const QString& name)
{
    SResult result;
    const CCdlistDoc::CBusy busy(m_doc);
    QStringList folders = Folders(name);
    const bool chosen = folders.isEmpty();
    if (chosen) {
        const QString path = m_services.prompts->ChooseFolder(QString());
        if (path.isEmpty()) {
            // The window's folder picker was cancelled; the command line has none.
            result.outcome = EOutcome::NoRecordedFolder;
            return result;
        }
        folders << StoredPath(path);
    }
    m_services.winamp->Command(CWinampRemote::Stop);
    try {
        // Counting first keeps the songs of a folder whose disc is not in its drive.
        QList<std::pair<QString, int>> present;
        for (const QString& folder : std::as_const(folders)) {
            if (const int count = CDirectoryWalk().CountRecognizedFiles(folder); count > 0)
                present.append({folder, count});
        }
        if (present.isEmpty()) {
            result.outcome = EOutcome::NoFiles;
            return result;
        }
        const std::unique_ptr<CSongFromFile> maker = SongMaker(result);
        if (!maker)
            return result;
        // One transaction: until the rescan is complete the old songs stay, and a
        // failure, a Cancel or the program's death leaves the session as it was. Only the
        // songs of a folder scanned are replaced.
        const CSessionScanLock session(name);
        if (Refused(session, name, result))
            return result;
        CCatalogue::CChange transaction(m_doc.Catalogue());
        int deleted = 0;
        QList<qint64> kept;
        for (const auto& [folder, count] : std::as_const(present)) {
            QHash<QString, qint64> songs = SongsUnder(name, folder);
            const QList<qint64> had = songs.values();
            SResult part;
            Scan(*maker, name, folder, count, QStringLiteral("Updating Session"),
                 EScanCommits::AtEnd, part, {}, &songs);
            // The songs whose files are gone go; the others kept their IDs.
            const QList<qint64> gone = songs.values();
            if (!part.cancelled && !gone.isEmpty())
                deleted += m_doc.Catalogue().DeleteWhere(
                    CFilter::IdIn(std::vector<qint64>(gone.begin(), gone.end())));
            const QSet<qint64> goneIds(gone.begin(), gone.end());
            for (const qint64 id : had)
                if (!goneIds.contains(id))
                    kept << id;
            result.found += part.found;
            result.stored += part.stored;
            result.skipped += part.skipped;
            if (part.cancelled) {
                result.cancelled = true;
                result.cancelNote = CSessionTexts::UpdateCancelled(name);
                result.stored = 0;
                result.outcome = EOutcome::Done;
                return result;
            }
        }
        try {
            CCoverStore(m_doc.Database()).Prune(); // the covers only the old songs had
            m_doc.Catalogue().NoteSession(name, result.stored - int(kept.size()));
            m_doc.Catalogue().NoteChanged(kept);
            transaction.Commit();
        } catch (const CDbException& e) {
            QStringList scanned;
            for (const auto& [folder, count] : std::as_const(present))
                scanned << folder;
            throw e.Naming(scanned.join(u'\n'));
        }
        result.outcome = EOutcome::Done;
        result.deleted = deleted;
        // A newly chosen folder may lie on another drive than the one recorded.
        if (chosen) {
            CSettings::WriteString(kCDPath, name, folders.first());
            CSettings::WriteString(kCDRoot, name, m_services.volumes->RootOf(folders.first()));
        } else if (!CSettings::Contains(kCDRoot, name)) {
            CSettings::WriteString(kCDRoot, name, m_services.volumes->RootOf(folders.first()));
        }
    } catch (const CDbException& e) {
        ShowError(e.Message());
        result = SResult();
        result.outcome = EOutcome::Failed;
    }
    return result;
}
