#include "app/CCdlistViewBuilder.h"

#include "library/gui/CCoverLabel.h"
#include "library/gui/CLibraryListCtrl.h"
#include "model/CCdlistDoc.h"
#include "platform/CText.h"
#include "playback/gui/CSeekBar.h"
#include "playlist/gui/CPlaylistDelegate.h"
#include "ui/CDragDropEdit.h"
#include "ui/CommandIds.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QStyle>

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
    {ID_OPTIONS, "Bring up the Option dialog"},
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

class CFormPainter
{
public:
    explicit CFormPainter(const SFormTarget& target) : m_target(target), m_view(target.form) {}

    void Group(const QString& title, int x, int y, int w, int h)
    {
        auto* box = new QGroupBox(title, &m_view);
        box->setGeometry(x, y, w, h);
        box->lower();
    }
    QLabel* Label(const QString& text, int x, int y, int w, int h = 20)
    {
        auto* label = new QLabel(text, &m_view);
        label->setGeometry(x, y, w, h);
        return label;
    }
    // A field that only shows: it looks like text on the window, takes no Tab stop and
    // can still be clicked into to copy from.
    QLineEdit* ShowField(int id, int x, int y, int w)
    {
        QLineEdit* edit = Edit(id, x, y, w);
        edit->setReadOnly(true);
        edit->setFrame(false);
        edit->setFocusPolicy(Qt::ClickFocus);
        edit->setBackgroundRole(QPalette::Window);
        edit->setAutoFillBackground(false);
        QPalette palette = edit->palette();
        palette.setColor(QPalette::Base, Qt::transparent);
        edit->setPalette(palette);
        return edit;
    }
    QLineEdit* Edit(int id, int x, int y, int w, int maxLength = 0)
    {
        // The search and tag text fields take part in drag and drop.
        static const QList<int> kDragDrop = {IDC_SEARCH_ALL,   IDC_SEARCH_TITLE, IDC_SEARCH_ARTIST,
                                             IDC_SEARCH_ALBUM, IDC_SEARCH_FILE,  IDC_TAG_TITLE,
                                             IDC_TAG_ARTIST,   IDC_TAG_ALBUM};
        QLineEdit* edit =
            kDragDrop.contains(id) ? new CDragDropEdit(&m_view) : new QLineEdit(&m_view);
        edit->setGeometry(x, y, w, 24);
        if (maxLength > 0)
            edit->setMaxLength(maxLength);
        Register(id, edit);
        return edit;
    }
    QPushButton* Button(int id, const QString& text, int x, int y, int w, int h = 28)
    {
        auto* button = new QPushButton(text, &m_view);
        button->setGeometry(x, y, w, h);
        Register(id, button);
        if (QAction* action = m_target.action(id)) {
            QObject::connect(button, &QPushButton::clicked, action, &QAction::trigger);
            QObject::connect(action, &QAction::changed, button,
                             [button, action] { button->setEnabled(action->isEnabled()); });
        }
        return button;
    }
    QPushButton* Picture(int id, QStyle::StandardPixmap pixmap, int x, int y, int w = 34)
    {
        QPushButton* button = Button(id, QString(), x, y, w);
        button->setIcon(QApplication::style()->standardIcon(pixmap));
        return button;
    }
    template <typename T> T* Place(int id, T* control, int x, int y, int w, int h)
    {
        control->setParent(&m_view);
        control->setGeometry(x, y, w, h);
        Register(id, control);
        return control;
    }
    void Register(int id, QWidget* control)
    {
        m_target.registerControl(id, control);
        m_controls.insert(id, control);
    }
    QWidget* Control(int id) const { return m_controls.value(id); }

private:
    const SFormTarget& m_target;
    QWidget& m_view;
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
    return combo;
}

} // namespace

void CCdlistViewBuilder::Build(const SFormTarget& target)
{
    CFormPainter f(target);
    CCdlistDoc& doc = target.doc;

    // Library: sessions and songs.
    f.Label(QStringLiteral("Sessions:"), 12, 8, 160);
    auto* sessions = f.Place(IDC_SESSIONS, new QListView, 12, 30, 170, 352);
    sessions->setModel(&doc.Sessions());
    sessions->setEditTriggers(QAbstractItemView::NoEditTriggers);
    f.Button(ID_NEW_SESSION, QStringLiteral("&New"), 12, 390, 82);
    f.Button(ID_DELETE_SESSION, QStringLiteral("&Delete"), 100, 390, 82);
    f.Label(QStringLiteral("Songs:"), 194, 8, 200);
    f.Place(IDC_SONGS, new CLibraryListCtrl(&doc.Songs()), 194, 30, 394, 340);
    f.Place(IDC_SONG_TOTALS, new QLabel(CText::SongsAndTime(0, 0)), 194, 372, 394, 20);
    f.Label(QStringLiteral("Total:"), 12, 428, 50, 24);
    QLineEdit* count = f.ShowField(IDC_TOTAL, 62, 428, 120);
    count->setAlignment(Qt::AlignRight);
    count->setAccessibleName(QStringLiteral("Total"));

    // Tag fields of the current song.
    f.Group(QStringLiteral("ID3 Tags Found"), 194, 396, 394, 184);
    using EField = CTagFormModel::EField;
    f.Register(IDC_TAG_TITLE_LABEL, f.Label(QStringLiteral("Title:"), 200, 418, 62));
    f.Edit(IDC_TAG_TITLE, 264, 416, 218, CTagFormModel::MaxLength(EField::Title));
    f.Register(IDC_TAG_ARTIST_LABEL, f.Label(QStringLiteral("Artist:"), 200, 444, 62));
    f.Edit(IDC_TAG_ARTIST, 264, 442, 218, CTagFormModel::MaxLength(EField::Artist));
    f.Register(IDC_TAG_ALBUM_LABEL, f.Label(QStringLiteral("Album:"), 200, 470, 62));
    f.Edit(IDC_TAG_ALBUM, 264, 468, 218, CTagFormModel::MaxLength(EField::Album));
    // The cover beside the fields, as tall as the three of them.
    f.Place(IDC_TAG_COVER, new CCoverLabel, 490, 414, 86, 76);
    f.Register(IDC_TAG_COMMENT_LABEL, f.Label(QStringLiteral("Comment:"), 200, 496, 62));
    f.Edit(IDC_TAG_COMMENT, 264, 494, 192);
    f.Register(IDC_TAG_TRACK_LABEL, f.Label(QStringLiteral("Track:"), 466, 496, 46));
    QLineEdit* track = f.Edit(IDC_TAG_TRACK, 516, 494, 60, CTagFormModel::MaxLength(EField::Track));
    track->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9/]*")), track));
    f.Register(IDC_TAG_YEAR_LABEL, f.Label(QStringLiteral("Year:"), 200, 522, 62));
    QLineEdit* year = f.Edit(IDC_TAG_YEAR, 264, 520, 52, CTagFormModel::MaxLength(EField::Year));
    year->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), year));
    f.Register(IDC_TAG_GENRE_LABEL, f.Label(QStringLiteral("Genre:"), 326, 522, 46));
    f.Place(IDC_TAG_GENRE, MakeCombo(), 372, 520, 204, 24);
    f.Label(QStringLiteral("File:"), 200, 548, 62);
    f.ShowField(IDC_TAG_PATH, 264, 546, 312)->setAccessibleName(QStringLiteral("File"));
    f.Place(IDC_MULTISAVE, new QCheckBox(QStringLiteral("Multisave")), 12, 470, 170, 24);
    f.Button(ID_SAVE_TAGS, QStringLiteral("Sa&ve"), 12, 500, 82);
    f.Button(ID_VIEW_LYRICS, QStringLiteral("Lyr&ics"), 100, 500, 82);

    // Search criteria.
    f.Group(QStringLiteral("Search Criteria"), 600, 4, 368, 214);
    f.Label(QStringLiteral("All:"), 612, 28, 70);
    f.Edit(IDC_SEARCH_ALL, 684, 26, 272);
    f.Label(QStringLiteral("Title:"), 612, 58, 70);
    f.Edit(IDC_SEARCH_TITLE, 684, 56, 272);
    f.Label(QStringLiteral("Artist:"), 612, 88, 70);
    f.Edit(IDC_SEARCH_ARTIST, 684, 86, 272);
    f.Label(QStringLiteral("Album:"), 612, 118, 70);
    f.Edit(IDC_SEARCH_ALBUM, 684, 116, 272);
    f.Label(QStringLiteral("Filename:"), 612, 148, 70);
    f.Edit(IDC_SEARCH_FILE, 684, 146, 272);
    f.Label(QStringLiteral("Genre:"), 612, 180, 70);
    f.Place(IDC_SEARCH_GENRE, MakeCombo(), 684, 178, 170, 24);
    f.Button(ID_SEARCH, QStringLiteral("&Search"), 862, 176, 94);

    // Playlist.
    f.Group(QStringLiteral("Playlist"), 600, 224, 368, 232);
    auto* playlist = f.Place(IDC_PLAYLIST, new QListView, 612, 246, 220, 176);
    playlist->setModel(&doc.Playlist());
    ShareSelection(playlist, doc.Playlist().Selection());
    playlist->setEditTriggers(QAbstractItemView::NoEditTriggers);
    playlist->setItemDelegate(new CPlaylistDelegate(playlist));
    f.Place(IDC_PLAYLIST_TOTALS, new QLabel(CText::SongsAndTime(0, 0)), 612, 426, 220, 20);
    f.Picture(ID_ADD_TO_PLAYLIST, QStyle::SP_ArrowRight, 840, 246, 57);
    f.Picture(ID_REMOVE_FROM_PLAYLIST, QStyle::SP_ArrowLeft, 901, 246, 57);
    f.Button(ID_ADD_ALL, QStringLiteral("&Add All"), 840, 280, 118);
    f.Button(ID_CLEAR_PLAYLIST, QStringLiteral("&Clear"), 840, 312, 118);
    f.Button(ID_EXPORT_M3U, QStringLiteral("Playlis&t"), 840, 344, 118);
    f.Button(ID_COPY_FILES, QStringLiteral("Cop&y"), 840, 376, 118);
    f.Button(ID_UPDATE_WINAMP, QStringLiteral("&Update MPD"), 840, 416, 118);

    // Player.
    f.Group(QStringLiteral("Playback Info"), 600, 462, 316, 112);
    f.Label(QStringLiteral("Title:"), 612, 484, 46);
    f.ShowField(IDC_PLAYING_TITLE, 660, 482, 244)
        ->setAccessibleName(QStringLiteral("Playing title"));
    f.Label(QStringLiteral("Artist:"), 612, 512, 46);
    f.ShowField(IDC_PLAYING_ARTIST, 660, 510, 244)
        ->setAccessibleName(QStringLiteral("Playing artist"));
    f.Place(IDC_PLAYBACK_PROGRESS, new CSeekBar, 612, 544, 200, 16)->setTextVisible(false);
    f.Place(IDC_PLAYBACK_TIME, new QLabel, 814, 540, 90, 24)
        ->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* volume = f.Place(IDC_VOLUME, new QSlider(Qt::Vertical), 928, 466, 30, 108);
    volume->setInvertedAppearance(true); // position 0 at the top: loudest
    f.Picture(ID_PREVIOUS, QStyle::SP_MediaSkipBackward, 612, 586);
    f.Picture(ID_PLAY, QStyle::SP_MediaPlay, 650, 586);
    f.Picture(ID_PAUSE, QStyle::SP_MediaPause, 688, 586);
    f.Picture(ID_STOP, QStyle::SP_MediaStop, 726, 586);
    f.Picture(ID_NEXT, QStyle::SP_MediaSkipForward, 764, 586);
    f.Button(ID_PREVIEW, QStringLiteral("Previe&w"), 862, 586, 96);

    // Commands along the bottom.
    // Alt+O opens the Options menu, which holds the same command.
    f.Button(ID_OPTIONS, QStringLiteral("Options"), 12, 586, 82);
    f.Button(ID_RANDOM, QStringLiteral("&Random"), 100, 586, 82);
    f.Button(ID_EXPORT_HTML, QStringLiteral("HT&ML"), 194, 586, 82);

    for (const STooltip& t : kTooltips)
        if (QWidget* control = f.Control(t.id))
            control->setToolTip(QString::fromLatin1(t.text));
}
