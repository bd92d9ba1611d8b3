#pragma once

#include "ui/CControllerContext.h"

#include <QObject>

struct STagForm;

// Save and Multisave of the tag fields, the Multisave box, the song list's tag cell edits
// and the Lyrics dialog.
class CEditingController : public QObject
{
    Q_OBJECT
public:
    CEditingController(const SControllerContext& context, QObject* parent);

    void OnSave();
    void OnViewLyrics();
    // A Title, Artist or Album cell edit saves that one song, whatever Multisave says.
    void SaveEditedSong();
    // A Comment cell edit goes into the song's file.
    void WriteComment(qint64 id, const QString& comment);

private:
    STagForm Form() const;
    void Save(bool multisave);
    void ShowLyricsCaption(const QString& lyrics);

    SControllerContext m_context;
};
