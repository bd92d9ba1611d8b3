#pragma once

#include "db/CCdlistSet.h"
#include "db/CSongColumns.h"

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>
#include <algorithm>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The rows of the song list: each row's song ID and its cells' texts. The texts are kept
// as UTF-8 in one buffer and turned into strings only when shown, so that listing,
// sorting and clearing 100,000 songs stays quick; their byte order is the list's sort
// order.
class CSongListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    struct SRow
    {
        qint64 id = 0;
        QStringList cells;
        qint64 seconds = 0; // its length, for the list's total
    };

    // Rows gathered before they are shown: add a row, then exactly `columns` cells.
    class CBatch
    {
    public:
        explicit CBatch(int columns = 0) : m_columns(columns) {}
        void AddRow(qint64 id);
        void AddCell(std::string_view utf8);
        void AddCell(const QString& text) { AddCell(std::string_view(text.toUtf8())); }
        int RowCount() const { return int(m_ids.size()); }
        int Columns() const { return m_columns; }
        // The rows' lengths together, in seconds.
        void AddSeconds(qint64 seconds) { m_seconds += std::max<qint64>(0, seconds); }
        qint64 Seconds() const { return m_seconds; }
        qint64 Id(int row) const { return m_ids[size_t(row)]; }
        std::string_view Cell(int row, int column) const;

    private:
        friend class CSongListModel;
        struct SCell
        {
            quint32 offset = 0;
            quint32 length = 0;
        };
        SCell Store(std::string_view utf8);

        int m_columns;
        std::vector<qint64> m_ids;
        std::vector<SCell> m_cells; // row-major, m_columns per row
        std::string m_text;
        qint64 m_seconds = 0;
    };

    explicit CSongListModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    // Empties the list and takes the columns from the settings: "Title", then the enabled
    // ones of "Artist", "Album", "Session", "Bitrate", "Length", "Comment".
    void RebuildColumns();
    // The song column each list column shows.
    const QList<ESongColumn>& Columns() const { return m_columns; }
    // Rows gathered from records or scanned rows, then appended in one step.
    CBatch NewBatch() const { return CBatch(ColumnCount()); }
    void AddToBatch(CBatch& batch, const SSong& song) const;
    void AddToBatch(CBatch& batch, const CCdlistSet::CScanRow& row) const;
    // A row at `row` showing a song; a row's cells rewritten from one.
    void InsertSongRow(int row, const SSong& song);
    void RefreshSongRow(int row, const SSong& song);
    // The cells of one record, as the columns show them.
    QStringList CellsFor(const SSong& song) const;
    // "245" seconds as "4:05"; empty stays empty.
    static QString FormatLength(const QString& seconds);

    // Adds to a batch the rows of the songs of these IDs, in any order; a song no longer
    // in the catalogue has none. It must not throw.
    using RowSource = std::function<void(const std::vector<qint64>& ids, CBatch& rows)>;
    // Shows the songs of these IDs, reading a row's texts from the source only when they
    // are first needed (on screen, sorted or asked for), a block of rows at a time;
    // `seconds` is their total length, which the caller had the database sum.
    void ShowIds(std::vector<qint64> ids, RowSource source, qint64 seconds = 0);
    // The total length of the songs listed, in seconds, kept as rows come and go.
    qint64 TotalSeconds() const { return m_data.Seconds(); }

    // The file of a listed song, for its row's tooltip.
    using PathSource = std::function<QString(qint64 id)>;
    void SetPathSource(PathSource source) { m_pathSource = std::move(source); }

    void SetHeadings(const QStringList& headings);
    const QStringList& Headings() const { return m_headings; }
    int ColumnCount() const { return int(m_headings.size()); }
    void Clear();
    void InsertRow(int row, const SRow& data);
    // Adds many rows at the end in one step (a session or a search result).
    void AppendRows(CBatch batch);
    void SetCells(int row, const QStringList& cells);
    void SetCell(int row, int column, const QString& text);
    qint64 Id(int row) const { return m_data.Id(row); }
    QString Cell(int row, int column) const;
    int RowCount() const { return m_data.RowCount(); }

    // Reorders the rows by the texts of one column, compared byte for byte (UTF-8, so by
    // code point) and case-sensitively; Bitrate and Length by their numbers. Rows with
    // equal texts keep their order; selection and current row move with their rows. A
    // list sorted by the column already is reversed, not sorted again.
    void SortByColumn(int column, bool ascending);
    // The column the rows are sorted by (-1 when any change since has unsorted them).
    int SortedColumn() const { return m_sortedColumn; }
    bool SortedAscending() const { return m_sortedAscending; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // An accepted cell edit: the cell takes the text and CellEdited reports it.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

Q_SIGNALS:
    void CellEdited(int row, int column, const QString& text);
    // The columns were rebuilt from the settings (the view sets their widths).
    void ColumnsRebuilt();
    // The number of songs listed or their total length changed.
    void TotalsChanged(qint64 songs, qint64 seconds);

private:
    bool IsCell(int row, int column) const
    {
        return row >= 0 && row < RowCount() && column >= 0 && column < ColumnCount();
    }
    CBatch::SCell& CellRef(int row, int column)
    {
        return m_data.m_cells[size_t(row) * size_t(m_data.m_columns) + size_t(column)];
    }
    bool IsFilled(int row) const;
    // The sort key of a Bitrate or Length cell.
    static quint64 NumericKey(ESongColumn column, std::string_view text);
    // Moves the rows into the order `arrange` gives (new row -> old row).
    void Reorder(const std::function<void(std::vector<int>&)>& arrange);
    // Reads the rows of [first, last) that the source has not filled yet.
    void Fill(int first, int last) const;
    // A cell's bytes, its row's block read first when needed.
    std::string_view Text(int row, int column) const;

    mutable CBatch m_data;
    RowSource m_source;
    PathSource m_pathSource;
    QStringList m_headings;
    QList<ESongColumn> m_columns;
    int m_sortedColumn = -1;
    bool m_sortedAscending = true;
};
