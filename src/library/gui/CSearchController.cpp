#include "library/gui/CSearchController.h"

#include "db/CGenres.h"
#include "library/CLibraryOperations.h"
#include "ui/CGenreCombo.h"
#include "ui/CommandIds.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>

CSearchController::CSearchController(const SControllerContext& context,
                                     const SSearchControls& controls, QObject* parent)
    : QObject(parent), m_context(context), m_controls(controls)
{
    if (m_controls.genre)
        CGenreCombo::Fill(m_controls.genre, true);
    QAction* search = m_context.Action(ID_SEARCH);
    if (!search)
        return;
    connect(search, &QAction::triggered, this, &CSearchController::OnSearch);
    // Enter in a search field runs the command, so a running job still blocks it.
    const SSearchControls& c = m_controls;
    for (QLineEdit* edit : {c.all, c.title, c.artist, c.album, c.file}) {
        if (edit)
            connect(edit, &QLineEdit::returnPressed, search, &QAction::trigger);
    }
}

SSearchCriteria CSearchController::Criteria() const
{
    const auto text = [](const QLineEdit* edit) { return edit ? edit->text() : QString(); };
    SSearchCriteria c;
    c.all = text(m_controls.all);
    c.title = text(m_controls.title);
    c.artist = text(m_controls.artist);
    c.album = text(m_controls.album);
    c.file = text(m_controls.file);
    // "(NONE)" and an empty choice have no stored form: no genre condition.
    c.genre = m_controls.genre ? CGenres::StoredForm(m_controls.genre->currentText()) : QString();
    return c;
}

void CSearchController::OnSearch()
{
    CLibraryOperations(m_context.doc, m_context.services).Search(Criteria());
}
