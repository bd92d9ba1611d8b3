#include "editing/gui/CEditingController.h"

#include "db/CCdlistSet.h"
#include "editing/CLyrics.h"
#include "editing/CTagSaver.h"
#include "editing/gui/CLyricsDialog.h"
#include "media/CTagReader.h"
#include "model/CAppServices.h"
#include "model/CCdlistDoc.h"
#include "platform/CSettings.h"
#include "platform/CText.h"
#include "platform/CVolumes.h"
#include "ui/CGenreCombo.h"
#include "ui/CommandIds.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QScopedValueRollback>

using EField = CTagFormModel::EField;

CEditingController::CEditingController(const SControllerContext& context,
                                       const SEditingControls& controls, QObject* parent)
    : QObject(parent), m_context(context), m_controls(controls)
{
    if (QAction* save = m_context.Action(ID_SAVE_TAGS))
        connect(save, &QAction::triggered, this, &CEditingController::OnSave);
    if (QAction* lyrics = m_context.Action(ID_VIEW_LYRICS))
        connect(lyrics, &QAction::triggered, this, &CEditingController::OnViewLyrics);
    if (m_controls.multisave) {
        // Many songs never share one title.
        connect(m_controls.multisave, &QCheckBox::toggled, this, [this](bool on) {
            if (QLineEdit* title = Box(EField::Title))
                title->setReadOnly(on);
        });
    }
    BindFields();
    MarkChanged();
}

QLineEdit* CEditingController::Box(EField field) const
{
    for (const SEditingControls::SField& f : m_controls.fields)
        if (f.field == field)
            return f.box;
    return nullptr;
}

void CEditingController::BindFields()
{
    CTagFormModel& form = m_context.doc.TagForm();
    QComboBox* genre = m_controls.genre;
    if (genre)
        CGenreCombo::Fill(genre, false);
    // What the user changes (typing, pasting, dropping, a drag taking text out), never
    // what the form puts there itself.
    for (const SEditingControls::SField& f : m_controls.fields) {
        if (f.box)
            connect(f.box, &QLineEdit::textEdited, this,
                    [&form, field = f.field](const QString& text) { form.Edit(field, text); });
    }
    if (genre)
        connect(genre, &QComboBox::activated, this,
                [&form, genre] { form.Edit(EField::Genre, genre->currentText()); });
    connect(&form, &CTagFormModel::SongShown, this, &CEditingController::ShowForm);
    connect(&form, &CTagFormModel::ChangedFieldsChanged, this, &CEditingController::MarkChanged);
    connect(&form, &CTagFormModel::LyricsShownChanged, this, [this](bool has) {
        if (m_controls.lyrics)
            m_controls.lyrics->setText(has ? QStringLiteral("Lyrics!") : QStringLiteral("Lyrics"));
    });
}

void CEditingController::ShowForm()
{
    const CTagFormModel& form = m_context.doc.TagForm();
    if (QLineEdit* path = m_controls.path) {
        path->setText(form.Path());
        path->setCursorPosition(0);
        path->setToolTip(form.Path());
    }
    for (const SEditingControls::SField& f : m_controls.fields) {
        if (f.box)
            f.box->setText(form.Text(f.field));
    }
    if (QComboBox* genre = m_controls.genre)
        genre->setCurrentIndex(genre->findText(form.Text(EField::Genre)));
}

void CEditingController::MarkChanged()
{
    // The labels of the fields a Save or a Multisave would write are in bold.
    const CTagFormModel& form = m_context.doc.TagForm();
    const auto mark = [&form](QLabel* label, EField field) {
        if (label) {
            QFont font = label->font();
            // Room for the bold text all along: a mark does not shift the fields beside it.
            font.setBold(true);
            const QSize bold = QFontMetrics(font).size(Qt::TextShowMnemonic, label->text());
            label->setMinimumWidth(std::max(label->minimumWidth(), bold.width() + 1));
            font.setBold(form.IsChanged(field));
            label->setFont(font);
        }
    };
    for (const SEditingControls::SField& f : m_controls.fields)
        mark(f.label, f.field);
    mark(m_controls.genreLabel, EField::Genre);
}

void CEditingController::OnSave()
{
    const bool many = m_controls.multisave && m_controls.multisave->isChecked();
    QList<qint64> ids;
    if (many)
        ids = m_context.doc.Songs().SelectedIds();
    else if (m_context.doc.TagForm().SongId() != -1)
        ids << m_context.doc.TagForm().SongId();
    const bool rename = CSettings::Bool(ESetting::Rename);
    const QString file = QFileInfo(m_context.doc.TagForm().Path()).fileName();
    const CTagSaver::SOutcome outcome =
        CTagSaver(m_context.doc, m_context.services)
            .Save(ids, STagEdit::FromForm(m_context.doc.TagForm()),
                  many ? CTagSaver::EMode::Multi : CTagSaver::EMode::Single, rename);
    TellSaved(outcome, many ? QString() : file);
}

void CEditingController::TellSaved(const CTagSaver::SOutcome& outcome, const QString& file)
{
    if (outcome.failed || (outcome.saved == 0 && outcome.unwritten.isEmpty()))
        return; // the message said it, or nothing was to be saved
    QString text = !file.isEmpty() && outcome.saved == 1
                       ? QStringLiteral("Saved the tags of \u201c%1\u201d.").arg(file)
                       : QStringLiteral("Saved the tags of %1.").arg(CText::Songs(outcome.saved));
    if (!outcome.unwritten.isEmpty())
        text += QStringLiteral(" %1 not written.").arg(CText::Songs(outcome.unwritten.size()));
    if (outcome.cancelled)
        text += QStringLiteral(" Cancelled.");
    m_context.doc.Tell(text);
}

void CEditingController::OnCellEdited(qint64 id, ESongColumn column, const QString& text)
{
    const STagEdit edit = STagEdit::ForCell(column, text);
    if (edit.IsEmpty())
        return;
    const bool tag = column != ESongColumn::COMMENT;
    const bool rename = tag && CSettings::Bool(ESetting::Rename);
    CCdlistDoc& doc = m_context.doc;
    TellSaved(CTagSaver(doc, m_context.services).Save({id}, edit, CTagSaver::EMode::Single, rename),
              QString());
    if (!tag)
        return;
    // The edited song becomes the current one, shown in the tag fields.
    try {
        if (const std::optional<SSong> song = doc.Set().FindSongById(id)) {
            doc.SetCurrentSong(id);
            doc.TagForm().Show(*song);
        }
    } catch (const CDbException&) {
    }
}

void CEditingController::OnViewLyrics()
{
    CCdlistDoc& doc = m_context.doc;
    const SAppServices& services = m_context.services;
    const qint64 id = doc.CurrentSong();
    QString lyrics;
    if (!CLyrics::Load(doc, services, id, lyrics))
        return;
    CLyricsDialog dialog(
        lyrics,
        [&services](const QString& text, int pair) { CLyrics::Translate(services, text, pair); },
        services.dialogParent);
    if (dialog.exec() != QDialog::Accepted || dialog.Lyrics() == lyrics)
        return; // nothing changed: nothing is written
    bool stored = false;
    const QString unwritten = CLyrics::Save(doc, services, id, dialog.Lyrics(), stored);
    if (stored)
        doc.Tell(unwritten.isEmpty() ? QStringLiteral("Saved the lyrics.")
                                     : QStringLiteral("Saved the lyrics in the catalogue only."));
}
