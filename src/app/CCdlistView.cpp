#include "app/CCdlistView.h"

#include "app/CAppController.h"
#include "app/CCdlistViewBuilder.h"
#include "app/CShutdown.h"
#include "app/CStartup.h"
#include "editing/gui/CEditingController.h"
#include "intake/gui/CSessionController.h"
#include "library/gui/CCoverController.h"
#include "library/gui/CCoverLabel.h"
#include "library/gui/CLibraryController.h"
#include "library/gui/CLibraryListCtrl.h"
#include "library/gui/CSearchController.h"
#include "model/CCdlistDoc.h"
#include "net/gui/CNetController.h"
#include "platform/CSettings.h"
#include "platform/CText.h"
#include "playback/gui/CPlaybackInfo.h"
#include "playback/gui/CPreviewController.h"
#include "playback/gui/CSeekBar.h"
#include "playback/gui/CWinampController.h"
#include "playlist/gui/CPlaylistController.h"
#include "reports/gui/CReportsController.h"
#include "ui/CDragDropEdit.h"
#include "ui/CommandIds.h"
#include "ui/ProgressWindow.h"
#include "upgrade/gui/CUpgradeController.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QSplitter>
#include <utility>

namespace {

// Eats the input that would change a list's selection or contents while a job runs;
// painting and the wheel (scrolling) still get through.
class CBusyInputFilter : public QObject
{
public:
    CBusyInputFilter(const CCdlistDoc& doc, QObject* parent) : QObject(parent), m_doc(doc) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!m_doc.IsBusy())
            return false;
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ContextMenu:
            return true;
        default:
            return false;
        }
    }

private:
    const CCdlistDoc& m_doc;
};

// Commands that never touch the catalogue stay available during a job.
bool StaysEnabled(int id)
{
    return id == ID_APP_ABOUT || id == ID_DOCUMENTATION;
}

} // namespace

CCdlistView::CCdlistView(CCdlistDoc& doc, const SAppServices& services, QWidget* parent)
    : QWidget(parent), m_doc(doc), m_services(services)
{
    setObjectName(QStringLiteral("CCdlistView"));
    if (!m_services.createProgress) {
        m_services.createProgress = [this](const QString& caption, int lines, int width) {
            std::unique_ptr<ProgressWindow> window = ProgressWindow::Create(this, caption, false);
            window->LayOut(lines, width);
            return std::unique_ptr<CProgress>(std::move(window));
        };
    }
    if (!m_services.dialogParent)
        m_services.dialogParent = this;
    m_doc.TagForm().SetVolumes(m_services.volumes);
    m_actions = new CActionTable(this);
    CCdlistViewBuilder::Build({*this, m_doc, [this](int id) { return Action(id); },
                               [this](int id, QWidget* control) { Register(id, control); }});
    connect(&m_timer, &QTimer::timeout, this, &CCdlistView::TimerTick);
    ConnectModels();
    WireControllers();
}

CCdlistView::~CCdlistView() = default;

void CCdlistView::WireControllers()
{
    // Each controller wires itself to the form's commands and to its own controls; what
    // others show it reads from the document.
    const SControllerContext context{m_doc, m_services, *m_actions, this};
    new CAppController(context, this);
    auto* session =
        new CSessionController(context, SSessionControls{.sessions = SessionList()}, this);
    auto* library = new CLibraryController(context, SLibraryControls{.songs = SongList()}, this);
    new CCoverController(context,
                         SCoverControls{.cover = m_controls.Get<CCoverLabel>(IDC_TAG_COVER)}, this);
    auto* editing = new CEditingController(context, EditingControls(), this);
    connect(library, &CLibraryController::CellTagEdited, editing,
            &CEditingController::OnCellEdited);
    new CSearchController(context, SearchControls(), this);
    new CPlaylistController(context, SPlaylistControls{.playlist = PlaylistBox()}, this);
    auto* info = new CPlaybackInfo(m_controls.Get<QLineEdit>(IDC_PLAYING_TITLE),
                                   m_controls.Get<QLineEdit>(IDC_PLAYING_ARTIST),
                                   m_controls.Get<CSeekBar>(IDC_PLAYBACK_PROGRESS),
                                   m_controls.Get<QLabel>(IDC_PLAYBACK_TIME), this);
    auto* player =
        new CWinampController(context, SPlayerControls{.volume = VolumeSlider()}, *info, this);
    connect(this, &CCdlistView::TimerTick, player, &CWinampController::OnTimer);
    auto* preview = new CPreviewController(context, SPreviewControls{.preview = Button(ID_PREVIEW)},
                                           *info, this);
    connect(this, &CCdlistView::TimerTick, preview, &CPreviewController::OnPoll);
    new CReportsController(context, this);
    auto* upgrade = new CUpgradeController(context, this);
    connect(this, &CCdlistView::UpgradeRequested, upgrade, &CUpgradeController::UpgradeFile);
    auto* net = new CNetController(context, this);
    connect(session, &CSessionController::SubmitNamesRequested, net, &CNetController::SubmitNames);
    // Queued: the window finishes its start before the dialog opens over it.
    connect(this, &CCdlistView::UpdateCheckRequested, net, &CNetController::CheckForUpdates,
            Qt::QueuedConnection);
}

SEditingControls CCdlistView::EditingControls() const
{
    using EField = CTagFormModel::EField;
    const auto field = [this](EField f, int box, int label) {
        return SEditingControls::SField{f, m_controls.Get<QLineEdit>(box),
                                        m_controls.Get<QLabel>(label)};
    };
    SEditingControls c;
    c.fields = {field(EField::Title, IDC_TAG_TITLE, IDC_TAG_TITLE_LABEL),
                field(EField::Artist, IDC_TAG_ARTIST, IDC_TAG_ARTIST_LABEL),
                field(EField::Album, IDC_TAG_ALBUM, IDC_TAG_ALBUM_LABEL),
                field(EField::Year, IDC_TAG_YEAR, IDC_TAG_YEAR_LABEL),
                field(EField::Track, IDC_TAG_TRACK, IDC_TAG_TRACK_LABEL),
                field(EField::Comment, IDC_TAG_COMMENT, IDC_TAG_COMMENT_LABEL)};
    c.genre = TagGenre();
    c.genreLabel = m_controls.Get<QLabel>(IDC_TAG_GENRE_LABEL);
    c.path = Field(IDC_TAG_PATH);
    c.multisave = Multisave();
    c.lyrics = Button(ID_VIEW_LYRICS);
    return c;
}

SSearchControls CCdlistView::SearchControls() const
{
    return {Field(IDC_SEARCH_ALL),   Field(IDC_SEARCH_TITLE), Field(IDC_SEARCH_ARTIST),
            Field(IDC_SEARCH_ALBUM), Field(IDC_SEARCH_FILE),  SearchGenre()};
}

void CCdlistView::ConnectModels()
{
    connect(&m_doc.Playlist(), &CPlaylistModel::ChangedFlagChanged, this, [this](bool changed) {
        if (!m_doc.IsBusy())
            Action(ID_UPDATE_WINAMP)->setEnabled(changed);
    });
    // A greyed Update MPD says why it waits.
    QAction* update = Action(ID_UPDATE_WINAMP);
    connect(update, &QAction::changed, this, [this, update] {
        if (QPushButton* button = Button(ID_UPDATE_WINAMP))
            button->setToolTip(update->isEnabled()
                                   ? update->toolTip()
                                   : update->toolTip() +
                                         QStringLiteral(". Greyed: MPD has the playlist as it "
                                                        "is; the button comes back when the "
                                                        "playlist or MPD's list changes."));
    });
    connect(&m_doc, &CCdlistDoc::SongCountChanged, this,
            [this](qint64 count) { Field(IDC_TOTAL)->setText(QString::number(count)); });
    // How many songs the list and the playlist hold, and how long they play.
    const auto totals = [this](int id) {
        return [label = m_controls.Get<QLabel>(id)](qint64 songs, qint64 seconds) {
            label->setText(CText::SongsAndTime(songs, seconds));
        };
    };
    connect(&m_doc.Songs(), &CSongListModel::TotalsChanged, this, totals(IDC_SONG_TOTALS));
    connect(&m_doc.Playlist(), &CPlaylistModel::TotalsChanged, this, totals(IDC_PLAYLIST_TOTALS));
    connect(&m_doc, &CCdlistDoc::BusyChanged, this, &CCdlistView::OnBusyChanged);
    auto* filter = new CBusyInputFilter(m_doc, this);
    for (QAbstractItemView* list : {static_cast<QAbstractItemView*>(SessionList()),
                                    static_cast<QAbstractItemView*>(SongList()),
                                    static_cast<QAbstractItemView*>(PlaylistBox())}) {
        list->installEventFilter(filter);
        list->viewport()->installEventFilter(filter);
    }
    SongList()->horizontalHeader()->viewport()->installEventFilter(filter);
}

void CCdlistView::OnBusyChanged(bool busy)
{
    if (busy) {
        m_focusBefore = QApplication::focusWidget();
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        for (auto it = m_actions->All().cbegin(); it != m_actions->All().cend(); ++it) {
            if (!StaysEnabled(it.key()) && it.value()->isEnabled()) {
                it.value()->setEnabled(false);
                m_disabled.append(it.value());
            }
        }
        return;
    }
    for (const QPointer<QObject>& object : std::as_const(m_disabled)) {
        if (auto* action = qobject_cast<QAction*>(object.data()))
            action->setEnabled(true);
    }
    m_disabled.clear();
    // Update Winamp follows the playlist, which the job may have changed.
    Action(ID_UPDATE_WINAMP)->setEnabled(m_doc.Playlist().Changed());
    QGuiApplication::restoreOverrideCursor();
    if (m_focusBefore && m_focusBefore->isEnabled() && m_focusBefore->isVisible() &&
        m_focusBefore->window() == window())
        m_focusBefore->setFocus(); // back where the job began
    m_focusBefore.clear();
}

void CCdlistView::OnInitialUpdate()
{
    QList<CDragDropEdit*> dropFields;
    for (int id : {IDC_SEARCH_ALL, IDC_SEARCH_TITLE, IDC_SEARCH_ARTIST, IDC_SEARCH_ALBUM,
                   IDC_SEARCH_FILE, IDC_TAG_TITLE, IDC_TAG_ARTIST, IDC_TAG_ALBUM})
        if (auto* field = qobject_cast<CDragDropEdit*>(Control(id)))
            dropFields << field;
    CStartup({m_doc, m_services, *m_actions, m_timer, *VolumeSlider(), dropFields,
              [this](const QString& file) { Q_EMIT UpgradeRequested(file); },
              [this] { Q_EMIT UpdateCheckRequested(); }})
        .Run();
}

void CCdlistView::OnDestroy()
{
    m_timer.stop();
    CShutdown(m_doc, m_services).Run();
}

QAction* CCdlistView::Action(int id) const
{
    return m_actions->Action(id);
}

QListView* CCdlistView::SessionList() const
{
    return m_controls.Get<QListView>(IDC_SESSIONS);
}

CLibraryListCtrl* CCdlistView::SongList() const
{
    return m_controls.Get<CLibraryListCtrl>(IDC_SONGS);
}

QListView* CCdlistView::PlaylistBox() const
{
    return m_controls.Get<QListView>(IDC_PLAYLIST);
}

QLineEdit* CCdlistView::Field(int id) const
{
    return m_controls.Get<QLineEdit>(id);
}

QComboBox* CCdlistView::TagGenre() const
{
    return m_controls.Get<QComboBox>(IDC_TAG_GENRE);
}

QComboBox* CCdlistView::SearchGenre() const
{
    return m_controls.Get<QComboBox>(IDC_SEARCH_GENRE);
}

QPushButton* CCdlistView::Button(int id) const
{
    return m_controls.Get<QPushButton>(id);
}

QSlider* CCdlistView::VolumeSlider() const
{
    return m_controls.Get<QSlider>(IDC_VOLUME);
}

QProgressBar* CCdlistView::PlaybackProgress() const
{
    return m_controls.Get<QProgressBar>(IDC_PLAYBACK_PROGRESS);
}

QCheckBox* CCdlistView::Multisave() const
{
    return m_controls.Get<QCheckBox>(IDC_MULTISAVE);
}

void CCdlistView::Register(int id, QWidget* control)
{
    control->setObjectName(QStringLiteral("c%1").arg(id));
    m_controls.Add(id, control);
}

namespace {

// The panes' splitters and the settings keeping their sizes.
constexpr std::pair<int, ESetting> kSplitters[] = {
    {IDC_MAIN_SPLITTER, ESetting::MainSplitter},
    {IDC_SONG_SPLITTER, ESetting::SongSplitter},
};

} // namespace

void CCdlistView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Once the form has the window's size: sizes restored into a smaller form would be
    // squeezed first.
    if (!std::exchange(m_layoutRestored, true))
        RestoreLayout();
}

void CCdlistView::RestoreLayout()
{
    // Sizes are kept in the form's own units, which a scale factor does not change.
    for (const auto& [id, setting] : kSplitters) {
        if (auto* splitter = m_controls.Get<QSplitter>(id)) {
            splitter->restoreState(QByteArray::fromBase64(CSettings::String(setting).toLatin1()));
            connect(splitter, &QSplitter::splitterMoved, &m_splittersDue,
                    qOverload<>(&QTimer::start));
        }
    }
    // Until the user places the panes, the sessions' pane widens for their longest name,
    // which a list filled after the first layout did not show.
    if (CSettings::String(ESetting::MainSplitter).isEmpty()) {
        const auto fit = [this] {
            auto* panes = m_controls.Get<QSplitter>(IDC_MAIN_SPLITTER);
            if (!panes || panes->count() < 2 ||
                !CSettings::String(ESetting::MainSplitter).isEmpty())
                return;
            QList<int> sizes = panes->sizes();
            const int grow = std::min(panes->widget(0)->sizeHint().width() - sizes[0],
                                      sizes[1] - panes->widget(1)->minimumSizeHint().width());
            if (grow > 0) {
                sizes[0] += grow;
                sizes[1] -= grow;
                panes->setSizes(sizes);
            }
        };
        connect(&m_doc.Sessions(), &QAbstractItemModel::modelReset, this, fit);
        fit();
    }
}

void CCdlistView::SaveSplitters()
{
    for (const auto& [id, setting] : kSplitters)
        if (const auto* splitter = m_controls.Get<QSplitter>(id))
            CSettings::SetString(setting, QString::fromLatin1(splitter->saveState().toBase64()));
}

void CCdlistView::SaveLayout()
{
    SaveSplitters();
    SongList()->SaveColumns();
}

void CCdlistView::contextMenuEvent(QContextMenuEvent* event)
{
    // The form's commands are unavailable while a job runs.
    if (m_doc.IsBusy())
        return;
    QMenu menu(this);
    m_actions->FillContextMenu(&menu);
    const QPoint at = event->reason() == QContextMenuEvent::Mouse ? event->globalPos()
                                                                  : mapToGlobal(QPoint(5, 5));
    menu.exec(at);
}
