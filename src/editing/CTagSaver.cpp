#include "editing/CTagSaver.h"

#include "db/CBatchCommit.h"
#include "db/CCdlistSet.h"
#include "db/CGenres.h"
#include "editing/CEditingTexts.h"
#include "editing/CFileRenamer.h"
#include "intake/CNamingRules.h"
#include "model/CAppServices.h"
#include "model/CCdlistDoc.h"
#include "platform/CProgress.h"
#include "platform/CPrompts.h"
#include "platform/CSettings.h"
#include "platform/CText.h"
#include "platform/CVolumes.h"
#include "platform/CWarnings.h"

#include <optional>

namespace {

// The ID3v1 genre of a stored one; -1 for a text or a number outside the table.
int GenreNumber(const QString& stored)
{
    if (stored.size() < 3 || !stored.startsWith(u'(') || !stored.endsWith(u')'))
        return -1;
    bool ok = false;
    const int n = stored.mid(1, stored.size() - 2).toInt(&ok);
    return ok && n >= 0 && n < CGenres::kNamed ? n : -1;
}

CTagFile::SChanges ChangesFor(const STagForm& form, CTagSaver::EMode mode, QString& storedGenre)
{
    const bool single = mode == CTagSaver::EMode::Single;
    const auto field = [single](const QString& text) -> std::optional<QString> {
        if (single || !text.isEmpty())
            return text;
        return std::nullopt;
    };
    CTagFile::SChanges changes;
    if (single)
        changes.title = form.title;
    changes.artist = field(form.artist);
    changes.album = field(form.album);
    changes.year = field(form.year);
    storedGenre.clear();
    if (form.genre && !form.genre->isEmpty()) {
        storedGenre = CGenres::StoredFormOfTag(*form.genre);
        changes.genre = storedGenre;
        changes.genreNumber = GenreNumber(storedGenre);
    } else if (form.genre && single) {
        // An empty genre writes no frame; the record takes the first empty table entry.
        storedGenre = QStringLiteral("(%1)").arg(CGenres::kNamed);
    }
    return changes;
}

QString ListText(const CCdlistSet& set)
{
    return CNamingRules::TitleAsListText() && !set.m_TITLE.isEmpty()
               ? set.m_TITLE
               : CNamingRules::ListName(set.m_MELODI);
}

} // namespace

QString CTagSaver::WriteSongTag(const SAppServices& services, const QString& path,
                                const CTagFile::SChanges& changes)
{
    if (services.volumes && services.volumes->TypeOf(path) == SVolume::EType::CdRom)
        return QStringLiteral("it is on a CD-ROM");
    return CTagFile::Write(path, changes);
}

CTagSaver::SOutcome CTagSaver::Save(const QList<qint32>& ids, const STagForm& form, EMode mode,
                                    bool rename)
{
    SOutcome outcome;
    if (ids.isEmpty())
        return outcome;
    const CTagFile::SChanges changes = ChangesFor(form, mode, m_storedGenre);
    const CCdlistDoc::CBusy busy(m_doc);
    std::unique_ptr<CProgress> progress;
    std::optional<CBatchCommit> batch;
    if (mode == EMode::Multi) {
        progress = m_services.createProgress(CEditingTexts::MultisaveCaption(), 3, 250);
        progress->SetRange(0, int(ids.size()), 1);
        progress->SetMessage(CEditingTexts::Saving(int(ids.size())));
    }
    // Writes go through a set of their own: the window's set may move while events are
    // pumped.
    const std::unique_ptr<CCdlistSet> set = m_doc.NewJobSet();
    m_rowsListed = false;
    try {
        if (mode == EMode::Multi)
            batch.emplace(m_doc.Database());
        for (qint32 id : ids) {
            if (set->FindSongById(id))
                SaveOne(*set, changes, form, mode, rename, outcome);
            if (batch)
                batch->Tick();
            if (progress) {
                progress->Step();
                if (progress->Pump(true)) {
                    outcome.cancelled = true;
                    break;
                }
            }
        }
        if (batch)
            batch->Finish();
    } catch (const CDbException& e) {
        outcome.failed = true;
        m_services.prompts->Error(e.Message(), QStringLiteral("Error"));
    }
    if (progress)
        progress->Hide();
    // The window's set shows the stored record again.
    CCdlistSet& shown = m_doc.Set();
    try {
        if (!shown.IsEOF() && ids.contains(shown.m_ID))
            shown.FindSongById(shown.m_ID);
    } catch (const CDbException&) {
    }
    if (mode == EMode::Multi && !outcome.unwritten.isEmpty()) {
        QStringList names;
        for (const SFailure& f : std::as_const(outcome.unwritten))
            names << CText::Printable(f.path);
        m_services.prompts->Exclaim(CEditingTexts::NotWritten(names),
                                    CEditingTexts::MultisaveCaption());
    }
    return outcome;
}

void CTagSaver::SaveOne(CCdlistSet& set, const CTagFile::SChanges& changes, const STagForm& form,
                        EMode mode, bool rename, SOutcome& outcome)
{
    const QString path = CText::JoinPath(set.m_PATH, set.m_MELODI);
    if (const QString why = WriteSongTag(m_services, path, changes); !why.isEmpty()) {
        outcome.unwritten.append({path, why});
        ShowWarning(*m_services.prompts, QStringLiteral("WarningID3"), CEditingTexts::ReadOnly());
    }
    set.Edit();
    if (mode == EMode::Single)
        set.m_TITLE = form.title;
    for (const auto& [column, value] :
         {std::pair{&set.m_ARTIST, &changes.artist}, std::pair{&set.m_ALBUM, &changes.album},
          std::pair{&set.m_YEAR, &changes.year}}) {
        if (*value)
            *column = **value;
    }
    if (!m_storedGenre.isEmpty())
        set.m_GENRE = m_storedGenre;
    const QString oldName = set.m_MELODI;
    bool renamed = false;
    if (rename) {
        const QString newName = CFileRenamer::NewName(
            CNamingRules::FormattingPattern(), set.m_ARTIST, set.m_TITLE, set.m_ALBUM, oldName);
        const QString why = CFileRenamer::Rename(set.m_PATH, oldName, newName);
        if (why.isEmpty()) {
            set.m_MELODI = newName;
            renamed = newName != oldName;
        } else {
            outcome.notRenamed.append({path, why});
            ShowWarning(*m_services.prompts, QStringLiteral("WarningRename"),
                        CEditingTexts::RenameFailed());
        }
    }
    // After the rename, so that a list of file names shows the new one.
    if (mode == EMode::Single)
        set.m_LIST = ListText(set);
    try {
        set.Update();
    } catch (const CDbException&) {
        // The record keeps the old name: so does the file.
        if (renamed)
            CFileRenamer::Rename(set.m_PATH, set.m_MELODI, oldName);
        throw;
    }
    ++outcome.saved;
    RefreshRow(set);
}

void CTagSaver::RefreshRow(const CCdlistSet& set)
{
    CSongListModel& songs = m_doc.Songs();
    // The list is looked through once per save, not once per song; it is looked through
    // again only when it changed meanwhile (events are pumped between songs).
    const auto current = [&] {
        for (const int row : m_rowsById.values(set.m_ID)) {
            if (row >= songs.RowCount() || songs.Id(row) != set.m_ID)
                return false;
        }
        return true;
    };
    if (!m_rowsListed || !current()) {
        m_rowsById.clear();
        for (int row = 0; row < songs.RowCount(); ++row)
            m_rowsById.insert(songs.Id(row), row);
        m_rowsListed = true;
    }
    for (const int row : m_rowsById.values(set.m_ID))
        songs.RefreshSongRow(row, set);
}

QString CTagSaver::WriteComment(qint32 id, const QString& comment)
{
    CTagFile::SChanges changes;
    changes.comment = comment;
    QString path;
    try {
        const std::unique_ptr<CCdlistSet> set = m_doc.NewJobSet();
        if (!set->FindSongById(id))
            return QString();
        path = CText::JoinPath(set->m_PATH, set->m_MELODI);
    } catch (const CDbException& e) {
        m_services.prompts->Error(e.Message(), QStringLiteral("Error"));
        return e.Message();
    }
    const QString why = WriteSongTag(m_services, path, changes);
    if (!why.isEmpty())
        ShowWarning(*m_services.prompts, QStringLiteral("WarningID3"), CEditingTexts::ReadOnly());
    return why;
}
