#include "app/CCdlistViewBuilder.h"

#include "app/CCdlistView.h"
#include "app/CommandIds.h"
#include "library/CLibraryListCtrl.h"
#include "ui/CDragDropEdit.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
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
    {1002, "Add a new CD or directory"},
    {1025, "Remove selected session"},
    {1027, "Total number of songs in the database"},
    {1026, "Save playlist"},
    {1094, "Create HTML document with list of songs"},
    {1119, "Display lyrics for selected song"},
    {1015, "Bring up the Option dialog"},
    {1111, "Add songs randomly"},
    {1124, "Play selected song in the library"},
    {1011, "Remove song from the playlist"},
    {1022, "Add all files in the library to the playlist"},
    {1023, "Clear playlist"},
    {1010, "Add selected songs to playlist"},
    {1066, "Save ID3 information"},
    {1061, "Search for files matching specified criteria"},
    {1127, "Send songs to Winamp"},
    {1084, "Copies the songs in the playlist to a specified location"},
    {1071, "Play"},
    {1074, "Pause"},
    {1072, "Stop"},
    {1075, "Previous Track"},
    {1076, "Next Track"},
    {1073, "Change volume"},
    {1005, "Click a session to display its contents."},
};

class CFormPainter
{
public:
    explicit CFormPainter(CCdlistView& view) : m_view(view) {}

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
    QLineEdit* Edit(int id, int x, int y, int w, int maxLength = 0)
    {
        // The search and tag text fields take part in drag and drop.
        static const QList<int> kDragDrop = {1182, 1067, 1068, 1069, 1070, 1019, 1033, 1034};
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
        if (QAction* action = m_view.Action(id)) {
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
    void Register(int id, QWidget* control) { m_view.Register(id, control); }

private:
    CCdlistView& m_view;
};

QComboBox* MakeCombo()
{
    auto* combo = new QComboBox;
    combo->setEditable(false);
    return combo;
}

} // namespace

void CCdlistViewBuilder::Build(CCdlistView& view)
{
    CFormPainter f(view);

    // Library: sessions and songs.
    f.Label(QStringLiteral("Sessions:"), 12, 8, 160);
    view.m_sessionList = f.Place(1005, new QListWidget, 12, 30, 170, 352);
    view.m_sessionList->setSortingEnabled(true);
    f.Button(ID_NEW_SESSION, QStringLiteral("&New"), 12, 390, 82);
    f.Button(ID_DELETE_SESSION, QStringLiteral("&Delete"), 100, 390, 82);
    f.Label(QStringLiteral("Songs:"), 194, 8, 200);
    view.m_songList = f.Place(1108, new CLibraryListCtrl, 194, 30, 394, 388);
    f.Label(QStringLiteral("Total:"), 12, 428, 50, 24);
    QLineEdit* count = f.Edit(1027, 62, 428, 120);
    count->setReadOnly(true);
    count->setAlignment(Qt::AlignRight);

    // Tag fields of the current song.
    f.Group(QStringLiteral("ID3 Tags Found"), 194, 424, 394, 150);
    f.Label(QStringLiteral("Title:"), 206, 448, 50);
    f.Edit(1019, 256, 446, 320, 30);
    f.Label(QStringLiteral("Artist:"), 206, 478, 50);
    f.Edit(1033, 256, 476, 320, 30);
    f.Label(QStringLiteral("Album:"), 206, 508, 50);
    f.Edit(1034, 256, 506, 320, 30);
    f.Label(QStringLiteral("Year:"), 206, 538, 50);
    QLineEdit* year = f.Edit(1035, 256, 536, 60, 4);
    year->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), year));
    f.Label(QStringLiteral("Genre:"), 326, 538, 46);
    view.m_tagGenre = f.Place(1065, MakeCombo(), 372, 536, 204, 24);
    view.m_multisave = f.Place(1110, new QCheckBox(QStringLiteral("Multisave")), 12, 470, 170, 24);
    f.Button(ID_SAVE_TAGS, QStringLiteral("Sa&ve"), 12, 500, 82);
    f.Button(ID_VIEW_LYRICS, QStringLiteral("&Lyrics"), 100, 500, 82);

    // Search criteria.
    f.Group(QStringLiteral("Search Criterias"), 600, 4, 368, 214);
    f.Label(QStringLiteral("All:"), 612, 28, 70);
    f.Edit(1182, 684, 26, 272);
    f.Label(QStringLiteral("Title:"), 612, 58, 70);
    f.Edit(1067, 684, 56, 272);
    f.Label(QStringLiteral("Artist:"), 612, 88, 70);
    f.Edit(1068, 684, 86, 272);
    f.Label(QStringLiteral("Album:"), 612, 118, 70);
    f.Edit(1069, 684, 116, 272);
    f.Label(QStringLiteral("Filename:"), 612, 148, 70);
    f.Edit(1070, 684, 146, 272);
    f.Label(QStringLiteral("Genre:"), 612, 180, 70);
    view.m_searchGenre = f.Place(1063, MakeCombo(), 684, 178, 170, 24);
    f.Button(ID_SEARCH, QStringLiteral("&Search"), 862, 176, 94);

    // Playlist.
    f.Group(QStringLiteral("Playlist"), 600, 224, 368, 232);
    view.m_playlist = f.Place(1009, new QListWidget, 612, 246, 220, 198);
    f.Picture(ID_ADD_TO_PLAYLIST, QStyle::SP_ArrowRight, 840, 246, 57);
    f.Picture(ID_REMOVE_FROM_PLAYLIST, QStyle::SP_ArrowLeft, 901, 246, 57);
    f.Button(ID_ADD_ALL, QStringLiteral("&Add All"), 840, 280, 118);
    f.Button(ID_CLEAR_PLAYLIST, QStringLiteral("&Clear"), 840, 312, 118);
    f.Button(ID_EXPORT_M3U, QStringLiteral("Playlis&t"), 840, 344, 118);
    f.Button(ID_COPY_FILES, QStringLiteral("Cop&y"), 840, 376, 118);
    f.Button(ID_UPDATE_WINAMP, QStringLiteral("&Update Winamp"), 840, 416, 118);

    // Player.
    f.Group(QStringLiteral("Playback Info"), 600, 462, 316, 112);
    f.Label(QStringLiteral("Title:"), 612, 484, 46);
    f.Edit(1058, 660, 482, 244)->setReadOnly(true);
    f.Label(QStringLiteral("Artist:"), 612, 512, 46);
    f.Edit(1059, 660, 510, 244)->setReadOnly(true);
    view.m_playbackProgress = f.Place(1083, new QProgressBar, 612, 544, 292, 16);
    view.m_playbackProgress->setTextVisible(false);
    view.m_volume = f.Place(1073, new QSlider(Qt::Vertical), 928, 466, 30, 108);
    view.m_volume->setInvertedAppearance(true); // position 0 at the top: loudest
    f.Picture(ID_PREVIOUS, QStyle::SP_MediaSkipBackward, 612, 586);
    f.Picture(ID_PLAY, QStyle::SP_MediaPlay, 650, 586);
    f.Picture(ID_PAUSE, QStyle::SP_MediaPause, 688, 586);
    f.Picture(ID_STOP, QStyle::SP_MediaStop, 726, 586);
    f.Picture(ID_NEXT, QStyle::SP_MediaSkipForward, 764, 586);
    f.Button(ID_PREVIEW, QStringLiteral("&Preview"), 862, 586, 96);

    // Commands along the bottom.
    f.Button(ID_OPTIONS, QStringLiteral("&Options"), 12, 586, 82);
    f.Button(ID_RANDOM, QStringLiteral("&Random"), 100, 586, 82);
    f.Button(ID_EXPORT_HTML, QStringLiteral("&Html"), 194, 586, 82);

    for (const STooltip& t : kTooltips)
        if (QWidget* control = view.Control(t.id))
            control->setToolTip(QString::fromLatin1(t.text));
}
