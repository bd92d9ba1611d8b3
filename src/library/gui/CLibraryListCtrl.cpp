#include "library/gui/CLibraryListCtrl.h"

#include "library/gui/CCellEdit.h"
#include "platform/CAllocator.h"
#include "platform/CSettings.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QStyle>
#include <algorithm>
#include <optional>
#include <utility>

namespace {

// Rows a fit reads when none are in sight yet.
constexpr int kFitRows = 50;

std::optional<ESongColumn> ColumnNamed(const QString& name)
{
    for (int i = 0; i < CSongColumns::kCount; ++i)
        if (name == QLatin1String(CSongColumns::Name(ESongColumn(i))))
            return ESongColumn(i);
    return std::nullopt;
}

} // namespace

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
    // Tab goes on to the tag fields; the arrow keys move from cell to cell.
    setTabKeyNavigation(false);
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
    // Until the user has widths of their own the columns share the list's width by what
    // their texts need, measured once the rows are in: a draw inserts them one by one.
    // A sort keeps them (columns that jumped at every click would be hard to read, and
    // measuring a thousand rows again took a tenth of a large sort's time).
    m_widthsDue.setSingleShot(true);
    connect(&m_widthsDue, &QTimer::timeout, this, [this] {
        if (!m_fitted)
            SetColumnWidths();
        else if (!m_grown) // widths kept from the last time
            m_grown = GrowCutColumns();
    });
    const auto due = [this] { m_widthsDue.start(0); };
    connect(m_model, &QAbstractItemModel::modelReset, &m_widthsDue, due);
    connect(m_model, &QAbstractItemModel::rowsInserted, &m_widthsDue, due);
    // A new list or new columns: the header starts afresh and takes the user's columns.
    connect(m_model, &QAbstractItemModel::modelAboutToBeReset, this, [this] { m_applying = true; });
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        m_applying = false;
        ApplyColumns();
    });
    connect(m_model, &CSongListModel::ColumnsRebuilt, this, &CLibraryListCtrl::ApplyColumns);
    QHeaderView* header = horizontalHeader();
    header->setSectionsMovable(true);
    connect(header, &QHeaderView::sectionResized, this, &CLibraryListCtrl::RecordColumns);
    connect(header, &QHeaderView::sectionMoved, this, &CLibraryListCtrl::RecordColumns);
    // What a large list or sort freed goes back to the system once the list has stood
    // still for as long as the allocator keeps it for the next sort.
    m_giveBackDue.setSingleShot(true);
    m_giveBackDue.setInterval(CAllocator::kKeepMs);
    connect(&m_giveBackDue, &QTimer::timeout, this, [] { CAllocator::GiveBack(); });
    const auto giveBackLater = [this] { m_giveBackDue.start(); };
    connect(m_model, &QAbstractItemModel::modelReset, &m_giveBackDue, giveBackLater);
    connect(m_model, &QAbstractItemModel::layoutChanged, &m_giveBackDue, giveBackLater);
    // Measured on the rows in sight, not on a thousand rows read for it.
    disconnect(header, SIGNAL(sectionHandleDoubleClicked(int)), this,
               SLOT(resizeColumnToContents(int)));
    connect(header, &QHeaderView::sectionHandleDoubleClicked, this, [this](int column) {
        m_fitted = true;
        FitColumn(column);
        m_saveDue.start();
    });
    // A drag on the headings (a border, or a heading to another place) is the user's own.
    header->viewport()->installEventFilter(this);
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header, &QHeaderView::customContextMenuRequested, this,
            &CLibraryListCtrl::ShowColumnMenu);
    for (const QString& item :
         CSettings::String(ESetting::LibColumns).split(u' ', Qt::SkipEmptyParts)) {
        const std::optional<ESongColumn> column = ColumnNamed(item.section(u':', 0, 0));
        const int width = item.section(u':', 1).toInt();
        if (column && width > 0 && !m_order.contains(*column)) {
            m_order << *column;
            m_widths.insert(*column, width);
        }
    }
    m_fitted = !m_widths.isEmpty();
    ApplyColumns();
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
    const QScopedValueRollback applying(m_applying, true);
    const int n = ColumnCount();
    const QFontMetrics heading = horizontalHeader()->fontMetrics();
    const int margins = 2 * style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, this) + 4;
    QList<int> need, designed;
    for (int i = 0; i < n; ++i) {
        // The heading and the texts around the rows in sight (at most a thousand rows).
        need << std::max({heading.horizontalAdvance(m_model->Headings().value(i)) + margins,
                          horizontalHeader()->sectionSizeHint(i), sizeHintForColumn(i)});
        designed << (i == 0 ? 130 : 50);
    }
    const QList<int> widths = ShareWidth(viewport()->width(), need, designed);
    // However narrow the list, a heading shows whole.
    for (int i = 0; i < n; ++i)
        setColumnWidth(i, std::max(widths[i], horizontalHeader()->sectionSizeHint(i)));
    RecordWidths();
}

void CLibraryListCtrl::ApplyColumns()
{
    const QScopedValueRollback applying(m_applying, true);
    QHeaderView* header = horizontalHeader();
    const QList<ESongColumn>& columns = Columns();
    const int n = int(std::min<qsizetype>(columns.size(), header->count()));
    for (int i = 0; i < n; ++i) {
        if (m_widths.contains(columns[i]))
            setColumnWidth(i, m_widths.value(columns[i]));
        else if (m_fitted)
            FitColumn(i);
    }
    // The columns in the order the user left them; others after them as the model has them.
    QList<int> order;
    for (ESongColumn column : std::as_const(m_order))
        if (const qsizetype i = columns.indexOf(column); i >= 0 && i < n)
            order << int(i);
    for (int i = 0; i < n; ++i)
        if (!order.contains(i))
            order << i;
    for (int visual = 0; visual < n; ++visual)
        header->moveSection(header->visualIndex(order[visual]), visual);
    RecordWidths();
}

void CLibraryListCtrl::RecordColumns()
{
    if (m_applying)
        return;
    // Once the user moves or sizes a column, the widths are theirs.
    if (m_dragging)
        m_fitted = true;
    RecordWidths();
    if (m_fitted)
        m_saveDue.start();
}

void CLibraryListCtrl::RecordWidths()
{
    const QHeaderView* header = horizontalHeader();
    const QList<ESongColumn>& columns = Columns();
    QList<ESongColumn> order;
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (logical < 0 || logical >= columns.size())
            continue;
        order << columns[logical];
        if (m_fitted)
            m_widths.insert(columns[logical], header->sectionSize(logical));
    }
    // Hidden columns keep their place after the shown ones.
    for (ESongColumn column : std::as_const(m_order))
        if (!order.contains(column))
            order << column;
    m_order = order;
}

void CLibraryListCtrl::SaveColumns()
{
    if (!m_fitted)
        return;
    QStringList items;
    for (ESongColumn column : std::as_const(m_order))
        if (m_widths.contains(column))
            items << QStringLiteral("%1:%2")
                         .arg(QLatin1String(CSongColumns::Name(column)))
                         .arg(m_widths.value(column));
    CSettings::SetString(ESetting::LibColumns, items.join(u' '));
}

void CLibraryListCtrl::FitColumn(int column)
{
    if (column < 0 || column >= ColumnCount())
        return;
    const QScopedValueRollback applying(m_applying, true);
    setColumnWidth(column, NeededWidth(column));
    RecordWidths();
}

int CLibraryListCtrl::NeededWidth(int column) const
{
    int width = horizontalHeader()->sectionSizeHint(column);
    // The rows in sight, or the first screenful of a list not drawn yet.
    const int first = std::max(0, rowAt(0));
    int last = rowAt(viewport()->height() - 1);
    if (last < 0)
        last = std::min(RowCount(), first + kFitRows) - 1;
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    for (int row = first; row <= last; ++row) {
        const QModelIndex index = m_model->index(row, column);
        width = std::max(width, itemDelegateForIndex(index)->sizeHint(option, index).width());
    }
    return width + (showGrid() ? 1 : 0);
}

bool CLibraryListCtrl::GrowCutColumns()
{
    // Widths kept from a narrower window leave the last column all the room while texts
    // before it are cut: those get what they need of that room first.
    const QHeaderView* header = horizontalHeader();
    const int n = header->count();
    if (n < 2 || RowCount() == 0 || !isVisible())
        return false;
    int spare = viewport()->width() - NeededWidth(header->logicalIndex(n - 1));
    for (int visual = 0; visual < n - 1; ++visual)
        spare -= header->sectionSize(header->logicalIndex(visual));
    const QScopedValueRollback applying(m_applying, true);
    for (int visual = 0; visual < n - 1 && spare > 0; ++visual) {
        const int column = header->logicalIndex(visual);
        const int grow = std::min(spare, NeededWidth(column) - header->sectionSize(column));
        if (grow > 0) {
            setColumnWidth(column, header->sectionSize(column) + grow);
            spare -= grow;
        }
    }
    RecordWidths();
    return true;
}

bool CLibraryListCtrl::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == horizontalHeader()->viewport()) {
        if (event->type() == QEvent::MouseButtonPress)
            m_dragging = static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
        else if (event->type() == QEvent::MouseButtonRelease)
            // A heading dropped at another place moves on the release itself.
            QMetaObject::invokeMethod(
                this, [this] { m_dragging = false; }, Qt::QueuedConnection);
    }
    return QTableView::eventFilter(watched, event);
}

void CLibraryListCtrl::ShowColumnMenu(const QPoint& at)
{
    QMenu menu(this);
    QAction* title = menu.addAction(m_model->Headings().value(0, QStringLiteral("Title")));
    title->setCheckable(true);
    title->setChecked(true);
    title->setEnabled(false); // the list always names its songs
    for (const CSongListModel::SColumnChoice& choice : CSongListModel::OptionalColumns()) {
        QAction* item = menu.addAction(choice.heading);
        item->setCheckable(true);
        item->setChecked(CSettings::Bool(choice.setting));
        connect(item, &QAction::toggled, this, [this, setting = choice.setting](bool on) {
            // The same setting as the Options' Library page, so that both agree.
            if (CSettings::SetBool(setting, on))
                Q_EMIT ColumnsChosen();
        });
    }
    menu.exec(horizontalHeader()->viewport()->mapToGlobal(at));
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
    // Too narrow for all: a column that needs less than an equal share keeps what it
    // needs, the others split the rest equally, so that no column is cut for another.
    const QList<int> equal(n, 1);
    QList<bool> open(n, true);
    for (bool settled = false; !settled;) {
        settled = true;
        QList<int> fixed = need;
        for (qsizetype i = 0; i < n; ++i)
            fixed[i] = open[i] ? 0 : need[i];
        const qint64 left = std::max<qint64>(0, room - sum(fixed));
        const qint64 openWeights = std::max<qint64>(1, sum(equal, &open));
        for (qsizetype i = 0; i < n; ++i) {
            if (!open[i])
                continue;
            widths[i] = int(left / openWeights);
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
    if (!m_fitted)
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
