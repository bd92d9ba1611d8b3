#include "library/CLibraryController.h"

#include "app/CSettings.h"
#include "db/CCdlistSet.h"
#include "library/CGenres.h"
#include "library/CLibraryListCtrl.h"
#include "platform/CText.h"
#include "ui/CPrompts.h"
#include "ui/CWaitCursor.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>

namespace {} // namespace

CLibraryController::CLibraryController(SLibraryParts parts, QObject* parent)
    : QObject(parent), m_parts(std::move(parts))
{
    if (m_parts.genre)
        CGenres::FillCombo(m_parts.genre, false);
    Connect();
}

void CLibraryController::Connect()
{
    if (m_parts.sessions)
        connect(m_parts.sessions, &QListWidget::itemSelectionChanged, this,
                &CLibraryController::OnSessionSelected);
    connect(m_parts.songs, &CLibraryListCtrl::RowClicked, this, &CLibraryController::OnSongClicked);
    connect(m_parts.songs, &CLibraryListCtrl::RowDoubleClicked, this,
            &CLibraryController::OnSongDoubleClicked);
    connect(m_parts.songs, &CLibraryListCtrl::CellEdited, this, &CLibraryController::OnCellEdited);
    if (m_parts.deleteFile)
        connect(m_parts.deleteFile, &QAction::triggered, this,
                &CLibraryController::OnDeleteSelectedFile);
}

void CLibraryController::OnSessionSelected()
{
    const QList<QListWidgetItem*> selected = m_parts.sessions->selectedItems();
    if (!selected.isEmpty())
        ShowSession(selected.first()->text());
}

void CLibraryController::ShowSession(const QString& name)
{
    const CWaitCursor wait;
    m_parts.songs->DeleteAllItems();
    CCdlistSet& set = *m_parts.set;
    CSongListModel::CBatch rows = m_parts.songs->NewBatch();
    try {
        const CUnfilterOnExit unfilter(set);
        // Bound as a value, so a name with an apostrophe is just a name; "Rock" and
        // "rock" are two sessions.
        set.SetFilter(CFilter::Exactly(ESongColumn::CD, name));
        set.SetSort(ESongColumn::ID);
        set.Requery();
        for (; !set.IsEOF(); set.MoveNext()) {
            if (set.m_CD == name)
                m_parts.songs->AddToBatch(rows, set);
        }
    } catch (const CDbException& e) {
        m_parts.prompts->Error(e.Message(), QStringLiteral("Error"));
    }
    m_parts.songs->AppendRows(std::move(rows));
}

bool CLibraryController::FindRowSong(int row) const
{
    if (row < 0 || row >= m_parts.songs->RowCount())
        return false;
    try {
        return m_parts.set->FindSongById(m_parts.songs->ItemData(row));
    } catch (const CDbException& e) {
        m_parts.prompts->Error(e.Message(), QStringLiteral("Error"));
        return false;
    }
}

void CLibraryController::OnSongClicked(int row)
{
    if (!FindRowSong(row))
        return;
    m_parts.setCurrentSong(m_parts.set->m_ID);
    ShowTagFields();
}

void CLibraryController::ShowTagFields()
{
    const CCdlistSet& set = *m_parts.set;
    m_parts.title->setText(set.m_TITLE);
    m_parts.artist->setText(set.m_ARTIST);
    m_parts.album->setText(set.m_ALBUM);
    m_parts.year->setText(set.m_YEAR);
    CGenres::SelectStored(m_parts.genre, set.m_GENRE);
    if (m_parts.lyrics)
        m_parts.lyrics->setText(set.m_LYRICS.isEmpty() ? QStringLiteral("Lyrics")
                                                       : QStringLiteral("Lyrics!"));
}

void CLibraryController::OnSongDoubleClicked(int row)
{
    if (row < 0 || row >= m_parts.songs->RowCount())
        return;
    m_parts.addPlaylistEntry(m_parts.songs->CellText(row, 0), m_parts.songs->ItemData(row));
    m_parts.setPlaylistChanged(true);
    if (CSettings::Int(QStringLiteral("AutoUpd"), 0) == 1 && m_parts.updateWinamp)
        m_parts.updateWinamp->trigger();
}

void CLibraryController::OnCellEdited(int row, int column, const QString& text)
{
    if (column < 0 || column >= m_parts.songs->Columns().size() || !FindRowSong(row))
        return;
    try {
        if (!StoreEdit(column, text))
            return;
    } catch (const CDbException& e) {
        m_parts.prompts->Error(e.Message(), QStringLiteral("Error"));
        return;
    }
    const qint32 id = m_parts.set->m_ID;
    if (m_parts.songs->Columns().at(column) == ESongColumn::COMMENT) {
        Q_EMIT CommentTagRequested(id, text);
        return;
    }
    m_parts.setCurrentSong(id);
    ShowTagFields();
    Q_EMIT TagSaveRequested(id);
}

bool CLibraryController::StoreEdit(int column, const QString& text)
{
    CCdlistSet& set = *m_parts.set;
    const ESongColumn shown = m_parts.songs->Columns().at(column);
    switch (shown) {
    case ESongColumn::LIST:
    case ESongColumn::ARTIST:
    case ESongColumn::ALBUM:
    case ESongColumn::COMMENT:
        break;
    default:
        return false; // Session, Bitrate and Length change only the cell
    }
    if (set.Text(shown) == text)
        return false;
    // The record is stored at once, so the edit survives whether or not the tag can be
    // written afterwards.
    set.Edit();
    set.SetText(shown, text);
    if (shown == ESongColumn::LIST)
        set.m_TITLE = text;
    set.Update();
    return true;
}

void CLibraryController::OnDeleteSelectedFile()
{
    const qint32 id = m_parts.currentSong();
    CCdlistSet& set = *m_parts.set;
    try {
        if (id == -1 || !set.FindSongById(id))
            return;
        if (!m_parts.prompts->AskYesNo(QStringLiteral("Are you sure you want to delete ") +
                                           set.m_MELODI + QStringLiteral(" from disk?"),
                                       QStringLiteral("Confirm Removal"),
                                       CPrompts::EIcon::Exclamation))
            return;
        if (!QFile::remove(CText::JoinPath(set.m_PATH, set.m_MELODI))) {
            m_parts.prompts->Error(QStringLiteral("Unable to delete file!"),
                                   QStringLiteral("Error"));
            return;
        }
        set.Delete();
        set.Requery();
    } catch (const CDbException& e) {
        m_parts.prompts->Error(e.Message(), QStringLiteral("Error"));
        return;
    }
    m_parts.songs->DeleteAllItems();
    m_parts.setSongCount(m_parts.songCount() - 1);
}
