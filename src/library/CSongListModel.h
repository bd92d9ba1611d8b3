#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <QVector>

// The rows of the song list: the cells' texts and the song's ID per row. A plain
// vector, so that listing and sorting 100,000 songs stays quick.
class CSongListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    struct SRow
    {
        qint32 id = 0;
        QStringList cells;
    };

    explicit CSongListModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    void SetHeadings(const QStringList& headings);
    const QStringList& Headings() const { return m_headings; }
    void Clear();
    void InsertRow(int row, SRow data);
    // Adds many rows at the end in one step (a session or a search result).
    void AppendRows(QVector<SRow> rows);
    void SetCells(int row, const QStringList& cells);
    void SetCell(int row, int column, const QString& text);
    const SRow& Row(int row) const { return m_rows.at(row); }
    int RowCount() const { return int(m_rows.size()); }

    // Reorders the rows by the texts of one column, compared by code point (the order of
    // their UTF-8 bytes) and case-sensitively. Rows with equal texts keep their order;
    // selection and current row move with their rows.
    void SortByColumn(int column, bool ascending);
    // Byte-wise order of two texts: by code point, not by UTF-16 unit.
    static int CompareBytewise(const QString& a, const QString& b);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // An accepted cell edit: the cell takes the text and CellEdited reports it.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

Q_SIGNALS:
    void CellEdited(int row, int column, const QString& text);

protected:
    QVector<SRow> m_rows;
    QStringList m_headings;
};
