#pragma once

#include "library/CSearch.h"
#include "model/CSongListModel.h"

#include <QString>

class CCdlistDoc;
struct SAppServices;

// The library operations: listing a session, picking a song, storing a cell edit,
// deleting the current song's file and the search. They fill the document's song list
// and report database failures through the prompts.
class CLibraryOperations
{
public:
    // What a stored cell edit asks of the tag writer.
    enum class EEdit
    {
        None,    // nothing stored (unchanged, or a column that edits only the cell)
        Tag,     // Title, Artist or Album: the single tag save for the song
        Comment, // the comment goes into the file's tag
    };

    CLibraryOperations(CCdlistDoc& doc, const SAppServices& services)
        : m_doc(doc), m_services(services)
    {}

    // Lists the songs of a session (exact name) in ID order.
    void ShowSession(const QString& name);
    // Makes the row's song the current one, the set standing on it; false when it is gone.
    bool SelectRow(int row);
    // Stores the edit of one cell in the song's record.
    EEdit StoreCellEdit(int row, int column, const QString& text);
    // Deletes the current song's file from disk, after the question, and its record.
    void DeleteCurrentFile();
    // Takes the song list's columns from the settings again, keeping the songs listed.
    void RebuildColumns();
    // Lists the songs matching the criteria (and adds them with AddOnSearch).
    void Search(const SSearchCriteria& criteria);

private:
    bool FindRowSong(int row);
    // Reads song list rows from the catalogue, for rows shown before their texts are read.
    CSongListModel::RowSource SongRows() const;
    void ShowError(const QString& message);

    CCdlistDoc& m_doc;
    const SAppServices& m_services;
};
