#include "editing/gui/CEditingController.h"

#include "editing/CLyrics.h"
#include "editing/CTagSaver.h"
#include "editing/gui/CLyricsDialog.h"
#include "model/CAppServices.h"
#include "model/CCdlistDoc.h"
#include "platform/CSettings.h"
#include "ui/CommandIds.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

CEditingController::CEditingController(const SControllerContext& context, QObject* parent)
    : QObject(parent), m_context(context)
{
    if (QAction* save = m_context.Action(ID_SAVE_TAGS))
        connect(save, &QAction::triggered, this, &CEditingController::OnSave);
    if (QAction* lyrics = m_context.Action(ID_VIEW_LYRICS))
        connect(lyrics, &QAction::triggered, this, &CEditingController::OnViewLyrics);
    const CControls& c = m_context.controls;
    if (auto* multisave = c.Get<QCheckBox>(IDC_MULTISAVE)) {
        // Many songs never share one title.
        connect(multisave, &QCheckBox::toggled, this, [this](bool on) {
            if (auto* title = m_context.controls.Get<QLineEdit>(IDC_TAG_TITLE))
                title->setReadOnly(on);
        });
    }
}

void CEditingController::SaveEditedSong()
{
    Save(false);
}

void CEditingController::WriteComment(qint64 id, const QString& comment)
{
    CTagSaver(m_context.doc, m_context.services).WriteComment(id, comment);
}

STagForm CEditingController::Form() const
{
    const CControls& c = m_context.controls;
    STagForm form;
    form.title = c.Get<QLineEdit>(IDC_TAG_TITLE)->text();
    form.artist = c.Get<QLineEdit>(IDC_TAG_ARTIST)->text();
    form.album = c.Get<QLineEdit>(IDC_TAG_ALBUM)->text();
    form.year = c.Get<QLineEdit>(IDC_TAG_YEAR)->text();
    form.genre = c.Get<QComboBox>(IDC_TAG_GENRE)->currentText();
    return form;
}

void CEditingController::OnSave()
{
    const auto* multisave = m_context.controls.Get<QCheckBox>(IDC_MULTISAVE);
    Save(multisave && multisave->isChecked());
}

void CEditingController::Save(bool multisave)
{
    QList<qint64> ids;
    if (multisave) {
        ids = m_context.SelectedSongIds();
    } else if (m_context.doc.CurrentSong() != -1) {
        ids << m_context.doc.CurrentSong();
    }
    const bool rename = CSettings::Int(QStringLiteral("Rename"), 0) == 1;
    CTagSaver(m_context.doc, m_context.services)
        .Save(ids, Form(), multisave ? CTagSaver::EMode::Multi : CTagSaver::EMode::Single, rename);
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
    if (dialog.exec() != QDialog::Accepted)
        return;
    bool stored = false;
    CLyrics::Save(doc, services, id, dialog.Lyrics(), stored);
    if (stored && doc.CurrentSong() == id)
        ShowLyricsCaption(dialog.Lyrics());
}

void CEditingController::ShowLyricsCaption(const QString& lyrics)
{
    if (auto* button = m_context.controls.Get<QAbstractButton>(ID_VIEW_LYRICS))
        button->setText(lyrics.isEmpty() ? QStringLiteral("Lyrics") : QStringLiteral("Lyrics!"));
}
