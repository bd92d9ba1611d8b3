#pragma once

#include "db/CSongColumns.h"
#include "model/CSongListModel.h"
#include "ui/CDelayedSave.h"

#include <QList>
#include <QMap>
#include <QTableView>
#include <QTimer>

// The song list: shows the document's song list model, one row per song, and lets the
// user sort by a column heading, select rows and edit cells.
class CLibraryListCtrl : public QTableView
{
    Q_OBJECT
public:
    CLibraryListCtrl(CSongListModel* model, QWidget* parent = nullptr);

    int ColumnCount() const { return m_model->ColumnCount(); }
    QStringList Headings() const { return m_model->Headings(); }
    int RowCount() const { return m_model->RowCount(); }
    qint64 ItemData(int row) const { return m_model->Id(row); }
    QString CellText(int row, int column) const { return m_model->Cell(row, column); }
    const QList<ESongColumn>& Columns() const { return m_model->Columns(); }

    // A click on a column heading: ascending for a new column, the other direction for
    // the column the list is sorted by. Equal cells keep their order.
    void SortByHeading(int column);
    bool SortAscending() const { return m_model->SortedAscending(); }
    // A column as wide as its heading and the texts of the rows in sight (the list may
    // hold a million rows: it never reads them all). A double-click on a border does it.
    void FitColumn(int column);
    // Keeps the columns' order and widths in the settings, by what each column shows.
    void SaveColumns();
    // Column widths that fill `room`: what each needs when all fit, the room left over
    // shared as `designed` weighs it; else an equal share of it, or less for a column
    // that needs less.
    static QList<int> ShareWidth(int room, const QList<int>& need, const QList<int>& designed);

Q_SIGNALS:
    void RowClicked(int row);
    void RowDoubleClicked(int row);
    void CellEdited(int row, int column, const QString& text);
    // The user showed or hid a column from the heading's menu; its setting is written and
    // the columns are due to be rebuilt from the settings.
    void ColumnsChosen();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Before the user has widths of their own, the columns share the list's width.
    void SetColumnWidths();
    // What a column's heading and the texts in sight need.
    int NeededWidth(int column) const;
    bool GrowCutColumns(); // false: not yet, no rows in sight
    // The order and widths the user chose, for the columns the list has now; a column
    // never sized gets what its texts need.
    void ApplyColumns();
    // What the user did to the columns, kept by each column's identity.
    void RecordColumns();
    void RecordWidths();
    void ShowColumnMenu(const QPoint& at);
    void Sort(int column, bool ascending);
    // The sort the user chose last, kept across starts, on the list as it is now.
    void ApplyChosenSort();

    CSongListModel* m_model;
    QTimer m_widthsDue;
    QTimer m_sortDue;
    CDelayedSave m_saveDue{[this] { SaveColumns(); }};
    QTimer m_giveBackDue; // freed memory to be given back to the system
    int m_shownRow = -1;  // the row shown when it became the current one
    // Widths and order the user chose, by column; hidden columns keep theirs.
    QMap<ESongColumn, int> m_widths;
    QList<ESongColumn> m_order;
    // The widths are the user's (kept from before, or the user sized, moved or fitted a
    // column): nothing shares the list's width among the columns again.
    bool m_fitted = false;
    bool m_grown = false;    // the kept widths have been given the list's spare room
    bool m_dragging = false; // a mouse button is down on the headings
    bool m_applying = false; // widths set by the program, not the user
};
