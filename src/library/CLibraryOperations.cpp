#include "library/CLibraryOperations.h"

#include "db/CCdlistSet.h"
#include "model/CAppServices.h"
#include "model/CCdlistDoc.h"
#include "platform/CFileNames.h"
#include "platform/CPrompts.h"
#include "platform/CSettings.h"
#include "platform/CText.h"

#include <unistd.h>

void CLibraryOperations::ShowError(const QString& message)
{
    m_services.prompts->Error(message, QStringLiteral("Error"));
}

void CLibraryOperations::ShowSession(const QString& name)
{
    const CCdlistDoc::CBusy busy(m_doc);
    CSongListModel& songs = m_doc.Songs();
    songs.Clear();
    CCdlistSet& set = m_doc.Set();
    CSongListModel::CBatch rows = songs.NewBatch();
    try {
        const CUnfilterOnExit unfilter(set);
        // Bound as a value, so a name with an apostrophe is just a name; "Rock" and
        // "rock" are two sessions.
        set.SetFilter(CFilter::Exactly(ESongColumn::CD, name));
        set.SetSort(ESongColumn::ID);
        set.Requery();
        for (; !set.IsEOF(); set.MoveNext()) {
            if (set.m_CD == name)
                songs.AddToBatch(rows, set);
        }
    } catch (const CDbException& e) {
        ShowError(e.Message());
    }
    songs.AppendRows(std::move(rows));
}

void CLibraryOperations::RebuildColumns()
{
    CSongListModel& songs = m_doc.Songs();
    std::vector<qint32> ids;
    ids.reserve(size_t(songs.RowCount()));
    for (int r = 0; r < songs.RowCount(); ++r)
        ids.push_back(songs.Id(r));
    const qint64 seconds = songs.TotalSeconds();
    songs.RebuildColumns();
    // The same songs in the same order, their new cells read as they come into view.
    if (!ids.empty())
        songs.ShowIds(std::move(ids), SongRows(), seconds);
}

bool CLibraryOperations::FindRowSong(int row)
{
    if (row < 0 || row >= m_doc.Songs().RowCount())
        return false;
    try {
        return m_doc.Set().FindSongById(m_doc.Songs().Id(row));
    } catch (const CDbException& e) {
        ShowError(e.Message());
        return false;
    }
}

bool CLibraryOperations::SelectRow(int row)
{
    if (!FindRowSong(row))
        return false;
    m_doc.SetCurrentSong(m_doc.Set().m_ID);
    return true;
}

CLibraryOperations::EEdit CLibraryOperations::StoreCellEdit(int row, int column,
                                                            const QString& text)
{
    const QList<ESongColumn>& columns = m_doc.Songs().Columns();
    if (column < 0 || column >= columns.size() || !FindRowSong(row))
        return EEdit::None;
    const ESongColumn shown = columns.at(column);
    switch (shown) {
    case ESongColumn::LIST:
    case ESongColumn::ARTIST:
    case ESongColumn::ALBUM:
    case ESongColumn::COMMENT:
        break;
    default:
        return EEdit::None; // Session, Bitrate and Length change only the cell
    }
    CCdlistSet& set = m_doc.Set();
    if (set.Text(shown) == text)
        return EEdit::None;
    try {
        // The record is stored at once, so the edit survives whether or not the tag can
        // be written afterwards.
        set.Edit();
        set.SetText(shown, text);
        if (shown == ESongColumn::LIST)
            set.m_TITLE = text;
        set.Update();
    } catch (const CDbException& e) {
        ShowError(e.Message());
        return EEdit::None;
    }
    if (shown == ESongColumn::COMMENT)
        return EEdit::Comment;
    m_doc.SetCurrentSong(set.m_ID);
    return EEdit::Tag;
}

void CLibraryOperations::DeleteCurrentFile()
{
    const qint32 id = m_doc.CurrentSong();
    CCdlistSet& set = m_doc.Set();
    try {
        if (id == -1 || !set.FindSongById(id))
            return;
        if (!m_services.prompts->AskYesNo(QStringLiteral("Are you sure you want to delete ") +
                                              set.m_MELODI + QStringLiteral(" from disk?"),
                                          QStringLiteral("Confirm Removal"),
                                          CPrompts::EIcon::Exclamation))
            return;
        // By its exact bytes: a name that is not UTF-8 is removed too (see CFileNames).
        if (::unlink(CFileNames::Encode(CText::JoinPath(set.m_PATH, set.m_MELODI)).constData()) !=
            0) {
            ShowError(QStringLiteral("Unable to delete file!"));
            return;
        }
        set.Delete();
        set.Requery();
    } catch (const CDbException& e) {
        ShowError(e.Message());
        return;
    }
    m_doc.Songs().Clear();
    m_doc.AdjustSongCount(-1);
}

void CLibraryOperations::Search(const SSearchCriteria& criteria)
{
    CSongListModel& songs = m_doc.Songs();
    songs.Clear();
    CSongListModel::CBatch rows = songs.NewBatch();
    const SSearchOptions options = SSearchOptions::FromSettings();
    const bool addToPlaylist = CSettings::Bool(ESetting::AddOnSearch);
    std::optional<std::vector<qint32>> ids;
    qint64 seconds = 0;
    QString error;
    {
        const CCdlistDoc::CBusy busy(m_doc);
        try {
            // When the index alone answers, rows are read as they are shown: a search
            // with many hits lists them at once. The playlist needs every row at once.
            if (!addToPlaylist)
                ids = CSearch::IndexedIds(m_doc.Set(), criteria, options);
            // Rows not read yet: the database sums their lengths.
            if (ids)
                seconds = m_doc.Set().Totals(CFilter::IdIn(*ids)).seconds;
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
    if (ids)
        songs.ShowIds(std::move(*ids), SongRows(), seconds);
    else
        songs.AppendRows(std::move(rows));
    QList<CPlaylistModel::SEntry> entries;
    if (addToPlaylist) {
        // Row texts are the songs' LIST, as playlist entries show them.
        for (int r = 0; r < songs.RowCount(); ++r)
            entries.append({songs.Cell(r, 0), songs.Id(r)});
    }
    m_doc.Playlist().Append(entries);
    if (!entries.isEmpty())
        m_doc.Playlist().SetChanged(true);
}

CSongListModel::RowSource CLibraryOperations::SongRows() const
{
    CCdlistDoc& doc = m_doc;
    return [&doc](const std::vector<qint32>& ids, CSongListModel::CBatch& rows) {
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
