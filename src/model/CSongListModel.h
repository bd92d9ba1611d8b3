#pragma once

#include "db/CCdlistSet.h"
#include "db/CSongColumns.h"
#include "model/CColumnRanks.h"
#include "platform/CSettingsTable.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QItemSelectionModel>
#include <QList>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QTimer;

// The rows of the song list: each row's song ID and its cells' texts. The texts are kept
// as UTF-8 in one buffer and turned into strings only when shown, so that listing,
// sorting and clearing a million songs stays quick; they sort as the user's language
// reads them (CCollation), numbers by value. A list shown by IDs holds 12 bytes a row until its
// rows are read; a sort is a new order of the rows, so it moves no texts.
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

    explicit CSongListModel(QObject* parent = nullptr)
        : QAbstractTableModel(parent), m_selection(new QItemSelectionModel(this, this))
    {}

    // The rows the user selected, shared by every view of the list: a sort moves them with
    // their rows, a new listing clears them.
    QItemSelectionModel& Selection() { return *m_selection; }
    // The selected rows in list order, and their songs' IDs.
    QList<int> SelectedRows() const;
    QList<qint64> SelectedIds() const;

    // Empties the list and takes the columns from the settings: "Title", then the enabled
    // ones of "Artist", "Album", "Track", "Year", "Genre", "Session", "Bitrate", "Length",
    // "Comment", "Type" (of MELODI) and "Path" (the file, PATH and MELODI).
    void RebuildColumns();
    // The columns the settings show or hide, in the order they appear.
    struct SColumnChoice
    {
        QString heading;
        ESetting setting;
        ESongColumn column;
    };
    static QList<SColumnChoice> OptionalColumns();
    // The song column each list column shows.
    const QList<ESongColumn>& Columns() const { return m_columns; }
    // Rows gathered from records or scanned rows, then appended in one step.
    CBatch NewBatch() const { return CBatch(ColumnCount()); }
    void AddToBatch(CBatch& batch, const SSong& song) const;
    void AddToBatch(CBatch& batch, const CCdlistSet::CScanRow& row) const;
    // A row at `row` showing a song; a row's cells rewritten from one.
    void InsertSongRow(int row, const SSong& song);
    void RefreshSongRow(int row, const SSong& song);
    // What the catalogue announced: the rows of songs changed show their new values, the
    // rows of songs gone (each with its seconds) go.
    void RefreshSongs(const QList<SSong>& songs);
    void RemoveSongs(const QHash<qint64, qint64>& secondsById);
    // The cells of one record, as the columns show them.
    QStringList CellsFor(const SSong& song) const;
    // "245" seconds as "4:05"; empty stays empty.
    static QString FormatLength(const QString& seconds);
    // A stored text as its column shows it: a length as "4:05", a genre by its name, a
    // file name (the Type column) by its extension in capitals ("MP3").
    static QString Shown(ESongColumn column, const QString& stored);
    // Whether the column shows the stored text as it is (the Path column shows the file).
    static bool ShownAsStored(ESongColumn column);

    // Adds to a batch the rows of the songs of these IDs, in any order; a song no longer
    // in the catalogue has none. It must not throw.
    using RowSource = std::function<void(const std::vector<qint64>& ids, CBatch& rows)>;
    // Hands some columns' stored texts of every listed song (others may come too), in any
    // order, so that a sort reads a column or two instead of whole rows: texts[i] is
    // columns[i]'s, valid during the call: each column as stored (PATH the folder, MELODI
    // the file's name), but GENRE may come folded (the sort ignores case). It must not
    // throw.
    using ColumnVisit = std::function<void(qint64 id, const std::string_view* texts)>;
    using ColumnSource =
        std::function<void(const std::vector<ESongColumn>& columns, const ColumnVisit& visit)>;
    // Shows the songs of these IDs, reading a row's texts from the source only when they
    // are first needed (on screen or asked for), a block of rows at a time.
    // `seconds` is their total length, which the caller had the database sum.
    void ShowIds(std::vector<qint64> ids, RowSource source, ColumnSource columns = {},
                 qint64 seconds = 0);
    // The same with a total length that is summed only when first asked for (it reads
    // every listed row): with an event loop, just after the list is drawn, when
    // TotalsChanged reports it. It must not throw.
    using SecondsSource = std::function<qint64()>;
    // With `background`, the sum after drawing runs on another thread, so the window takes
    // clicks meanwhile: called here, it returns the work to run there (empty: none), which
    // reads nothing of this model or the caller's connection and must not throw; nullopt
    // from it means it could not sum, and `seconds` sums here instead.
    using SecondsJob = std::function<std::optional<qint64>()>;
    using SecondsInBackground = std::function<SecondsJob()>;
    void ShowIds(std::vector<qint64> ids, RowSource source, ColumnSource columns,
                 SecondsSource seconds, SecondsInBackground background = {});
    // The total length of the songs listed, in seconds, kept as rows come and go.
    qint64 TotalSeconds() const;
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
    qint64 Id(int row) const { return m_ids[Base(row)]; }
    // Every listed song's ID, and one column's texts, in the list's order.
    std::vector<qint64> ListedIds() const;
    QStringList ColumnTexts(int column) const;
    QString Cell(int row, int column) const;
    // Stored rows of songs removed are not listed.
    int RowCount() const { return int(m_view.empty() ? m_ids.size() : m_view.size()); }

    // Reorders the rows by the texts of one column as a reader orders them (CCollation);
    // Track, Bitrate and Length by their numbers. By Artist, an artist's songs come by
    // album, then track; by Album, by track; then in the order they were taken in (the
    // album and track read from the catalogue when their columns are hidden). Rows with
    // equal texts keep their order; selection and current row move with their rows.
    // The other direction of the column last sorted turns the list round without sorting.
    void SortByColumn(int column, bool ascending);
    // The column the rows are sorted by (-1 when any change since has unsorted them).
    int SortedColumn() const { return m_sortedColumn; }
    bool SortedAscending() const { return m_sortedAscending; }
    // The number a Track, Bitrate or Length cell sorts by: empty first, a length's "m:ss"
    // read as seconds, a track's "3/12" as 3.
    static quint64 NumericKey(ESongColumn column, std::string_view text);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // An accepted cell edit: the cell takes the text and CellEdited reports it.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

Q_SIGNALS:
    void CellEdited(int row, int column, const QString& text);
    // The songs listed and their total length changed (-1: not summed yet, it follows).
    void TotalsChanged(qint64 songs, qint64 seconds);
    // The columns were rebuilt from the settings (the view sets their widths).
    void ColumnsRebuilt();

private:
    using SCell = CBatch::SCell;
    // The slot of a row whose cells the source has not filled yet.
    static constexpr quint32 kUnfilled = 0xFFFFFFFFu;
    bool IsCell(int row, int column) const
    {
        return row >= 0 && row < RowCount() && column >= 0 && column < ColumnCount();
    }
    // The stored row shown at a list row (rows are stored in the order they came).
    size_t Base(int row) const
    {
        return m_view.empty() ? size_t(row) : size_t(m_view[size_t(row)]);
    }
    SCell& CellRef(int row, int column)
    {
        return m_cells[size_t(m_slots[Base(row)]) + size_t(column)];
    }
    bool IsFilled(int row) const;
    // Reads the rows of [first, last) that the source has not filled yet.
    void Fill(int first, int last) const;
    // A cell's bytes, its row's block read first when needed.
    std::string_view Text(int row, int column) const;
    std::string_view Stored(SCell cell) const
    {
        return std::string_view(m_text).substr(cell.offset, cell.length);
    }
    SCell Store(std::string_view utf8) const;
    // Gives a stored row its cells, at the end of the cell store.
    void PlaceCells(size_t base, const std::function<SCell(int column)>& cell) const;
    void Reset(std::vector<qint64> ids);
    // The list anew: its IDs and where its rows, columns and total length come from.
    void ShowSources(std::vector<qint64> ids, RowSource source, ColumnSource columns,
                     SecondsSource seconds);
    void Unsorted() { m_sortedColumn = -1; }
    // Takes out one list row (its stored row stays unused).
    void RemoveListRow(int row);
    // When the list is drawn: TotalsChanged with the sum, at once or from another thread.
    void ReportTotals();
    void SumInBackground(SecondsJob job);
    // What a sort reads of a text: all of it, or a path's folder or name.
    enum class EPart
    {
        Whole,
        Folder,
        Name
    };
    // What a sort orders by: a song column and the list column showing it (-1: hidden,
    // read from the catalogue alone); once read, its distinct texts as shown and by list
    // row the number of its text (none when it cannot be read: hidden, and no catalogue).
    struct SSortField
    {
        ESongColumn column;
        int listColumn;
        EPart part; // of a path
        CDistinctTexts texts;
        std::vector<qint32> rowGroup;
    };
    // The folder ("/music") or the name ("a.mp3") of a song's file, or the whole text.
    static std::string_view PartOf(std::string_view text, EPart part);
    // The catalogue's column a field is read from, and the field's text from that column's.
    static ESongColumn StoredColumn(ESongColumn column, EPart part);
    static std::string_view FromStored(ESongColumn column, EPart part, std::string_view utf8);
    SSortField Field(ESongColumn column, int listColumn = -2) const;
    // Reads the fields' texts, those the catalogue must hand in one pass.
    void ReadFields(std::vector<SSortField*> fields) const;
    // The rows in the order their songs were taken in (by ID).
    std::vector<qint32> RowsById() const;
    // Sorts `order` (list rows) stably by a field read; `runStarts`, when given, marks by
    // position where each run of equal texts begins.
    void OrderBy(const SSortField& field, bool ascending, std::vector<qint32>& order,
                 std::vector<bool>* runStarts) const;
    // The same for the Path column, read as the folder and the name of each song's file.
    void OrderByPath(SSortField& name, bool ascending, std::vector<qint32>& order,
                     std::vector<bool>& runStarts) const;
    // Shows the rows in a new order: order[i] is the list row that becomes row i.
    void Reorder(const std::vector<qint32>& order);
    void Reverse();

    std::vector<qint64> m_ids;            // by stored row
    mutable std::vector<quint32> m_slots; // by stored row: its first cell, or unread
    mutable std::vector<SCell> m_cells;   // ColumnCount() a read row
    mutable std::string m_text;
    std::vector<qint32> m_view; // list row to stored row; empty while they are the same
    RowSource m_source;
    ColumnSource m_columnSource;
    PathSource m_pathSource;
    mutable qint64 m_seconds = 0;
    mutable SecondsSource m_secondsSource; // the total not summed yet
    SecondsInBackground m_secondsBackground;
    QTimer* m_totalsTimer = nullptr; // reports it once the list is drawn
    // Counts the lists shown: a late sum is of an older one, and one that has not started
    // yet when its list is gone does not start.
    std::shared_ptr<std::atomic<quint64>> m_listNumber = std::make_shared<std::atomic<quint64>>(0);
    // The column the rows are sorted by (-1: none since the last change), its direction
    // and, by list row, where a run of equal cells begins.
    int m_sortedColumn = -1;
    bool m_sortedAscending = true;
    std::vector<bool> m_runStarts;
    QStringList m_headings;
    QList<ESongColumn> m_columns;
    QItemSelectionModel* m_selection;
};
