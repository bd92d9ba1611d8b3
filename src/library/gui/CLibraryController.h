#pragma once

#include "db/CSongColumns.h"
#include "ui/CControllerContext.h"

#include <QObject>

class CLibraryListCtrl;

// The library controller's widgets.
struct SLibraryControls
{
    CLibraryListCtrl* songs = nullptr; // the song list, over the document's songs
};

// The song list: listing the session the document shows, showing a song's tag, adding
// it to the playlist with a double click, storing cell edits and deleting the selected
// file.
class CLibraryController : public QObject
{
    Q_OBJECT
public:
    CLibraryController(const SControllerContext& context, const SLibraryControls& controls,
                       QObject* parent);

    void OnSessionShown(const QString& name);
    void OnSongClicked(int row);
    void OnSongDoubleClicked(int row);
    void OnCellEdited(int row, int column, const QString& text);
    void OnDeleteSelectedFile();

Q_SIGNALS:
    // A cell edit changes a song's tag field (Title, Artist, Album or Comment).
    void CellTagEdited(qint64 id, ESongColumn column, const QString& text);

private:
    SControllerContext m_context;
};
