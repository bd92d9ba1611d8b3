#include "library/CSearchController.h"

#include "app/CSettings.h"
#include "db/CCdlistSet.h"
#include "library/CGenres.h"
#include "library/CLibraryListCtrl.h"
#include "ui/CPrompts.h"
#include "ui/CWaitCursor.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <optional>

CSearchController::CSearchController(SSearchParts parts, QObject* parent)
    : QObject(parent), m_parts(std::move(parts))
{
    if (m_parts.genre)
        CGenres::FillCombo(m_parts.genre, true);
    if (m_parts.search)
        connect(m_parts.search, &QAction::triggered, this, &CSearchController::OnSearch);
}

SSearchCriteria CSearchController::Criteria() const
{
    const auto text = [](const QLineEdit* edit) { return edit ? edit->text() : QString(); };
    SSearchCriteria c;
    c.all = text(m_parts.all);
    c.title = text(m_parts.title);
    c.artist = text(m_parts.artist);
    c.album = text(m_parts.album);
    c.file = text(m_parts.file);
    // "(NONE)" and an empty choice have no stored form: no genre condition.
    c.genre = m_parts.genre ? CGenres::StoredForm(m_parts.genre->currentText()) : QString();
    return c;
}

void CSearchController::OnSearch()
{
    const SSearchCriteria criteria = Criteria();
    m_parts.songs->DeleteAllItems();
    std::optional<CWaitCursor> wait(std::in_place);
    const SSearchOptions options = SSearchOptions::FromSettings();
    const bool addToPlaylist = CSettings::Int(QStringLiteral("AddOnSearch"), 0) == 1;
    CSongListModel::CBatch rows = m_parts.songs->NewBatch();
    try {
        CSearch::Run(*m_parts.set, criteria, options, [&](const CCdlistSet::CScanRow& row) {
            m_parts.songs->AddToBatch(rows, row);
        });
    } catch (const CDbException& e) {
        wait.reset();
        m_parts.prompts->Error(e.Message(), QStringLiteral("Error"));
        return;
    }
    QList<QPair<QString, qint32>> entries;
    if (addToPlaylist) {
        // Row texts are the songs' LIST, as playlist entries show them.
        for (int r = 0; r < rows.RowCount(); ++r) {
            const std::string_view text = rows.Cell(r, 0);
            entries.append({QString::fromUtf8(text.data(), qsizetype(text.size())), rows.Id(r)});
        }
    }
    m_parts.songs->AppendRows(std::move(rows));
    wait.reset();
    for (const auto& [text, id] : entries)
        m_parts.addPlaylistEntry(text, id);
    if (!entries.isEmpty())
        m_parts.setPlaylistChanged(true);
}
