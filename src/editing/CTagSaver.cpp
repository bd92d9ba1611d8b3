#include "editing/CTagSaver.h"

#include "db/CCdlistSet.h"
#include "db/CGenres.h"
#include "editing/CEditingTexts.h"
#include "editing/CFileRenamer.h"
#include "media/CAudioFormat.h"
#include "media/CNamingRules.h"
#include "media/CTaggedFile.h"
#include "model/CAppServices.h"
#include "model/CCdlistDoc.h"
#include "model/CDriveLocator.h"
#include "model/CTagFormModel.h"
#include "platform/CFileNames.h"
#include "platform/CProgress.h"
#include "platform/CPrompts.h"
#include "platform/CSafeTarget.h"
#include "platform/CSettings.h"
#include "platform/CText.h"
#include "platform/CVolumes.h"
#include "platform/CWarnings.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

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

// The genre as the record keeps it: an empty one is the first empty entry of the table.
QString StoredGenre(const QString& genre)
{
    return genre.isEmpty() ? QStringLiteral("(%1)").arg(CGenres::kNamed)
                           : CGenres::StoredFormOfTag(genre);
}

// What the file takes: the full texts; an emptied genre clears the file's.
STagChanges FileChanges(const STagEdit& edit)
{
    STagChanges changes = edit;
    if (edit.genre && !edit.genre->isEmpty()) {
        changes.genre = StoredGenre(*edit.genre);
        changes.genreNumber = GenreNumber(*changes.genre);
    }
    return changes;
}

// The column that keeps each field's text as it is (the genre is kept in its stored form,
// the track as its number).
constexpr std::pair<ETagField, ESongColumn> kRecordColumns[] = {
    {ETagField::Title, ESongColumn::TITLE},     {ETagField::Artist, ESongColumn::ARTIST},
    {ETagField::Album, ESongColumn::ALBUM},     {ETagField::Year, ESongColumn::YEAR},
    {ETagField::Comment, ESongColumn::COMMENT}, {ETagField::Lyrics, ESongColumn::LYRICS},
    {ETagField::Track, ESongColumn::TRACK}};

// What the record takes: the texts as the catalogue keeps them.
SSongChanges RecordChanges(const STagEdit& edit)
{
    SSongChanges record;
    const auto keep = [&record](ESongColumn column, const std::optional<QString>& value) {
        const int kept = CSongColumns::KeptLength(column);
        if (!value)
            return;
        if (column == ESongColumn::TRACK)
            record.Set(column, SSong::TrackNumber(*value));
        else
            record.Set(column, kept > 0 ? CText::Left(*value, kept) : *value);
    };
    for (const auto& [field, column] : kRecordColumns)
        keep(column, edit[field]);
    if (edit.genre)
        record.Set(ESongColumn::GENRE, StoredGenre(*edit.genre));
    return record;
}

// A read-only mount or a file nobody may write (a CD-ROM is told by the mount table).
bool ReadOnlyFile(const QString& path)
{
    const QByteArray name = CFileNames::Encode(path);
    struct statvfs fs = {};
    struct stat st = {};
    if (::statvfs(name.constData(), &fs) == 0 && (fs.f_flag & ST_RDONLY))
        return true;
    return ::stat(name.constData(), &st) == 0 && (st.st_mode & 0222) == 0;
}

QString ListText(const SSong& song)
{
    return CNamingRules::TitleAsListText() && !song.m_TITLE.isEmpty()
               ? song.m_TITLE
               : CNamingRules::ListName(song.m_MELODI);
}

// Where the song's file is now: a stick may be mounted elsewhere than at the scan. The
// stored path when no drive holds it (the writer then says why).
QString PathNow(const SAppServices& services, const SSong& song)
{
    const QString stored = song.FilePath();
    if (::access(CFileNames::Encode(stored).constData(), F_OK) == 0 || !services.volumes ||
        !services.prompts)
        return stored;
    const QString now =
        CDriveLocator(*services.volumes, *services.prompts).FindNow(stored, song.m_CD);
    return now.isEmpty() ? stored : now;
}

} // namespace

STagEdit STagEdit::FromForm(const CTagFormModel& form)
{
    STagEdit edit;
    for (const auto& [field, text] : form.Changes())
        edit[field] = text;
    return edit;
}

STagEdit STagEdit::Of(ETagField field, const QString& text)
{
    STagEdit edit;
    edit[field] = text;
    return edit;
}

STagEdit STagEdit::ForCell(ESongColumn column, const QString& text)
{
    // The Title column shows the list name; the genre is a name of the table, or other text.
    if (column == ESongColumn::LIST)
        return Of(ETagField::Title, text);
    if (column == ESongColumn::GENRE)
        return Of(ETagField::Genre, text);
    for (const auto& [field, shown] : kRecordColumns)
        if (shown == column && column != ESongColumn::TITLE && column != ESongColumn::LYRICS)
            return Of(field, text);
    return {};
}

STagEdit STagEdit::ForMany() const
{
    STagEdit many;
    for (int f = 0; f < kTagFieldCount; ++f) {
        const std::optional<QString>& value = (*this)[ETagField(f)];
        if (value && !value->isEmpty())
            many[ETagField(f)] = value;
    }
    many.title.reset();
    many.track.reset();
    return many;
}

QString CTagSaver::WriteSongTag(const SAppServices& services, const QString& path,
                                const STagChanges& changes, STagBefore* before)
{
    if (services.volumes && services.volumes->TypeOf(path) == SVolume::EType::CdRom)
        return QStringLiteral("it is on a CD-ROM");
    return CTaggedFile::Write(path, changes, before);
}

bool CTagSaver::OnReadOnlyMedia(const QString& path)
{
    return OnCdRom(path) || ReadOnlyFile(path);
}

bool CTagSaver::OnCdRom(const QString& path)
{
    if (!m_services.volumes)
        return false;
    const QString folder = path.left(path.lastIndexOf(u'/'));
    const auto known = m_cdRomFolders.constFind(folder);
    if (known != m_cdRomFolders.cend())
        return *known;
    const bool cdRom = m_services.volumes->TypeOf(path) == SVolume::EType::CdRom;
    m_cdRomFolders.insert(folder, cdRom);
    return cdRom;
}

CTagSaver::SOutcome CTagSaver::Save(const QList<qint64>& ids, const STagEdit& given, EMode mode,
                                    bool rename)
{
    SOutcome outcome;
    if (ids.isEmpty())
        return outcome;
    const STagEdit edit = mode == EMode::Multi ? given.ForMany() : given;
    ForgetFiles();
    const CCdlistDoc::CBusy busy(m_doc);
    // Each song is its own commit; the lists follow them all at once.
    const CCatalogue::CHold hold(m_doc.Catalogue());
    m_mode = mode;
    std::unique_ptr<CProgress> progress;
    if (mode == EMode::Multi) {
        progress = m_services.createProgress(CEditingTexts::MultisaveCaption(), 3, 250);
        progress->SetRange(0, int(ids.size()), 1);
        progress->SetMessage(CEditingTexts::Saving(int(ids.size())));
    }
    try {
        for (qint64 id : ids) {
            SaveOne(id, edit, rename, outcome);
            if (progress) {
                progress->Step();
                if (progress->Pump(true)) {
                    outcome.cancelled = true;
                    break;
                }
            }
        }
    } catch (const CDbException& e) {
        outcome.failed = true;
        m_services.prompts->Error(e.Message(), QStringLiteral("Error"));
    }
    if (progress)
        progress->Hide();
    // Those on read-only media had their warning.
    QStringList names;
    for (const SFailure& f : std::as_const(outcome.unwritten))
        if (!f.recordChanged)
            names << QStringLiteral("%1 (%2)").arg(CText::Printable(f.path), f.reason);
    if (mode == EMode::Multi && m_nameFailures && !names.isEmpty())
        m_services.prompts->Exclaim(CEditingTexts::NotWritten(names),
                                    CEditingTexts::MultisaveCaption());
    return outcome;
}

QString CTagSaver::Refusal(const QString& path)
{
    if (!m_ownFiles)
        m_ownFiles.emplace(
            CSafeTarget::ProgramFiles(m_doc.Database().Path(), CSettings::FilePath()));
    if (m_ownFiles->Holds(path))
        return CEditingTexts::ProgramFile();
    // A file that cannot be read is left to the writer, which names the cause.
    if (::access(CFileNames::Encode(path).constData(), R_OK) != 0)
        return QString();
    // A link to a picture or a text named like a song: a tag would corrupt it. Each format
    // is checked by its own reader.
    const CTagFormat& format = CTaggedFile::OfFile(path);
    if (format.HoldsAudio(path))
        return QString();
    // What is not recognised as another format is named after its file name's.
    return CEditingTexts::NotAudio(CAudioFormat::Name(
        format.Format() == EAudioFormat::Mpeg ? CAudioFormat::ByName(path) : format.Format()));
}

std::optional<CTagSaver::SPrepared> CTagSaver::Prepare(qint64 id, const STagEdit& edit, bool rename)
{
    const std::optional<SSong> song = m_doc.Set().FindSongById(id);
    if (!song)
        return std::nullopt;
    SPrepared p;
    p.song = p.saved = *song;
    p.path = PathNow(m_services, *song);
    p.folder = p.path == song->FilePath() ? song->m_PATH : p.path.left(p.path.lastIndexOf(u'/'));
    p.file = FileChanges(edit);
    p.refused = rename || !p.file.IsEmpty() ? Refusal(p.path) : QString();
    p.record = RecordChanges(edit);
    p.record.ApplyTo(p.saved);
    if (rename && p.refused.isEmpty()) {
        const QString newName =
            CFileRenamer::NewName(CNamingRules::FormattingPattern(), p.saved.m_ARTIST,
                                  p.saved.m_TITLE, p.saved.m_ALBUM, song->m_MELODI);
        if (newName != song->m_MELODI)
            p.record.Set(ESongColumn::MELODI, newName);
        p.saved.m_MELODI = newName;
    }
    if (p.record.Has(ESongColumn::TITLE) || p.record.Has(ESongColumn::MELODI))
        p.record.Set(ESongColumn::LIST, ListText(p.saved));
    return p;
}

QList<CTagSaver::SPlanned> CTagSaver::Plan(const QList<qint64>& ids, const STagEdit& given,
                                           EMode mode, bool rename)
{
    const STagEdit edit = mode == EMode::Multi ? given.ForMany() : given;
    ForgetFiles();
    QList<SPlanned> plan;
    for (qint64 id : ids) {
        std::optional<SPrepared> p = Prepare(id, edit, rename);
        if (!p)
            continue;
        SPlanned planned{p->song, p->path, std::move(p->record), p->refused};
        // A CD-ROM counts among them.
        planned.readOnly = p->refused.isEmpty() && !p->file.IsEmpty() && OnReadOnlyMedia(p->path);
        plan.append(std::move(planned));
    }
    return plan;
}

void CTagSaver::SaveOne(qint64 id, const STagEdit& edit, bool rename, SOutcome& outcome)
{
    QList<ESetting> warnings; // shown once the write lock is given back
    QString unwritten;
    bool readOnly = false;
    SSong saved;
    {
        // The write lock before the file: a catalogue another program holds leaves the
        // file as it was.
        CCatalogue::CChange change(m_doc.Catalogue());
        std::optional<SPrepared> p = Prepare(id, edit, rename);
        if (!p)
            return;
        const SSong* const song = &p->song;
        const QString& path = p->path;
        const QString& folder = p->folder;
        const STagChanges& file = p->file;
        const QString& refused = p->refused;
        SSongChanges& record = p->record;
        saved = p->saved;
        bool renamed = false;
        // A record that cannot be written: the file is not touched.
        m_doc.Catalogue().Update(id, record);
        STagBefore before;
        bool written = false;
        unwritten = refused;
        if (!file.IsEmpty() && refused.isEmpty()) {
            unwritten = OnCdRom(path) ? QStringLiteral("it is on a CD-ROM")
                                      : CTaggedFile::Write(path, file, &before);
            written = unwritten.isEmpty();
        }
        if (!unwritten.isEmpty()) {
            // Only a medium nothing can be written to keeps the change in the catalogue
            // alone; anywhere else file and record stay as they were, together.
            readOnly = OnReadOnlyMedia(path);
            outcome.unwritten.append({path, unwritten, readOnly});
            rename = false;
        }
        // The transaction ends without a commit: the record stays as the file is.
        if (!unwritten.isEmpty() && !readOnly)
            return ReportUnwritten(std::move(change), path, unwritten);
        if (rename) {
            const QString why = CFileRenamer::Rename(folder, song->m_MELODI, saved.m_MELODI);
            renamed = why.isEmpty() && saved.m_MELODI != song->m_MELODI;
            if (!why.isEmpty()) {
                // The record keeps the old name, as the file does.
                SSongChanges name;
                name.Set(ESongColumn::MELODI, song->m_MELODI);
                saved.m_MELODI = song->m_MELODI;
                if (record.Has(ESongColumn::LIST))
                    name.Set(ESongColumn::LIST, saved.m_LIST = ListText(saved));
                m_doc.Catalogue().Update(id, name);
                outcome.notRenamed.append({path, why});
                warnings << ESetting::WarningRename;
            }
        }
        try {
            change.Commit();
        } catch (const CDbException&) {
            // The record could not be kept: neither is the file's change.
            if (renamed)
                CFileRenamer::Rename(folder, saved.m_MELODI, song->m_MELODI);
            if (written)
                CTaggedFile::Restore(path, before);
            throw;
        }
    }
    if (readOnly) {
        // Lyrics have a warning of their own.
        const bool lyrics = edit.lyrics && !edit.TouchesForm() && !edit.comment;
        warnings.prepend(lyrics ? ESetting::WarningLyrics : ESetting::WarningID3);
    }
    for (const ESetting warning : std::as_const(warnings))
        ShowWarning(*m_services.prompts, warning,
                    warning == ESetting::WarningRename ? CEditingTexts::RenameFailed()
                                                       : CEditingTexts::ReadOnly());
    ++outcome.saved; // the list, the playlist and the tag fields follow the catalogue
}

void CTagSaver::ReportUnwritten(CCatalogue::CChange&& change, const QString& path,
                                const QString& reason)
{
    change.Rollback(); // before anything is shown: the write lock is given back

    // Multisave names them all at the end.
    if (m_mode == EMode::Single)
        m_services.prompts->Exclaim(
            CEditingTexts::NotWrittenBecause(CText::Printable(path), reason),
            QStringLiteral("Save"));
}
