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
    void SetCells(int row, const QStringList& cells);
    void SetCell(int row, int column, const QString& text);
    const SRow& Row(int row) const { return m_rows.at(row); }
    int RowCount() const { return int(m_rows.size()); }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

protected:
    QVector<SRow> m_rows;
    QStringList m_headings;
};
