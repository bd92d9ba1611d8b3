#pragma once

#include "library/CSearch.h"
#include "model/CSongListModel.h"

#include <QString>
#include <memory>
#include <optional>

class CCdlistDoc;
struct SAppServices;

// The library operations: listing a session, picking a song, storing a cell edit,
// deleting the current song's file and the search. They fill the document's song list
// and report database failures through the prompts.
class CLibraryOperations
{
public:
    // A cell edit that changes a song's tag: Title (LIST), Artist, Album or Comment.
    struct SCellEdit
    {
        qint64 id = 0;
        ESongColumn column = ESongColumn::LIST;
    };

    CLibraryOperations(CCdlistDoc& doc, const SAppServices& services)
        : m_doc(doc), m_services(services)
    {}

    // Lists the songs of a session (exact name) in ID order.
    void ShowSession(const QString& name);
    // Makes the row's song the current one, shown in the tag fields; none when it is gone.
    std::optional<SSong> SelectRow(int row);
    // What the edit of one cell changes: none for Session, Bitrate and Length (only the
    // cell changes), an unchanged text or a song that is gone.
    std::optional<SCellEdit> CellEdit(int row, int column, const QString& text);
    // Deletes the current song's file from disk, after the question, and its record.
    void DeleteCurrentFile();
    // Takes the song list's columns from the settings again, keeping the songs listed.
    void RebuildColumns();
    // Lists the songs matching the criteria (and adds them with AddOnSearch).
    void Search(const SSearchCriteria& criteria);
    // Makes the catalogue's searches ignore accents or not, with the progress shown; false
    // (told through the prompts) when it failed or was cancelled, the catalogue unchanged.
    bool SetIgnoreAccents(bool on);

private:
    std::optional<SSong> FindRowSong(int row);
    // Reads song list rows from the catalogue, for rows shown before their texts are read.
    CSongListModel::RowSource SongRows() const;
    // The songs of a list, as a filter written out only when first needed.
    class CListed;
    // Reads one column of the songs listed, for a sort.
    CSongListModel::ColumnSource SongColumns(std::shared_ptr<CListed> listed) const;
    // The total length of the songs listed, summed when the list asks for it.
    CSongListModel::SecondsSource SongSeconds(std::shared_ptr<CListed> listed) const;
    // The same sum on another thread, through a connection of its own.
    CSongListModel::SecondsInBackground
    SongSecondsInBackground(std::shared_ptr<CListed> listed) const;
    void ShowError(const QString& message);

    CCdlistDoc& m_doc;
    const SAppServices& m_services;
};
