#include "library/gui/CLibraryController.h"

#include "library/CLibraryOperations.h"
#include "library/gui/CGenreCombo.h"
#include "library/gui/CLibraryListCtrl.h"
#include "model/CAppServices.h"
#include "model/CCdlistDoc.h"
#include "platform/CSettings.h"
#include "ui/CommandIds.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListView>

CLibraryController::CLibraryController(const SControllerContext& context, QObject* parent)
    : QObject(parent), m_context(context)
{
    const CControls& c = m_context.controls;
    if (auto* genre = c.Get<QComboBox>(IDC_TAG_GENRE))
        CGenreCombo::Fill(genre, false);
    if (auto* sessions = c.Get<QListView>(IDC_SESSIONS)) {
        connect(sessions->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
            m_listedSinceClick = true;
            OnSessionSelected();
        });
        // A click (or Enter) on the highlighted session changes no selection, yet the list
        // may show a search or nothing: it must list the session again, once per gesture.
        sessions->installEventFilter(this);
        sessions->viewport()->installEventFilter(this);
        const auto listOnce = [this] {
            if (m_listedSinceClick)
                return;
            m_listedSinceClick = true;
            OnSessionSelected();
        };
        connect(sessions, &QAbstractItemView::clicked, this, listOnce);
        connect(sessions, &QAbstractItemView::activated, this, listOnce);
    }
    // A refilled list no longer shows the song the tag fields hold.
    connect(&m_context.doc, &CCdlistDoc::CurrentSongChanged, this, [this](qint64 id) {
        if (id == -1)
            ClearTagFields();
    });
    auto* songs = c.Get<CLibraryListCtrl>(IDC_SONGS);
    connect(songs, &CLibraryListCtrl::RowClicked, this, &CLibraryController::OnSongClicked);
    connect(songs, &CLibraryListCtrl::RowDoubleClicked, this,
            &CLibraryController::OnSongDoubleClicked);
    connect(songs, &CLibraryListCtrl::CellEdited, this, &CLibraryController::OnCellEdited);
    if (QAction* deleteFile = m_context.Action(ID_DELETE_SELECTED_FILE))
        connect(deleteFile, &QAction::triggered, this, &CLibraryController::OnDeleteSelectedFile);
}

bool CLibraryController::eventFilter(QObject* watched, QEvent* event)
{
    // A press comes before the selection it makes, so a click that selects another
    // session lists it once, as does a double click.
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::KeyPress)
        m_listedSinceClick = false;
    return QObject::eventFilter(watched, event);
}

void CLibraryController::OnSessionSelected()
{
    if (const std::optional<QString> name = m_context.SelectedSession())
        CLibraryOperations(m_context.doc, m_context.services).ShowSession(*name);
}

void CLibraryController::OnSongClicked(int row)
{
    if (const std::optional<SSong> song =
            CLibraryOperations(m_context.doc, m_context.services).SelectRow(row))
        ShowTagFields(*song);
}

void CLibraryController::ShowTagFields(const SSong& song)
{
    const CControls& c = m_context.controls;
    c.Get<QLineEdit>(IDC_TAG_TITLE)->setText(song.m_TITLE);
    c.Get<QLineEdit>(IDC_TAG_ARTIST)->setText(song.m_ARTIST);
    c.Get<QLineEdit>(IDC_TAG_ALBUM)->setText(song.m_ALBUM);
    c.Get<QLineEdit>(IDC_TAG_YEAR)->setText(song.m_YEAR);
    CGenreCombo::SelectStored(c.Get<QComboBox>(IDC_TAG_GENRE), song.m_GENRE);
    if (auto* lyrics = c.Get<QAbstractButton>(ID_VIEW_LYRICS))
        lyrics->setText(song.m_LYRICS.isEmpty() ? QStringLiteral("Lyrics")
                                                : QStringLiteral("Lyrics!"));
}

void CLibraryController::ClearTagFields()
{
    const CControls& c = m_context.controls;
    for (int id : {IDC_TAG_TITLE, IDC_TAG_ARTIST, IDC_TAG_ALBUM, IDC_TAG_YEAR})
        c.Get<QLineEdit>(id)->clear();
    c.Get<QComboBox>(IDC_TAG_GENRE)->setCurrentIndex(-1);
    if (auto* lyrics = c.Get<QAbstractButton>(ID_VIEW_LYRICS))
        lyrics->setText(QStringLiteral("Lyrics"));
}

void CLibraryController::OnSongDoubleClicked(int row)
{
    CSongListModel& songs = m_context.doc.Songs();
    if (row < 0 || row >= songs.RowCount())
        return;
    m_context.doc.Playlist().Append(songs.Cell(row, 0), songs.Id(row));
    m_context.doc.Playlist().SetChanged(true);
    if (CSettings::Int(QStringLiteral("AutoUpd"), 0) == 1) {
        if (QAction* update = m_context.Action(ID_UPDATE_WINAMP))
            update->trigger();
    }
}

void CLibraryController::OnCellEdited(int row, int column, const QString& text)
{
    using EEdit = CLibraryOperations::EEdit;
    const EEdit edit =
        CLibraryOperations(m_context.doc, m_context.services).StoreCellEdit(row, column, text);
    if (edit == EEdit::None)
        return;
    const qint64 id = m_context.doc.Songs().Id(row);
    if (edit == EEdit::Comment) {
        Q_EMIT CommentTagRequested(id, text);
        return;
    }
    if (const std::optional<SSong> song = m_context.doc.Set().FindSongById(id))
        ShowTagFields(*song);
    Q_EMIT TagSaveRequested(id);
}

void CLibraryController::OnDeleteSelectedFile()
{
    CLibraryOperations(m_context.doc, m_context.services).DeleteCurrentFile();
}
