#pragma once

#include "db/CSongColumns.h"
#include "ui/CControllerContext.h"

#include <QObject>

// The tag fields (they show and edit the document's tag form), Save and Multisave, the
// Multisave box, the song list's tag cell edits and the Lyrics dialog.
class CEditingController : public QObject
{
    Q_OBJECT
public:
    CEditingController(const SControllerContext& context, QObject* parent);

    void OnSave();
    void OnViewLyrics();
    // A cell of the song list was edited: Title, Artist and Album save that one song,
    // whatever Multisave says, and show it in the tag fields; Comment goes into the file.
    void OnCellEdited(qint64 id, ESongColumn column, const QString& text);

private:
    void BindFields();
    void ShowForm();
    void MarkChanged();

    // The file's own fields (the track number): none for a file on a CD-ROM or not there.
    QString TrackOf(const QString& path) const;

    SControllerContext m_context;
    bool m_readingFile = false;
};
