#include "editing/CTagSaver.h"

#include "db/CBatchCommit.h"
#include "db/CCdlistSet.h"
#include "db/CGenres.h"
#include "editing/CEditingTexts.h"
#include "editing/CFileRenamer.h"
#include "media/CNamingRules.h"
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

QString ListText(const SSong& song)
{
    return CNamingRules::TitleAsListText() && !song.m_TITLE.isEmpty()
               ? song.m_TITLE
               : CNamingRules::ListName(song.m_MELODI);
}

} // namespace

QString CTagSaver::WriteSongTag(const SAppServices& services, const QString& path,
                                const CTagFile::SChanges& changes)
{
    if (services.volumes && services.volumes->TypeOf(path) == SVolume::EType::CdRom)
        return QStringLiteral("it is on a CD-ROM");
    return CTagFile::Write(path, changes);
}

CTagSaver::SOutcome CTagSaver::Save(const QList<qint64>& ids, const STagForm& form, EMode mode,
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
    CCdlistSet& set = m_doc.Set();
    m_rowsListed = false;
    try {
        if (mode == EMode::Multi)
            batch.emplace(m_doc.Database());
        for (qint64 id : ids) {
            if (const std::optional<SSong> song = set.FindSongById(id))
                SaveOne(*song, changes, form, mode, rename, outcome);
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
    if (mode == EMode::Multi && !outcome.unwritten.isEmpty()) {
        QStringList names;
        for (const SFailure& f : std::as_const(outcome.unwritten))
            names << CText::Printable(f.path);
        m_services.prompts->Exclaim(CEditingTexts::NotWritten(names),
                                    CEditingTexts::MultisaveCaption());
    }
    return outcome;
}

void CTagSaver::SaveOne(const SSong& song, const CTagFile::SChanges& changes, const STagForm& form,
                        EMode mode, bool rename, SOutcome& outcome)
{
    const QString path = song.FilePath();
    if (const QString why = WriteSongTag(m_services, path, changes); !why.isEmpty()) {
        outcome.unwritten.append({path, why});
        ShowWarning(*m_services.prompts, QStringLiteral("WarningID3"), CEditingTexts::ReadOnly());
    }
    SSongChanges record;
    if (mode == EMode::Single)
        record.Set(ESongColumn::TITLE, form.title);
    for (const auto& [column, value] : {std::pair{ESongColumn::ARTIST, &changes.artist},
                                        std::pair{ESongColumn::ALBUM, &changes.album},
                                        std::pair{ESongColumn::YEAR, &changes.year}}) {
        if (*value)
            record.Set(column, **value);
    }
    if (!m_storedGenre.isEmpty())
        record.Set(ESongColumn::GENRE, m_storedGenre);
    SSong saved = song;
    record.ApplyTo(saved);
    const QString oldName = song.m_MELODI;
    bool renamed = false;
    if (rename) {
        const QString newName =
            CFileRenamer::NewName(CNamingRules::FormattingPattern(), saved.m_ARTIST, saved.m_TITLE,
                                  saved.m_ALBUM, oldName);
        const QString why = CFileRenamer::Rename(song.m_PATH, oldName, newName);
        if (why.isEmpty()) {
            saved.m_MELODI = newName;
            record.Set(ESongColumn::MELODI, newName);
            renamed = newName != oldName;
        } else {
            outcome.notRenamed.append({path, why});
            ShowWarning(*m_services.prompts, QStringLiteral("WarningRename"),
                        CEditingTexts::RenameFailed());
        }
    }
    // After the rename, so that a list of file names shows the new one.
    if (mode == EMode::Single) {
        saved.m_LIST = ListText(saved);
        record.Set(ESongColumn::LIST, saved.m_LIST);
    }
    try {
        m_doc.Set().Update(song.m_ID, record);
    } catch (const CDbException&) {
        // The record keeps the old name: so does the file.
        if (renamed)
            CFileRenamer::Rename(song.m_PATH, saved.m_MELODI, oldName);
        throw;
    }
    ++outcome.saved;
    RefreshRow(saved);
}

void CTagSaver::RefreshRow(const SSong& song)
{
    CSongListModel& songs = m_doc.Songs();
    // The list is looked through once per save, not once per song; it is looked through
    // again only when it changed meanwhile (events are pumped between songs).
    const auto current = [&] {
        for (const int row : m_rowsById.values(song.m_ID)) {
            if (row >= songs.RowCount() || songs.Id(row) != song.m_ID)
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
    for (const int row : m_rowsById.values(song.m_ID))
        songs.RefreshSongRow(row, song);
}

QString CTagSaver::WriteComment(qint64 id, const QString& comment)
{
    CTagFile::SChanges changes;
    changes.comment = comment;
    QString path;
    try {
        const std::optional<SSong> song = m_doc.Set().FindSongById(id);
        if (!song)
            return QString();
        path = song->FilePath();
    } catch (const CDbException& e) {
        m_services.prompts->Error(e.Message(), QStringLiteral("Error"));
        return e.Message();
    }
    const QString why = WriteSongTag(m_services, path, changes);
    if (!why.isEmpty())
        ShowWarning(*m_services.prompts, QStringLiteral("WarningID3"), CEditingTexts::ReadOnly());
    return why;
}
