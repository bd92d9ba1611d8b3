#pragma once

#include "db/CSongColumns.h"
#include "ui/CControllerContext.h"

#include <QObject>

// The session list, the song list and the tag fields: choosing a session, showing a
// song's tag, adding it to the playlist with a double click, storing cell edits and
// deleting the selected file.
class CLibraryController : public QObject
{
    Q_OBJECT
public:
    CLibraryController(const SControllerContext& context, QObject* parent);

    void OnSessionSelected();
    void OnSongClicked(int row);
    void OnSongDoubleClicked(int row);
    void OnCellEdited(int row, int column, const QString& text);
    void OnDeleteSelectedFile();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

Q_SIGNALS:
    // A cell edit changes a song's tag field (Title, Artist, Album or Comment).
    void CellTagEdited(qint64 id, ESongColumn column, const QString& text);

private:
    SControllerContext m_context;
    // The session was listed since the last mouse or key press.
    bool m_listedSinceClick = false;
};
