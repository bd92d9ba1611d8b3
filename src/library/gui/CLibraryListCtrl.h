#pragma once

#include "db/CSongColumns.h"
#include "model/CSongListModel.h"

#include <QList>
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
    // Column widths that fill `room`: what each needs when all fit, else a fair share of
    // it; `designed` weighs the shares.
    static QList<int> ShareWidth(int room, const QList<int>& need, const QList<int>& designed);

Q_SIGNALS:
    void RowClicked(int row);
    void RowDoubleClicked(int row);
    void CellEdited(int row, int column, const QString& text);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void SetColumnWidths();
    void Sort(int column, bool ascending);
    // The sort the user chose last, kept across starts, on the list as it is now.
    void ApplyChosenSort();

    CSongListModel* m_model;
    QTimer m_widthsDue;
    QTimer m_sortDue;
    int m_shownRow = -1; // the row shown when it became the current one
};
