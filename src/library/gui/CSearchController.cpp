#include "library/gui/CSearchController.h"

#include "db/CGenres.h"
#include "library/CLibraryOperations.h"
#include "ui/CGenreCombo.h"
#include "ui/CommandIds.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>

CSearchController::CSearchController(const SControllerContext& context, QObject* parent)
    : QObject(parent), m_context(context)
{
    if (auto* genre = m_context.controls.Get<QComboBox>(IDC_SEARCH_GENRE))
        CGenreCombo::Fill(genre, true);
    QAction* search = m_context.Action(ID_SEARCH);
    if (!search)
        return;
    connect(search, &QAction::triggered, this, &CSearchController::OnSearch);
    // Enter in a search field runs the command, so a running job still blocks it.
    for (int id :
         {IDC_SEARCH_ALL, IDC_SEARCH_TITLE, IDC_SEARCH_ARTIST, IDC_SEARCH_ALBUM, IDC_SEARCH_FILE}) {
        if (auto* edit = m_context.controls.Get<QLineEdit>(id))
            connect(edit, &QLineEdit::returnPressed, search, &QAction::trigger);
    }
}

SSearchCriteria CSearchController::Criteria() const
{
    const auto text = [this](int id) {
        const auto* edit = m_context.controls.Get<QLineEdit>(id);
        return edit ? edit->text() : QString();
    };
    SSearchCriteria c;
    c.all = text(IDC_SEARCH_ALL);
    c.title = text(IDC_SEARCH_TITLE);
    c.artist = text(IDC_SEARCH_ARTIST);
    c.album = text(IDC_SEARCH_ALBUM);
    c.file = text(IDC_SEARCH_FILE);
    // "(NONE)" and an empty choice have no stored form: no genre condition.
    const auto* genre = m_context.controls.Get<QComboBox>(IDC_SEARCH_GENRE);
    c.genre = genre ? CGenres::StoredForm(genre->currentText()) : QString();
    return c;
}

void CSearchController::OnSearch()
{
    CLibraryOperations(m_context.doc, m_context.services).Search(Criteria());
}
