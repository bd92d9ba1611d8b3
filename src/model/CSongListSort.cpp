// The song list's sort: the texts a column sorts by, read in one pass, and the rows' new
// order with their selection.
#include "model/CColumnRanks.h"
#include "model/CSongListModel.h"
#include "platform/CText.h"

#include <algorithm>
#include <limits>
#include <numeric>

namespace {

// Texts a sort compares by the number they hold.
bool IsNumeric(ESongColumn column)
{
    return column == ESongColumn::BITRATE || column == ESongColumn::DURATION ||
           column == ESongColumn::TRACK;
}

quint64 NumberOf(std::string_view text)
{
    return CSongListModel::NumericKey(ESongColumn::BITRATE, text);
}

quint64 LengthOf(std::string_view text)
{
    return CSongListModel::NumericKey(ESongColumn::DURATION, text);
}

constexpr int kSmallNumbers = 10000;

// Songs read whose rows are looked up together.
constexpr size_t kBatch = 512;

// The value of a text of one to four digits, else -1.
int SmallNumber(std::string_view text)
{
    if (text.empty() || text.size() > 4)
        return -1;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

// The type a file's name shows, as the name has it ("mp3": the sort ignores case).
std::string_view TypeOf(std::string_view name)
{
    const size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
}

// The list's row of each song's ID: a table when the IDs are close together, else a hash.
// A song listed twice takes the texts read for its first row.
class CRowsOfIds
{
public:
    template <typename IdOf> CRowsOfIds(int rows, const IdOf& idOf)
    {
        for (int r = 0; r < rows; ++r) {
            const qint64 id = idOf(r);
            m_first = std::min(m_first, id);
            m_last = std::max(m_last, id);
        }
        if (rows > 0 && m_last - m_first < qint64(rows) * 2 + 1024)
            m_table.assign(size_t(m_last - m_first + 1), -1);
        for (int r = 0; r < rows; ++r) {
            const qint64 id = idOf(r);
            const qint32 first = m_table.empty() ? m_hash.value(id, -1) : m_table[Slot(id)];
            if (first >= 0)
                m_twins.emplace_back(r, first);
            else if (m_table.empty())
                m_hash.insert(id, r);
            else
                m_table[Slot(id)] = r;
        }
    }
    // -1 for an ID no row shows.
    qint32 Row(qint64 id) const
    {
        if (m_table.empty())
            return m_hash.value(id, -1);
        return id < m_first || id > m_last ? -1 : m_table[Slot(id)];
    }
    // Each later row of a song listed twice, with the song's first row.
    const std::vector<std::pair<qint32, qint32>>& Twins() const { return m_twins; }

private:
    size_t Slot(qint64 id) const { return size_t(id - m_first); }

    qint64 m_first = std::numeric_limits<qint64>::max();
    qint64 m_last = std::numeric_limits<qint64>::min();
    std::vector<qint32> m_table;
    QHash<qint64, qint32> m_hash;
    std::vector<std::pair<qint32, qint32>> m_twins;
};

} // namespace

std::string_view CSongListModel::PartOf(std::string_view text, EPart part)
{
    if (part == EPart::Whole)
        return text;
    const size_t slash = text.rfind('/');
    if (slash == std::string_view::npos)
        return part == EPart::Folder ? std::string_view() : text;
    return part == EPart::Folder ? text.substr(0, slash) : text.substr(slash + 1);
}

// The catalogue's column a field is read from: a path's folder is PATH, its name MELODI,
// each read as stored instead of joined to be parted again.
ESongColumn CSongListModel::StoredColumn(ESongColumn column, EPart part)
{
    return column == ESongColumn::PATH && part == EPart::Name ? ESongColumn::MELODI : column;
}

// A field's text from its stored column's, as the field's cell would give it.
std::string_view CSongListModel::FromStored(ESongColumn column, EPart part, std::string_view utf8)
{
    if (column == ESongColumn::MELODI)
        return TypeOf(utf8);
    if (column != ESongColumn::PATH)
        return utf8;
    if (part == EPart::Folder && utf8.size() > 0 && utf8.back() == '/')
        utf8.remove_suffix(1); // stored with its closing slash, which the name follows
    return utf8;
}

quint64 CSongListModel::NumericKey(ESongColumn column, std::string_view text)
{
    if (text.empty())
        return 0;
    qint64 value = CText::LeadingInteger(text);
    const size_t colon = text.find(':');
    if (column == ESongColumn::DURATION && colon != std::string_view::npos)
        value = value * 60 + CText::LeadingInteger(text.substr(colon + 1));
    return quint64(std::max<qint64>(value, -1) + 2);
}

CSongListModel::SSortField CSongListModel::Field(ESongColumn column, int listColumn) const
{
    return {column,
            listColumn == -2 ? int(m_columns.indexOf(column)) : listColumn,
            EPart::Whole,
            {},
            {}};
}

void CSongListModel::ReadFields(std::vector<SSortField*> fields) const
{
    const int rows = RowCount();
    bool allRead = true;
    for (int r = 0; r < rows && allRead; ++r)
        allRead = IsFilled(r);
    const auto cell = [this](size_t base, int column) {
        return Stored(m_cells[size_t(m_slots[base]) + size_t(column)]);
    };
    // Shown columns of rows all read (or with nothing else to read them from) come from
    // their cells; the others from the catalogue, together.
    std::vector<SSortField*> read;
    for (SSortField* f : fields) {
        if (f->listColumn >= 0 && (allRead || !m_columnSource)) {
            Fill(0, rows);
            f->rowGroup.resize(size_t(rows));
            for (int r = 0; r < rows; ++r)
                f->rowGroup[size_t(r)] =
                    f->texts.Add(PartOf(cell(Base(r), f->listColumn), f->part));
        } else if (m_columnSource) {
            read.push_back(f);
        }
    }
    if (read.empty())
        return;
    // In whatever order the catalogue hands them; an index hands equal texts together, so
    // most texts need no look-up among those kept. Each song's row is found through a table
    // when the numbers are close together, else through a hash.
    const CRowsOfIds rowOf(rows, [this](int r) { return Id(r); });
    const size_t n = read.size();
    std::vector<ESongColumn> columns; // each read once
    std::vector<size_t> from(n);      // each field's place among them
    std::vector<std::string> previous(n);
    std::vector<qint32> previousGroup(n, -1);
    // A number column's short numbers (tracks, bit rates) find their text by value, not
    // through the texts' table: "7" and "07" rank alike anyway.
    std::vector<std::vector<qint32>> byNumber(n);
    for (size_t k = 0; k < n; ++k) {
        read[k]->texts.Expect(m_ids.size());
        read[k]->rowGroup.assign(size_t(rows), -1);
        if (IsNumeric(read[k]->column))
            byNumber[k].assign(kSmallNumbers, -1);
        const ESongColumn stored = StoredColumn(read[k]->column, read[k]->part);
        from[k] = size_t(std::find(columns.begin(), columns.end(), stored) - columns.begin());
        if (from[k] == columns.size())
            columns.push_back(stored);
    }
    // The number of a field's text: by value for a short number, else that of the text
    // before it when they are the same.
    const auto groupOf = [&](size_t k, std::string_view utf8) {
        const ESongColumn c = read[k]->column;
        utf8 = FromStored(c, read[k]->part, utf8);
        if (const int number = byNumber[k].empty() ? -1 : SmallNumber(utf8); number >= 0) {
            qint32& group = byNumber[k][size_t(number)];
            if (group < 0)
                group = read[k]->texts.Add(utf8);
            previousGroup[k] = -1;
            return group;
        }
        if (previousGroup[k] < 0 || utf8 != previous[k]) {
            previous[k].assign(utf8);
            // A genre as the cell shows it ("(17)" by its name); the others as they come:
            // a length ranks by its seconds whether "245" or "4:05".
            if (c != ESongColumn::GENRE) {
                previousGroup[k] = read[k]->texts.Add(utf8);
            } else {
                const QString s = QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
                previousGroup[k] = read[k]->texts.Add(Shown(c, s).toUtf8().toStdString());
            }
        }
        return previousGroup[k];
    };
    // The songs' rows are looked up a batch at a time, apart from the texts: each look-up
    // misses the processor's cache, and a loop of nothing else lets those misses overlap.
    std::vector<qint64> ids;
    std::vector<qint32> groups, rowsOfIds;
    ids.reserve(kBatch);
    groups.reserve(kBatch * n);
    const auto place = [&] {
        rowsOfIds.resize(ids.size());
        for (size_t i = 0; i < ids.size(); ++i)
            rowsOfIds[i] = rowOf.Row(ids[i]);
        for (size_t k = 0; k < n; ++k) {
            std::vector<qint32>& rowGroup = read[k]->rowGroup;
            for (size_t i = 0; i < ids.size(); ++i) {
                if (rowsOfIds[i] >= 0)
                    rowGroup[size_t(rowsOfIds[i])] = groups[i * n + k];
            }
        }
        ids.clear();
        groups.clear();
    };
    m_columnSource(columns, [&](qint64 id, const std::string_view* texts) {
        ids.push_back(id);
        for (size_t k = 0; k < n; ++k)
            groups.push_back(groupOf(k, texts[from[k]]));
        if (ids.size() == kBatch)
            place();
    });
    place();
    for (SSortField* f : read) {
        for (const auto& [row, first] : rowOf.Twins()) // a song listed twice: read once
            f->rowGroup[size_t(row)] = f->rowGroup[size_t(first)];
        const qint32 none = f->texts.Add({}); // a song gone meanwhile shows empty
        for (int r = 0; r < rows; ++r) {
            qint32& group = f->rowGroup[size_t(r)];
            const size_t b = Base(r);
            if (f->listColumn >= 0 && m_slots[b] != kUnfilled) // it shows what it was set to
                group = f->texts.Add(PartOf(cell(b, f->listColumn), f->part));
            else if (group < 0)
                group = none;
        }
    }
}

void CSongListModel::SortByColumn(int column, bool ascending)
{
    if (column < 0 || column >= ColumnCount() || RowCount() < 2)
        return;
    if (column == m_sortedColumn) {
        if (ascending != m_sortedAscending)
            Reverse();
        return;
    }
    const ESongColumn shown = m_columns.value(column, ESongColumn::LIST);
    std::vector<qint32> order(static_cast<size_t>(RowCount()));
    std::iota(order.begin(), order.end(), 0);
    SSortField sorted = Field(shown, column);
    // Inside an artist by album, inside an album by track, then in the order the songs
    // were taken in; read together (an index holds them), from the catalogue when hidden.
    if (shown == ESongColumn::ARTIST || shown == ESongColumn::ALBUM) {
        order = RowsById();
        SSortField track = Field(ESongColumn::TRACK);
        SSortField album = Field(ESongColumn::ALBUM);
        if (shown == ESongColumn::ARTIST)
            ReadFields({&sorted, &album, &track});
        else
            ReadFields({&sorted, &track});
        OrderBy(track, true, order, nullptr);
        if (shown == ESongColumn::ARTIST)
            OrderBy(album, true, order, nullptr);
    }
    std::vector<bool> runStarts;
    if (shown == ESongColumn::PATH) {
        OrderByPath(sorted, ascending, order, runStarts);
    } else {
        if (sorted.rowGroup.empty())
            ReadFields({&sorted});
        OrderBy(sorted, ascending, order, &runStarts);
    }
    Reorder(order);
    m_sortedColumn = column;
    m_sortedAscending = ascending;
    m_runStarts = std::move(runStarts);
}

void CSongListModel::OrderByPath(SSortField& name, bool ascending, std::vector<qint32>& order,
                                 std::vector<bool>& runStarts) const
{
    // By folder, then by name inside it: a folder's songs stay together, and its few names
    // are compared instead of a key made for each of a million.
    SSortField folder = Field(ESongColumn::PATH, name.listColumn);
    folder.part = EPart::Folder;
    name.part = EPart::Name;
    ReadFields({&folder, &name});
    OrderBy(folder, ascending, order, &runStarts);
    // Songs of one folder with one name are the runs a reverse keeps in order.
    if (name.rowGroup.size() == order.size())
        SortRuns(name.texts, name.rowGroup, ascending, order, runStarts);
}

std::vector<qint32> CSongListModel::RowsById() const
{
    if (std::is_sorted(m_ids.begin(), m_ids.end())) { // a search stores by ID: no sort
        // Each stored song's row, in place: one block, not a second one copied out of it.
        std::vector<qint32> rowOf(m_ids.size(), -1);
        for (int r = 0; r < RowCount(); ++r)
            rowOf[Base(r)] = r;
        std::erase(rowOf, -1); // stored songs no row shows
        return rowOf;
    }
    std::vector<qint32> order(static_cast<size_t>(RowCount()));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [this](qint32 x, qint32 y) { return m_ids[Base(x)] < m_ids[Base(y)]; });
    return order;
}

void CSongListModel::OrderBy(const SSortField& field, bool ascending, std::vector<qint32>& order,
                             std::vector<bool>* runStarts) const
{
    // The distinct texts are ranked, usually far fewer than the rows; the rows then go
    // to their text's place in one stable pass.
    const std::vector<qint32>& rowGroup = field.rowGroup;
    if (rowGroup.size() != order.size()) { // not to be read: the order stays
        if (runStarts)
            runStarts->assign(order.size(), true);
        return;
    }
    qint32 ranks = 0;
    const NumberKey number = !IsNumeric(field.column)                ? nullptr
                             : field.column == ESongColumn::DURATION ? &LengthOf
                                                                     : &NumberOf;
    std::vector<qint32> rank = RankTexts(field.texts, number, ranks);
    if (!ascending) {
        for (qint32& r : rank)
            r = ranks - 1 - r;
    }
    // Counting sort: equal texts keep the order they had in both directions.
    std::vector<qint32> start(size_t(ranks) + 1, 0);
    for (const qint32 g : rowGroup)
        ++start[size_t(rank[size_t(g)]) + 1];
    std::partial_sum(start.begin(), start.end(), start.begin());
    if (runStarts) {
        runStarts->assign(rowGroup.size(), false);
        for (qint32 k = 0; k < ranks; ++k) {
            if (start[size_t(k)] < start[size_t(k) + 1])
                (*runStarts)[size_t(start[size_t(k)])] = true;
        }
    }
    std::vector<qint32> sorted(order.size());
    for (const qint32 r : order)
        sorted[size_t(start[size_t(rank[size_t(rowGroup[size_t(r)])])]++)] = r;
    order = std::move(sorted);
}

void CSongListModel::Reverse()
{
    // The runs of equal cells in reverse order, each keeping its own order.
    const size_t n = m_runStarts.size();
    std::vector<qint32> order;
    std::vector<bool> runStarts;
    order.reserve(n);
    runStarts.reserve(n);
    for (size_t end = n; end > 0;) {
        size_t begin = end - 1;
        while (!m_runStarts[begin])
            --begin;
        for (size_t r = begin; r < end; ++r) {
            runStarts.push_back(r == begin);
            order.push_back(qint32(r));
        }
        end = begin;
    }
    Reorder(order);
    m_sortedAscending = !m_sortedAscending;
    m_runStarts = std::move(runStarts);
}

void CSongListModel::Reorder(const std::vector<qint32>& order)
{
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<qint32> view(order.size());
    for (size_t i = 0; i < order.size(); ++i)
        view[i] = qint32(Base(order[i]));
    m_view = std::move(view);
    const QModelIndexList before = persistentIndexList();
    if (!before.isEmpty()) {
        std::vector<qint32> newRowOf(order.size());
        for (size_t i = 0; i < order.size(); ++i)
            newRowOf[size_t(order[i])] = qint32(i);
        QModelIndexList after;
        after.reserve(before.size());
        for (const QModelIndex& i : before)
            after << index(newRowOf[size_t(i.row())], i.column());
        changePersistentIndexList(before, after);
    }
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
