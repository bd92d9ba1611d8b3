#pragma once

#include "db/CCdlistSet.h"
#include "db/CSongColumns.h"
#include "library/CSongListModel.h"

#include <QList>
#include <QTableView>

// The song list: a report of the songs of a session or a search, with the columns the
// Lib… settings switch on, one row per song carrying the song's ID.
class CLibraryListCtrl : public QTableView
{
    Q_OBJECT
public:
    explicit CLibraryListCtrl(QWidget* parent = nullptr);

    // Removes all rows and columns and inserts the columns from the settings:
    // "Title" (130 pixels), then the enabled ones of "Artist", "Album", "Session",
    // "Bitrate", "Length", "Comment" (50 pixels each).
    void RebuildColumns();
    int ColumnCount() const { return int(m_model->Headings().size()); }
    QStringList Headings() const { return m_model->Headings(); }

    void DeleteAllItems() { m_model->Clear(); }
    int RowCount() const { return m_model->RowCount(); }
    // Adds a row at `row` from the song set's current record.
    void InsertSongRow(int row, const CCdlistSet& set);
    // Many rows at once: gather them in a batch, then append the batch.
    CSongListModel::CBatch NewBatch() const { return CSongListModel::CBatch(ColumnCount()); }
    void AddToBatch(CSongListModel::CBatch& batch, const CCdlistSet& set) const;
    void AddToBatch(CSongListModel::CBatch& batch, const CCdlistSet::CScanRow& row) const;
    void AppendRows(CSongListModel::CBatch batch) { m_model->AppendRows(std::move(batch)); }
    // Rewrites every shown cell of the row from the current record.
    void RefreshSongRow(int row, const CCdlistSet& set);
    qint32 ItemData(int row) const { return m_model->Id(row); }
    QString CellText(int row, int column) const { return m_model->Cell(row, column); }
    QList<int> SelectedRows() const;
    CSongListModel* Model() const { return m_model; }

    // The cells of one row, as the columns show them.
    QStringList CellsFor(const CCdlistSet& set) const;
    // The song column each list column shows.
    const QList<ESongColumn>& Columns() const { return m_columns; }
    // "245" seconds as "4:05"; empty stays empty.
    static QString FormatLength(const QString& seconds);

    // A click on a column heading: ascending for a new column, the other direction for
    // the column sorted last. Equal cells keep their order.
    void SortByHeading(int column);
    int LastSortColumn() const { return m_lastSortColumn; }
    bool SortAscending() const { return m_ascending; }

Q_SIGNALS:
    void RowClicked(int row);
    void RowDoubleClicked(int row);
    void CellEdited(int row, int column, const QString& text);

protected:
    CSongListModel* m_model;
    QList<ESongColumn> m_columns;
    int m_lastSortColumn = -1;
    bool m_ascending = true;
};
