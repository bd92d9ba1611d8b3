#include "library/gui/CLibraryListCtrl.h"

#include "library/gui/CCellEdit.h"
#include "platform/CSettings.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QStyle>
#include <algorithm>

CLibraryListCtrl::CLibraryListCtrl(CSongListModel* model, QWidget* parent)
    : QTableView(parent), m_model(model)
{
    setModel(m_model);
    // The selection is the model's, which the commands read.
    QItemSelectionModel* own = selectionModel();
    setSelectionModel(&m_model->Selection());
    delete own;
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setShowGrid(false);
    setWordWrap(false);
    setAlternatingRowColors(true);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setSortIndicatorShown(true);
    horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    // A refilled list is in stored order again until the chosen sort is applied to it, once
    // its rows are in (a list drawn row by row gets them after the reset).
    m_sortDue.setSingleShot(true);
    connect(&m_sortDue, &QTimer::timeout, this, &CLibraryListCtrl::ApplyChosenSort);
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
        m_sortDue.start(0);
    });
    // A click on a cell of an already selected row edits it (F2 belongs to Update Winamp).
    setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    setItemDelegate(new CCellEditDelegate(this));
    connect(m_model, &CSongListModel::CellEdited, this, &CLibraryListCtrl::CellEdited);
    // The columns share the list's width by what their texts need.
    // Measured once the rows are in: a draw inserts them one by one.
    m_widthsDue.setSingleShot(true);
    connect(&m_widthsDue, &QTimer::timeout, this, &CLibraryListCtrl::SetColumnWidths);
    const auto due = [this] { m_widthsDue.start(0); };
    connect(m_model, &QAbstractItemModel::modelReset, &m_widthsDue, due);
    connect(m_model, &QAbstractItemModel::layoutChanged, &m_widthsDue, due);
    connect(m_model, &QAbstractItemModel::rowsInserted, &m_widthsDue, due);
    connect(m_model, &CSongListModel::ColumnsRebuilt, this, &CLibraryListCtrl::SetColumnWidths);
    // Only left-button clicks reach sectionClicked.
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this,
            &CLibraryListCtrl::SortByHeading);
    // A click on a row shown already shows it again; a new row was shown when it became
    // the current one.
    connect(this, &QTableView::clicked, this, [this](const QModelIndex& i) {
        if (std::exchange(m_shownRow, -1) != i.row())
            Q_EMIT RowClicked(i.row());
    });
    connect(this, &QTableView::doubleClicked, this,
            [this](const QModelIndex& i) { Q_EMIT RowDoubleClicked(i.row()); });
}

void CLibraryListCtrl::SetColumnWidths()
{
    const int n = ColumnCount();
    const QFontMetrics heading = horizontalHeader()->fontMetrics();
    const int margins = 2 * style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, this) + 4;
    QList<int> need, designed;
    for (int i = 0; i < n; ++i) {
        // The heading and the texts around the rows in sight (at most a thousand rows).
        need << std::max(heading.horizontalAdvance(m_model->Headings().value(i)) + margins,
                         sizeHintForColumn(i));
        designed << (i == 0 ? 130 : 50);
    }
    const QList<int> widths = ShareWidth(viewport()->width(), need, designed);
    for (int i = 0; i < n; ++i)
        setColumnWidth(i, widths[i]);
}

QList<int> CLibraryListCtrl::ShareWidth(int room, const QList<int>& need,
                                        const QList<int>& designed)
{
    const qsizetype n = need.size();
    QList<int> widths = need;
    const auto sum = [](const QList<int>& list, const QList<bool>* only = nullptr) {
        qint64 total = 0;
        for (qsizetype i = 0; i < list.size(); ++i)
            total += only && !(*only)[i] ? 0 : list[i];
        return total;
    };
    const qint64 weights = std::max<qint64>(1, sum(designed));
    if (sum(need) <= room) {
        // Every text fits: the room left over goes to the columns in their designed shares.
        const qint64 extra = room - sum(need);
        for (qsizetype i = 0; i < n; ++i)
            widths[i] += int(extra * designed[i] / weights);
        return widths;
    }
    // Too narrow for all: a column that needs less than its share keeps what it needs,
    // the others split the rest in their designed proportions.
    QList<bool> open(n, true);
    for (bool settled = false; !settled;) {
        settled = true;
        QList<int> fixed = need;
        for (qsizetype i = 0; i < n; ++i)
            fixed[i] = open[i] ? 0 : need[i];
        const qint64 left = std::max<qint64>(0, room - sum(fixed));
        const qint64 openWeights = std::max<qint64>(1, sum(designed, &open));
        for (qsizetype i = 0; i < n; ++i) {
            if (!open[i])
                continue;
            widths[i] = int(left * designed[i] / openWeights);
            if (need[i] <= widths[i]) {
                widths[i] = need[i];
                open[i] = false;
                settled = false;
            }
        }
    }
    return widths;
}

void CLibraryListCtrl::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    // However the selection moved (arrow keys, Page Down, a click), its tags and cover show.
    if (current.isValid() && current.row() != previous.row()) {
        m_shownRow = current.row();
        Q_EMIT RowClicked(current.row());
    }
}

void CLibraryListCtrl::keyPressEvent(QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && state() != QAbstractItemView::EditingState && currentIndex().isValid()) {
        Q_EMIT RowDoubleClicked(currentIndex().row()); // as a double-click: play or add
        return;
    }
    QTableView::keyPressEvent(event);
}

void CLibraryListCtrl::resizeEvent(QResizeEvent* event)
{
    QTableView::resizeEvent(event);
    SetColumnWidths();
}

void CLibraryListCtrl::SortByHeading(int column)
{
    // A list refilled since is in stored order again: its first click sorts ascending.
    const bool ascending = column != m_model->SortedColumn() ? true : !m_model->SortedAscending();
    Sort(column, ascending);
    // Kept by what the column shows, which stays when other columns come and go.
    if (column < Columns().size())
        CSettings::SetInt(ESetting::LibSort, int(Columns()[column]) * 2 + (ascending ? 0 : 1));
}

void CLibraryListCtrl::Sort(int column, bool ascending)
{
    m_model->SortByColumn(column, ascending);
    horizontalHeader()->setSortIndicator(column,
                                         ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void CLibraryListCtrl::ApplyChosenSort()
{
    const int chosen = CSettings::Int(ESetting::LibSort);
    const int column = chosen < 0 ? -1 : int(Columns().indexOf(ESongColumn(chosen / 2)));
    if (column >= 0 && RowCount() > 1)
        Sort(column, chosen % 2 == 0);
}
