#pragma once

#include "ui/CControllerContext.h"

#include <QObject>

struct SSong;

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
    // Shows a song in the tag fields.
    void ShowTagFields(const SSong& song);
    void ClearTagFields();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

Q_SIGNALS:
    // A Title, Artist or Album cell edit was stored: the tag fields hold the song and
    // the tag save runs for it (single save).
    void TagSaveRequested(qint64 id);
    // A Comment cell edit was stored: the comment goes into the file's tag.
    void CommentTagRequested(qint64 id, const QString& comment);

private:
    SControllerContext m_context;
    // The session was listed since the last mouse or key press.
    bool m_listedSinceClick = false;
};
