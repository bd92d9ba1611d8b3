#pragma once

#include "ui/CControllerContext.h"

#include <QObject>

class CLibraryController;
struct STagForm;

// Save and Multisave of the tag fields, the Multisave box, the song list's tag cell edits
// and the Lyrics dialog.
class CEditingController : public QObject
{
    Q_OBJECT
public:
    CEditingController(const SControllerContext& context, CLibraryController* library,
                       QObject* parent);

    void OnSave();
    void OnViewLyrics();

private:
    STagForm Form() const;
    void Save(bool multisave);
    void ShowLyricsCaption(const QString& lyrics);

    SControllerContext m_context;
};
