#pragma once

#include "db/CSongColumns.h"
#include "editing/CTagSaver.h"
#include "model/CTagFormModel.h"
#include "ui/CControllerContext.h"

#include <QList>
#include <QObject>

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

// The editing controller's widgets: the tag form.
struct SEditingControls
{
    // A text box of the form and its label, bold when Save would write the field.
    struct SField
    {
        CTagFormModel::EField field;
        QLineEdit* box = nullptr;
        QLabel* label = nullptr;
    };
    QList<SField> fields; // Title, Artist, Album, Year, Track, Comment
    QComboBox* genre = nullptr;
    QLabel* genreLabel = nullptr;
    QLineEdit* path = nullptr; // the shown song's file
    QCheckBox* multisave = nullptr;
    QAbstractButton* lyrics = nullptr;
};

// The tag fields (they show and edit the document's tag form), Save and Multisave, the
// Multisave box, the song list's tag cell edits and the Lyrics dialog.
class CEditingController : public QObject
{
    Q_OBJECT
public:
    CEditingController(const SControllerContext& context, const SEditingControls& controls,
                       QObject* parent);

    void OnSave();
    void OnViewLyrics();
    // A cell of the song list was edited: Title, Artist and Album save that one song,
    // whatever Multisave says, and show it in the tag fields; Comment goes into the file.
    void OnCellEdited(qint64 id, ESongColumn column, const QString& text);

private:
    void BindFields();
    void ShowForm();
    void MarkChanged();
    QLineEdit* Box(CTagFormModel::EField field) const;
    // The status line's word on a finished save; `file` names a single song's file.
    void TellSaved(const CTagSaver::SOutcome& outcome, const QString& file);

    SControllerContext m_context;
    SEditingControls m_controls;
};
