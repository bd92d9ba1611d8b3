#include "library/CLibraryOperations.h"

#include "db/CCdlistSet.h"
#include "library/CLibraryTexts.h"
#include "model/CAppServices.h"
#include "model/CCdlistDoc.h"
#include "platform/CFileNames.h"
#include "platform/CProgress.h"
#include "platform/CPrompts.h"
#include "platform/CSettings.h"
#include "platform/CText.h"

#include <unistd.h>

// A search's hits as a filter is a list of every number: for 78,000 hits that takes
// longer to write than the search took, so it is written when a sort or the total length
// first needs it.
class CLibraryOperations::CListed
{
public:
    explicit CListed(CFilter filter) : m_filter(std::move(filter)) {}
    explicit CListed(std::vector<qint64> ids) : m_ids(std::move(ids)) {}
    const CFilter& Filter()
    {
        if (m_ids) {
            m_filter = CFilter::IdIn(*m_ids);
            m_ids.reset();
        }
        return m_filter;
    }

private:
    std::optional<std::vector<qint64>> m_ids;
    CFilter m_filter;
};

void CLibraryOperations::ShowError(const QString& message)
{
    m_services.prompts->Error(message, QStringLiteral("Error"));
}

void CLibraryOperations::ShowSession(const QString& name)
{
    const CCdlistDoc::CBusy busy(m_doc);
    CSongListModel& songs = m_doc.Songs();
    songs.Clear();
    // Bound as a value, so a name with an apostrophe is just a name; "Rock" and "rock"
    // are two sessions. The IDs come from the session index; rows are read as shown.
    const CFilter session = CFilter::Exactly(ESongColumn::CD, name);
    try {
        const auto listed = std::make_shared<CListed>(session);
        songs.ShowIds(m_doc.Set().Ids(session), SongRows(), SongColumns(listed),
                      SongSeconds(listed), SongSecondsInBackground(listed));
    } catch (const CDbException& e) {
        ShowError(e.Message());
    }
}

void CLibraryOperations::RebuildColumns()
{
    CSongListModel& songs = m_doc.Songs();
    std::vector<qint64> ids = songs.ListedIds();
    const qint64 seconds = songs.TotalSeconds();
    songs.RebuildColumns();
    // The same songs in the same order, their new cells read as they come into view.
    if (!ids.empty()) {
        auto listed = std::make_shared<CListed>(ids);
        songs.ShowIds(std::move(ids), SongRows(), SongColumns(std::move(listed)), seconds);
    }
}

std::optional<SSong> CLibraryOperations::FindRowSong(int row)
{
    if (row < 0 || row >= m_doc.Songs().RowCount())
        return std::nullopt;
    try {
        return m_doc.Set().FindSongById(m_doc.Songs().Id(row));
    } catch (const CDbException& e) {
        ShowError(e.Message());
        return std::nullopt;
    }
}

std::optional<SSong> CLibraryOperations::SelectRow(int row)
{
    std::optional<SSong> song = FindRowSong(row);
    if (song) {
        m_doc.SetCurrentSong(song->m_ID);
        m_doc.TagForm().Show(*song);
    }
    return song;
}

std::optional<CLibraryOperations::SCellEdit> CLibraryOperations::CellEdit(int row, int column,
                                                                          const QString& text)
{
    const QList<ESongColumn>& columns = m_doc.Songs().Columns();
    if (column < 0 || column >= columns.size())
        return std::nullopt;
    const ESongColumn shown = columns.at(column);
    switch (shown) {
    case ESongColumn::LIST:
    case ESongColumn::ARTIST:
    case ESongColumn::ALBUM:
    case ESongColumn::COMMENT:
        break;
    default:
        return std::nullopt; // Session, Bitrate and Length change only the cell
    }
    const std::optional<SSong> song = FindRowSong(row);
    if (!song || song->Text(shown) == text)
        return std::nullopt;
    return SCellEdit{song->m_ID, shown};
}

void CLibraryOperations::DeleteCurrentFile()
{
    const qint64 id = m_doc.CurrentSong();
    CCdlistSet& set = m_doc.Set();
    try {
        const std::optional<SSong> song = id == -1 ? std::nullopt : set.FindSongById(id);
        if (!song)
            return;
        if (!m_services.prompts->AskYesNo(QStringLiteral("Are you sure you want to delete ") +
                                              song->m_MELODI + QStringLiteral(" from disk?"),
                                          QStringLiteral("Confirm Removal"),
                                          CPrompts::EIcon::Exclamation))
            return;
        // By its exact bytes: a name that is not UTF-8 is removed too (see CFileNames).
        if (::unlink(CFileNames::Encode(song->FilePath()).constData()) != 0) {
            ShowError(QStringLiteral("Unable to delete file!"));
            return;
        }
        // The song list, the playlist and the count follow the catalogue.
        m_doc.Catalogue().Delete(id);
        m_doc.Tell(QStringLiteral("Deleted %1.").arg(song->m_MELODI));
    } catch (const CDbException& e) {
        ShowError(e.Message());
    }
}

bool CLibraryOperations::SetIgnoreAccents(bool on)
{
    std::unique_ptr<CProgress> progress;
    try {
        if (m_services.createProgress) {
            progress = m_services.createProgress(CLibraryTexts::AccentsCaption(), 2, 250);
            progress->SetMessage(CLibraryTexts::Refolding(on));
            progress->SetRange(0, m_doc.Database().RefoldSteps(), 1);
            progress->Pump(false);
        }
        const CCdlistDoc::CBusy busy(m_doc);
        m_doc.Catalogue().SetFoldsAccents(on, progress.get());
        return true;
    } catch (const CDbException& e) {
        progress.reset();
        ShowError(e.Message());
        return false;
    }
}

void CLibraryOperations::Search(const SSearchCriteria& criteria)
{
    CSongListModel& songs = m_doc.Songs();
    songs.Clear();
    CSongListModel::CBatch rows = songs.NewBatch();
    const SSearchOptions options = SSearchOptions::FromSettings();
    const bool addToPlaylist = CSettings::Bool(ESetting::AddOnSearch);
    std::optional<std::vector<qint64>> ids;
    QString error;
    {
        const CCdlistDoc::CBusy busy(m_doc);
        try {
            // When the index alone answers, rows are read as they are shown: a search
            // with many hits lists them at once. The playlist needs every row at once.
            if (!addToPlaylist)
                ids = CSearch::IndexedIds(m_doc.Set(), criteria, options);
            if (!ids) {
                CSearch::Run(m_doc.Set(), criteria, options,
                             [&](const CCdlistSet::CScanRow& row) { songs.AddToBatch(rows, row); });
            }
        } catch (const CDbException& e) {
            error = e.Message();
        }
    }
    // Shown once the search is over, with the normal cursor.
    if (!error.isEmpty()) {
        ShowError(error);
        return;
    }
    if (ids) {
        // Rows not read yet: the database sums their lengths once the list is drawn.
        // Every song is the whole table, not a list of a million numbers.
        const auto listed = CSearch::IsEverything(criteria) ? std::make_shared<CListed>(CFilter())
                                                            : std::make_shared<CListed>(*ids);
        songs.ShowIds(std::move(*ids), SongRows(), SongColumns(listed), SongSeconds(listed),
                      SongSecondsInBackground(listed));
    } else
        songs.AppendRows(std::move(rows));
    QList<CPlaylistModel::SEntry> entries;
    if (addToPlaylist) {
        // Row texts are the songs' LIST, as playlist entries show them.
        const std::vector<qint64> ids = songs.ListedIds();
        const QStringList texts = songs.ColumnTexts(0);
        for (size_t r = 0; r < ids.size(); ++r)
            entries.append({texts.value(qsizetype(r)), ids[r]});
    }
    m_doc.Playlist().Append(entries);
    if (!entries.isEmpty())
        m_doc.Playlist().SetChanged(true);
}

CSongListModel::RowSource CLibraryOperations::SongRows() const
{
    CCdlistDoc& doc = m_doc;
    return [&doc](const std::vector<qint64>& ids, CSongListModel::CBatch& rows) {
        try {
            doc.Set().Scan(CFilter::IdIn(ids), [&](const CCdlistSet::CScanRow& row) {
                doc.Songs().AddToBatch(rows, row);
                return true;
            });
        } catch (const CDbException&) {
            // The rows show empty; the next operation on the catalogue reports the fault.
        }
    };
}

CSongListModel::SecondsSource CLibraryOperations::SongSeconds(std::shared_ptr<CListed> listed) const
{
    CCdlistDoc& doc = m_doc;
    CPrompts* prompts = m_services.prompts;
    return [&doc, prompts, listed]() -> qint64 {
        try {
            return doc.Set().Totals(listed->Filter()).seconds;
        } catch (const CDbException& e) {
            // Said, so that the zero shown is not taken for the songs' length.
            if (prompts)
                prompts->Error(e.Message(), QStringLiteral("Error"));
            return 0;
        }
    };
}

CSongListModel::SecondsInBackground
CLibraryOperations::SongSecondsInBackground(std::shared_ptr<CListed> listed) const
{
    CCdlistDoc& doc = m_doc;
    return [&doc, listed]() -> CSongListModel::SecondsJob {
        // Songs this connection has not committed yet are seen by it alone.
        if (doc.Set().InTransaction())
            return {};
        return
            [path = doc.Database().Path(), filter = listed->Filter()]() -> std::optional<qint64> {
                try {
                    return CCdlistSet::TotalsOf(path, filter).seconds;
                } catch (...) {
                    return std::nullopt; // summed on the window's connection, which says why
                }
            };
    };
}

CSongListModel::ColumnSource CLibraryOperations::SongColumns(std::shared_ptr<CListed> listed) const
{
    CCdlistDoc& doc = m_doc;
    return [&doc, listed](const std::vector<ESongColumn>& columns,
                          const CSongListModel::ColumnVisit& visit) {
        try {
            doc.Set().ScanColumns(listed->Filter(), columns, visit);
        } catch (const CDbException&) {
            // The rows sort as empty; the next operation on the catalogue reports the fault.
        }
    };
}
