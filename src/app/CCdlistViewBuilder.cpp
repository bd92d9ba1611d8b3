#include "app/CCdlistViewBuilder.h"

#include "library/gui/CCoverLabel.h"
#include "library/gui/CLibraryListCtrl.h"
#include "model/CCdlistDoc.h"
#include "platform/CText.h"
#include "playback/gui/CSeekBar.h"
#include "playlist/gui/CPlaylistDelegate.h"
#include "ui/CDragDropEdit.h"
#include "ui/CShowField.h"
#include "ui/CommandIds.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QSplitter>
#include <QStyle>
#include <algorithm>

namespace {

// Tooltips of the form's controls.
struct STooltip
{
    int id;
    const char* text;
};

constexpr STooltip kTooltips[] = {
    {ID_NEW_SESSION, "Add a new CD or directory"},
    {ID_DELETE_SESSION, "Remove selected session"},
    {IDC_TOTAL, "Total number of songs in the database"},
    {ID_EXPORT_M3U, "Save playlist"},
    {ID_EXPORT_HTML, "Create HTML document with list of songs"},
    {ID_VIEW_LYRICS, "Display lyrics for selected song"},
    {ID_OPTIONS, "Open the Options dialog"},
    {ID_RANDOM, "Add songs randomly"},
    {ID_PREVIEW, "Play selected song in the library"},
    {ID_REMOVE_FROM_PLAYLIST, "Remove song from the playlist"},
    {ID_ADD_ALL, "Add all files in the library to the playlist"},
    {ID_CLEAR_PLAYLIST, "Clear playlist"},
    {ID_ADD_TO_PLAYLIST, "Add selected songs to playlist"},
    {ID_SAVE_TAGS, "Save ID3 information"},
    {ID_SEARCH, "Search for files matching specified criteria"},
    {ID_UPDATE_WINAMP, "Send the playlist to MPD"},
    {ID_COPY_FILES, "Copies the songs in the playlist to a specified location"},
    {ID_PLAY, "Play"},
    {ID_PAUSE, "Pause"},
    {ID_STOP, "Stop"},
    {ID_PREVIOUS, "Previous Track"},
    {ID_NEXT, "Next Track"},
    {IDC_VOLUME, "Change volume"},
    {IDC_SESSIONS, "Click a session to display its contents."},
};

// Makes the form's controls, each registered by its identifier; the panes lay them out.
class CFormPainter
{
public:
    explicit CFormPainter(const SFormTarget& target) : m_target(target) {}

    // A label that names the control beside it: screen readers read it as the control's
    // name, and a mnemonic in it moves the focus there.
    QLabel* Label(const QString& text, QWidget* buddy = nullptr)
    {
        auto* label = new QLabel(text);
        if (buddy)
            label->setBuddy(buddy);
        return label;
    }
    // A field that only shows (see MakeShowField).
    QLineEdit* ShowField(int id, const QString& name)
    {
        QLineEdit* edit = Edit(id);
        MakeShowField(edit, name);
        return edit;
    }
    QLineEdit* Edit(int id, int maxLength = 0)
    {
        // The search and tag text fields take part in drag and drop.
        static const QList<int> kDragDrop = {IDC_SEARCH_ALL,   IDC_SEARCH_TITLE, IDC_SEARCH_ARTIST,
                                             IDC_SEARCH_ALBUM, IDC_SEARCH_FILE,  IDC_TAG_TITLE,
                                             IDC_TAG_ARTIST,   IDC_TAG_ALBUM};
        QLineEdit* edit = kDragDrop.contains(id) ? new CDragDropEdit : new QLineEdit;
        if (maxLength > 0)
            edit->setMaxLength(maxLength);
        Register(id, edit);
        return edit;
    }
    // A field for a few digits: as wide as `sample`, not stretched.
    QLineEdit* NumberEdit(int id, int maxLength, const QString& pattern, const char* sample)
    {
        QLineEdit* edit = Edit(id, maxLength);
        edit->setValidator(new QRegularExpressionValidator(QRegularExpression(pattern), edit));
        const int text = edit->fontMetrics().horizontalAdvance(QLatin1String(sample));
        edit->setFixedWidth(text + edit->sizeHint().height());
        return edit;
    }
    QPushButton* Button(int id, const QString& text)
    {
        auto* button = new QPushButton(text);
        Register(id, button);
        if (QAction* action = m_target.action(id)) {
            QObject::connect(button, &QPushButton::clicked, action, &QAction::trigger);
            QObject::connect(action, &QAction::changed, button,
                             [button, action] { button->setEnabled(action->isEnabled()); });
        }
        return button;
    }
    // A button that shows only a picture; its name is what screen readers say.
    QPushButton* Picture(int id, QStyle::StandardPixmap pixmap, const QString& name)
    {
        QPushButton* button = Button(id, QString());
        button->setIcon(QApplication::style()->standardIcon(pixmap));
        button->setAccessibleName(name);
        return button;
    }
    template <typename T> T* Place(int id, T* control)
    {
        Register(id, control);
        return control;
    }
    void Register(int id, QWidget* control)
    {
        m_target.registerControl(id, control);
        m_controls.insert(id, control);
    }
    QWidget* Control(int id) const { return m_controls.value(id); }
    CCdlistDoc& Doc() const { return m_target.doc; }

private:
    const SFormTarget& m_target;
    QHash<int, QWidget*> m_controls;
};

// The view shows the selection its model keeps, which the commands read.
void ShareSelection(QAbstractItemView* view, QItemSelectionModel& selection)
{
    QItemSelectionModel* own = view->selectionModel();
    view->setSelectionModel(&selection);
    delete own;
}

QComboBox* MakeCombo()
{
    auto* combo = new QComboBox;
    combo->setEditable(false);
    // Room for a usual genre's name, not for the longest one: the pane stays narrow.
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setMinimumContentsLength(12);
    return combo;
}

} // namespace

namespace {

// Rows of label and field; the fields take the width.
QGridLayout* FieldGrid(QWidget* parent = nullptr)
{
    auto* grid = new QGridLayout(parent);
    grid->setColumnStretch(1, 1);
    return grid;
}

QHBoxLayout* Row(std::initializer_list<QWidget*> widgets)
{
    auto* row = new QHBoxLayout;
    for (QWidget* w : widgets) {
        if (w)
            row->addWidget(w);
        else
            row->addStretch(1);
    }
    return row;
}

QLayout* Bare(QLayout* layout)
{
    layout->setContentsMargins(0, 0, 0, 0);
    return layout;
}

// A pane that asks for a width of its own at first: the splitter gives it that and the song
// list the rest (a list asks for more than a column of session names needs).
class CPane : public QWidget
{
public:
    explicit CPane(int width) : m_width(width) {}
    // Room for the longest name of `list` too, up to twice the pane's width; measured when
    // the list is filled, not at every layout (a list may hold thousands of names).
    void FitTo(const QAbstractItemView* list)
    {
        const int frame =
            2 * list->frameWidth() + list->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 4;
        m_fitted = std::clamp(list->sizeHintForColumn(0) + frame, m_width, 2 * m_width);
        updateGeometry();
    }
    QSize sizeHint() const override
    {
        const QSize hint = QWidget::sizeHint();
        return {std::max({m_width, m_fitted, minimumSizeHint().width()}), hint.height()};
    }

private:
    int m_width;
    int m_fitted = 0;
};

// The sessions, with New and Delete below and the catalogue's song count.
QWidget* SessionPane(CFormPainter& f)
{
    auto* pane = new CPane(QFontMetrics(QApplication::font()).averageCharWidth() * 26);
    auto* column = new QVBoxLayout(pane);
    column->setContentsMargins(0, 0, 0, 0);
    auto* sessions = f.Place(IDC_SESSIONS, new QListView);
    sessions->setModel(&f.Doc().Sessions());
    // A first layout shows the sessions' names whole.
    QObject::connect(sessions->model(), &QAbstractItemModel::modelReset, pane,
                     [pane, sessions] { pane->FitTo(sessions); });
    sessions->setEditTriggers(QAbstractItemView::NoEditTriggers);
    sessions->setAccessibleName(QStringLiteral("Sessions"));
    column->addWidget(f.Label(QStringLiteral("Sessions:"), sessions));
    column->addWidget(sessions, 1);
    column->addLayout(Row({f.Button(ID_NEW_SESSION, QStringLiteral("&New")),
                           f.Button(ID_DELETE_SESSION, QStringLiteral("&Delete"))}));
    QLineEdit* count = f.ShowField(IDC_TOTAL, QStringLiteral("Total"));
    count->setAlignment(Qt::AlignRight);
    column->addLayout(Row({f.Label(QStringLiteral("Total:"), count), count}));
    return pane;
}

// The song list with its totals: the pane that takes the room the window gets.
QWidget* SongPane(CFormPainter& f)
{
    auto* pane = new QWidget;
    auto* column = new QVBoxLayout(pane);
    column->setContentsMargins(0, 0, 0, 0);
    auto* songs = f.Place(IDC_SONGS, new CLibraryListCtrl(&f.Doc().Songs()));
    songs->setAccessibleName(QStringLiteral("Songs"));
    column->addWidget(f.Label(QStringLiteral("Songs:"), songs));
    column->addWidget(songs, 1);
    column->addWidget(f.Place(IDC_SONG_TOTALS, new QLabel(CText::SongsAndTime(0, 0))));
    return pane;
}

// The tag fields of the current song, its cover beside them, and what writes them.
QWidget* TagPane(CFormPainter& f)
{
    auto* box = new QGroupBox(QStringLiteral("ID3 Tags Found"));
    QGridLayout* grid = FieldGrid(box);
    using EField = CTagFormModel::EField;
    const auto labelled = [&](int row, int labelId, const QString& text, QWidget* field) {
        QLabel* label = f.Label(text, field);
        if (labelId)
            f.Register(labelId, label);
        grid->addWidget(label, row, 0);
        return label;
    };
    QLineEdit* title = f.Edit(IDC_TAG_TITLE, CTagFormModel::MaxLength(EField::Title));
    labelled(0, IDC_TAG_TITLE_LABEL, QStringLiteral("Title:"), title);
    grid->addWidget(title, 0, 1);
    QLineEdit* artist = f.Edit(IDC_TAG_ARTIST, CTagFormModel::MaxLength(EField::Artist));
    labelled(1, IDC_TAG_ARTIST_LABEL, QStringLiteral("Artist:"), artist);
    grid->addWidget(artist, 1, 1);
    QLineEdit* album = f.Edit(IDC_TAG_ALBUM, CTagFormModel::MaxLength(EField::Album));
    labelled(2, IDC_TAG_ALBUM_LABEL, QStringLiteral("Album:"), album);
    grid->addWidget(album, 2, 1);
    // The cover beside the fields, as tall as the three of them.
    auto* cover = f.Place(IDC_TAG_COVER, new CCoverLabel);
    const int side = 3 * title->sizeHint().height() + 2 * grid->verticalSpacing();
    cover->setFixedSize(side * 8 / 7, side);
    cover->setAccessibleName(QStringLiteral("Cover"));
    grid->addWidget(cover, 0, 2, 3, 1, Qt::AlignTop);

    QLineEdit* comment = f.Edit(IDC_TAG_COMMENT);
    labelled(3, IDC_TAG_COMMENT_LABEL, QStringLiteral("Comment:"), comment);
    QLineEdit* track = f.NumberEdit(IDC_TAG_TRACK, CTagFormModel::MaxLength(EField::Track),
                                    QStringLiteral("[0-9/]*"), "000/000");
    auto* trackLabel = f.Label(QStringLiteral("Track:"), track);
    f.Register(IDC_TAG_TRACK_LABEL, trackLabel);
    grid->addLayout(Bare(Row({comment, trackLabel, track})), 3, 1, 1, 2);

    QLineEdit* year = f.NumberEdit(IDC_TAG_YEAR, CTagFormModel::MaxLength(EField::Year),
                                   QStringLiteral("[0-9]*"), "00000");
    labelled(4, IDC_TAG_YEAR_LABEL, QStringLiteral("Year:"), year);
    auto* genre = f.Place(IDC_TAG_GENRE, MakeCombo());
    auto* genreLabel = f.Label(QStringLiteral("Genre:"), genre);
    f.Register(IDC_TAG_GENRE_LABEL, genreLabel);
    auto* yearRow = Row({year, genreLabel, genre});
    yearRow->setStretch(2, 1);
    grid->addLayout(Bare(yearRow), 4, 1, 1, 2);

    QLineEdit* path = f.ShowField(IDC_TAG_PATH, QStringLiteral("File"));
    labelled(5, 0, QStringLiteral("File:"), path);
    grid->addWidget(path, 5, 1, 1, 2);
    grid->addLayout(Bare(Row({f.Place(IDC_MULTISAVE, new QCheckBox(QStringLiteral("Multisave"))),
                              nullptr, f.Button(ID_SAVE_TAGS, QStringLiteral("Sa&ve")),
                              f.Button(ID_VIEW_LYRICS, QStringLiteral("Lyr&ics"))})),
                    6, 0, 1, 3);
    return box;
}

QGroupBox* SearchGroup(CFormPainter& f)
{
    auto* box = new QGroupBox(QStringLiteral("Search Criteria"));
    QGridLayout* grid = FieldGrid(box);
    const std::pair<int, const char*> fields[] = {
        {IDC_SEARCH_ALL, "All:"},       {IDC_SEARCH_TITLE, "Title:"},
        {IDC_SEARCH_ARTIST, "Artist:"}, {IDC_SEARCH_ALBUM, "Album:"},
        {IDC_SEARCH_FILE, "Filename:"},
    };
    int row = 0;
    for (const auto& [id, text] : fields) {
        QLineEdit* edit = f.Edit(id);
        grid->addWidget(f.Label(QString::fromLatin1(text), edit), row, 0);
        grid->addWidget(edit, row++, 1);
    }
    auto* genre = f.Place(IDC_SEARCH_GENRE, MakeCombo());
    grid->addWidget(f.Label(QStringLiteral("Genre:"), genre), row, 0);
    auto* genreRow = Row({genre, f.Button(ID_SEARCH, QStringLiteral("&Search"))});
    genreRow->setStretch(0, 1);
    grid->addLayout(Bare(genreRow), row, 1);
    return box;
}

QGroupBox* PlaylistGroup(CFormPainter& f)
{
    auto* box = new QGroupBox(QStringLiteral("Playlist"));
    auto* row = new QHBoxLayout(box);
    auto* list = new QVBoxLayout;
    auto* playlist = f.Place(IDC_PLAYLIST, new QListView);
    playlist->setModel(&f.Doc().Playlist());
    ShareSelection(playlist, f.Doc().Playlist().Selection());
    playlist->setEditTriggers(QAbstractItemView::NoEditTriggers);
    playlist->setItemDelegate(new CPlaylistDelegate(playlist));
    playlist->setAccessibleName(QStringLiteral("Playlist"));
    list->addWidget(playlist, 1);
    list->addWidget(f.Place(IDC_PLAYLIST_TOTALS, new QLabel(CText::SongsAndTime(0, 0))));
    row->addLayout(list, 1);
    auto* buttons = new QVBoxLayout;
    buttons->addLayout(Row(
        {f.Picture(ID_ADD_TO_PLAYLIST, QStyle::SP_ArrowRight, QStringLiteral("Add to playlist")),
         f.Picture(ID_REMOVE_FROM_PLAYLIST, QStyle::SP_ArrowLeft,
                   QStringLiteral("Remove from playlist"))}));
    buttons->addWidget(f.Button(ID_ADD_ALL, QStringLiteral("&Add All")));
    buttons->addWidget(f.Button(ID_CLEAR_PLAYLIST, QStringLiteral("&Clear")));
    buttons->addWidget(f.Button(ID_EXPORT_M3U, QStringLiteral("Playlis&t")));
    buttons->addWidget(f.Button(ID_COPY_FILES, QStringLiteral("Cop&y")));
    buttons->addStretch(1);
    buttons->addWidget(f.Button(ID_UPDATE_WINAMP, QStringLiteral("&Update MPD")));
    row->addLayout(buttons);
    return box;
}

QGroupBox* PlayerGroup(CFormPainter& f)
{
    auto* box = new QGroupBox(QStringLiteral("Playback Info"));
    auto* row = new QHBoxLayout(box);
    QGridLayout* grid = FieldGrid();
    QLineEdit* title = f.ShowField(IDC_PLAYING_TITLE, QStringLiteral("Playing title"));
    grid->addWidget(f.Label(QStringLiteral("Title:"), title), 0, 0);
    grid->addWidget(title, 0, 1);
    QLineEdit* artist = f.ShowField(IDC_PLAYING_ARTIST, QStringLiteral("Playing artist"));
    grid->addWidget(f.Label(QStringLiteral("Artist:"), artist), 1, 0);
    grid->addWidget(artist, 1, 1);
    auto* progress = f.Place(IDC_PLAYBACK_PROGRESS, new CSeekBar);
    progress->setTextVisible(false);
    // A thin bar, as players draw their position: at a line's height it looked like a field.
    progress->setFixedHeight(std::max(6, QFontMetrics(QApplication::font()).height() / 2));
    progress->setAccessibleName(QStringLiteral("Playing position"));
    auto* time = f.Place(IDC_PLAYBACK_TIME, new QLabel);
    time->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* progressRow = Row({progress, time});
    progressRow->setStretch(0, 1);
    grid->addLayout(Bare(progressRow), 2, 0, 1, 2);
    grid->addLayout(
        Bare(Row({f.Picture(ID_PREVIOUS, QStyle::SP_MediaSkipBackward, QStringLiteral("Previous")),
                  f.Picture(ID_PLAY, QStyle::SP_MediaPlay, QStringLiteral("Play")),
                  f.Picture(ID_PAUSE, QStyle::SP_MediaPause, QStringLiteral("Pause")),
                  f.Picture(ID_STOP, QStyle::SP_MediaStop, QStringLiteral("Stop")),
                  f.Picture(ID_NEXT, QStyle::SP_MediaSkipForward, QStringLiteral("Next")), nullptr,
                  f.Button(ID_PREVIEW, QStringLiteral("Previe&w"))})),
        3, 0, 1, 2);
    row->addLayout(grid, 1);
    auto* volume = f.Place(IDC_VOLUME, new QSlider(Qt::Vertical));
    volume->setInvertedAppearance(true); // position 0 at the top: loudest
    volume->setAccessibleName(QStringLiteral("Volume"));
    row->addWidget(volume);
    return box;
}

// Search criteria, the playlist and the player; the playlist takes the height.
QWidget* RightPane(CFormPainter& f)
{
    auto* pane = new CPane(QFontMetrics(QApplication::font()).averageCharWidth() * 44);
    auto* column = new QVBoxLayout(pane);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(SearchGroup(f));
    column->addWidget(PlaylistGroup(f), 1);
    column->addWidget(PlayerGroup(f));
    return pane;
}

QSplitter* Splitter(CFormPainter& f, int id, Qt::Orientation orientation)
{
    auto* splitter = f.Place(id, new QSplitter(orientation));
    // A pane pushed to nothing would hide its controls with no sign of where they went.
    splitter->setChildrenCollapsible(false);
    return splitter;
}

} // namespace

void CCdlistViewBuilder::Build(const SFormTarget& target)
{
    CFormPainter f(target);
    QSplitter* panes = Splitter(f, IDC_MAIN_SPLITTER, Qt::Horizontal);
    panes->addWidget(SessionPane(f));
    QSplitter* songs = Splitter(f, IDC_SONG_SPLITTER, Qt::Vertical);
    songs->addWidget(SongPane(f));
    songs->addWidget(TagPane(f));
    // Room the window gains goes to the song list.
    songs->setStretchFactor(0, 1);
    songs->setStretchFactor(1, 0);
    panes->addWidget(songs);
    panes->addWidget(RightPane(f));
    panes->setStretchFactor(0, 0);
    panes->setStretchFactor(1, 1);
    panes->setStretchFactor(2, 0);

    // A splitter stacks each pane it takes under the others, and a screen reader reads
    // them in that order: back to the screen's, handles last.
    for (QSplitter* splitter : {panes, songs}) {
        for (int i = 0; i < splitter->count(); ++i)
            splitter->widget(i)->raise();
        for (int i = 0; i < splitter->count(); ++i)
            splitter->handle(i)->raise();
    }

    auto* form = new QVBoxLayout(&target.form);
    form->addWidget(panes, 1);
    // Commands along the bottom. Alt+O opens the Options menu, which holds the same command.
    form->addLayout(Row({f.Button(ID_OPTIONS, QStringLiteral("Options")),
                         f.Button(ID_RANDOM, QStringLiteral("&Random")),
                         f.Button(ID_EXPORT_HTML, QStringLiteral("HT&ML")), nullptr}));

    for (const STooltip& t : kTooltips)
        if (QWidget* control = f.Control(t.id))
            control->setToolTip(QString::fromLatin1(t.text));
}
