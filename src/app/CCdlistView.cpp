#include "app/CCdlistView.h"

#include "app/CAppController.h"
#include "app/CCdlistDoc.h"
#include "app/CCdlistViewBuilder.h"
#include "app/CCommands.h"
#include "app/CShutdown.h"
#include "app/CStartup.h"
#include "app/CommandIds.h"
#include "db/CExceptSet.h"
#include "intake/CSessionController.h"
#include "library/CLibraryController.h"
#include "library/CLibraryListCtrl.h"
#include "library/CSearchController.h"
#include "playlist/CPlaylistController.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>

CCdlistView::CCdlistView(CCdlistDoc& doc, const SAppServices& services, QWidget* parent)
    : QWidget(parent), m_doc(doc), m_services(services), m_except(std::make_unique<CExceptSet>())
{
    setObjectName(QStringLiteral("CCdlistView"));
    m_commands = new CCommands(this);
    CCdlistViewBuilder::Build(*this);
    m_designSize = childrenRect().united(QRect(0, 0, 1, 1)).adjusted(0, 0, 12, 12).size();
    resize(m_designSize);
    connect(&m_timer, &QTimer::timeout, this, &CCdlistView::TimerTick);
    connect(m_playlist, &QListWidget::itemSelectionChanged, this,
            [this] { m_playlistSelected = true; });

    // Each subsystem wires itself to the form's commands and controls.
    new CAppController(*this);
    new CSessionController(*this);
    new CLibraryController(this);
    new CSearchController(this);
    new CPlaylistController(*this);
}

CCdlistView::~CCdlistView() = default;

CCdlistSet& CCdlistView::Set() const
{
    return m_doc.Set();
}

CDatabase& CCdlistView::Database() const
{
    return m_doc.Database();
}

void CCdlistView::OnInitialUpdate()
{
    CStartup(*this).Run();
}

void CCdlistView::OnDestroy()
{
    m_timer.stop();
    CShutdown(*this).Run();
}

void CCdlistView::SetSongCount(int count)
{
    m_songCount = count;
    if (auto* edit = Field(1027))
        edit->setText(QString::number(count));
}

bool CCdlistView::FindSongById(qint64 id)
{
    return Set().FindSongById(id);
}

void CCdlistView::InsertSongRow(int row)
{
    m_songList->InsertSongRow(row, Set());
}

void CCdlistView::RefreshSongRow(int row)
{
    m_songList->RefreshSongRow(row, Set());
}

void CCdlistView::RebuildSongListColumns()
{
    m_songList->RebuildColumns();
}

void CCdlistView::FillSessionList()
{
    // One entry per distinct session name, compared byte for byte, and the song count.
    m_sessionList->clear();
    qint64 total = 0;
    for (const auto& [name, count] : Set().SessionCounts()) {
        AddSessionEntry(name);
        total += count;
    }
    SetSongCount(int(total));
}

namespace {

// A session list entry: alphabetical order ignores letter case, as people read names;
// names equal but for case keep a fixed order between them.
class CSessionItem : public QListWidgetItem
{
public:
    using QListWidgetItem::QListWidgetItem;
    bool operator<(const QListWidgetItem& other) const override
    {
        const int c = text().compare(other.text(), Qt::CaseInsensitive);
        return c != 0 ? c < 0 : text() < other.text();
    }
};

} // namespace

void CCdlistView::AddSessionEntry(const QString& name)
{
    m_sessionList->addItem(new CSessionItem(name));
}

void CCdlistView::AddPlaylistEntry(const QString& text, qint32 id)
{
    auto* item = new QListWidgetItem(text);
    item->setData(Qt::UserRole, id);
    m_playlist->addItem(item);
}

void CCdlistView::SetPlaylistChanged(bool changed)
{
    Action(ID_UPDATE_WINAMP)->setEnabled(changed);
}

QAction* CCdlistView::Action(int id) const
{
    return m_commands->Action(id);
}

QLineEdit* CCdlistView::Field(int id) const
{
    return qobject_cast<QLineEdit*>(Control(id));
}

QPushButton* CCdlistView::Button(int id) const
{
    return qobject_cast<QPushButton*>(Control(id));
}

void CCdlistView::Register(int id, QWidget* control)
{
    control->setObjectName(QStringLiteral("c%1").arg(id));
    m_controls.insert(id, control);
}

void CCdlistView::RecordLayout()
{
    m_recordedSize = size();
    m_layout.clear();
    for (QObject* child : children())
        if (auto* w = qobject_cast<QWidget*>(child); w && !w->isWindow())
            m_layout.append({w, w->geometry()});
}

void CCdlistView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_layout.isEmpty() || m_recordedSize.isEmpty())
        return;
    // Every control keeps its share of the form; none is anchored.
    const double rx = double(width()) / m_recordedSize.width();
    const double ry = double(height()) / m_recordedSize.height();
    for (const auto& [widget, r] : std::as_const(m_layout)) {
        if (!widget)
            continue;
        const int left = int(r.left() * rx), top = int(r.top() * ry);
        const int right = int((r.right() + 1) * rx), bottom = int((r.bottom() + 1) * ry);
        widget->setGeometry(left, top, right - left, bottom - top);
    }
}

void CCdlistView::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    m_commands->FillContextMenu(&menu);
    const QPoint at = event->reason() == QContextMenuEvent::Mouse ? event->globalPos()
                                                                  : mapToGlobal(QPoint(5, 5));
    menu.exec(at);
}
