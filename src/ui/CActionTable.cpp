#include "ui/CActionTable.h"

#include "ui/CommandIds.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>
#include <functional>

namespace {

// Accelerators as the program has always had them.
struct SAccelerator
{
    int id;
    QList<QKeySequence> keys;
};

QList<SAccelerator> Accelerators()
{
    const auto pad = [](Qt::Key a, Qt::Key b) {
        // With Num Lock on the key arrives as the digit, without it as the movement key.
        return QList<QKeySequence>{QKeySequence(Qt::KeypadModifier | a),
                                   QKeySequence(Qt::KeypadModifier | b)};
    };
    return {
        {ID_DOCUMENTATION, {QKeySequence(Qt::Key_F1)}},
        {ID_UPDATE_WINAMP, {QKeySequence(Qt::Key_F2)}},
        {ID_SEARCH, {QKeySequence(Qt::Key_F3)}},
        {ID_DELETE_SESSION, {QKeySequence(Qt::Key_F4)}},
        {ID_ADD_TO_PLAYLIST, {QKeySequence(Qt::Key_F5)}},
        {ID_REMOVE_FROM_PLAYLIST, {QKeySequence(Qt::Key_F6)}},
        {ID_ADD_ALL, {QKeySequence(Qt::Key_F7)}},
        {ID_CLEAR_PLAYLIST, {QKeySequence(Qt::Key_F8)}},
        {ID_COPY_FILES, {QKeySequence(Qt::Key_F10)}},
        {ID_OPTIONS, {QKeySequence(Qt::Key_F11)}},
        {ID_EXPORT_HTML, {QKeySequence(Qt::Key_F12)}},
        {ID_PLAY, pad(Qt::Key_5, Qt::Key_Clear)},
        {ID_STOP, pad(Qt::Key_2, Qt::Key_Down)},
        {ID_PREVIOUS, pad(Qt::Key_4, Qt::Key_Left)},
        {ID_NEXT, pad(Qt::Key_6, Qt::Key_Right)},
        {ID_PAUSE, pad(Qt::Key_8, Qt::Key_Up)},
        {ID_VIEW_LYRICS, {QKeySequence(Qt::CTRL | Qt::Key_L)}},
        {ID_APP_EXIT, {QKeySequence(Qt::CTRL | Qt::Key_Q)}},
    };
}

// The keypad's player keys. X11 reports a keypad key to the shortcut map without its
// keypad flag, so a keypad accelerator would never match there: they are caught as key
// presses instead, Num Lock on (digits) or off (movement keys).
int KeypadCommand(const QKeyEvent* key)
{
    if (!(key->modifiers() & Qt::KeypadModifier))
        return 0;
    switch (key->key()) {
    case Qt::Key_5:
    case Qt::Key_Clear:
        return ID_PLAY;
    case Qt::Key_2:
    case Qt::Key_Down:
        return ID_STOP;
    case Qt::Key_4:
    case Qt::Key_Left:
        return ID_PREVIOUS;
    case Qt::Key_6:
    case Qt::Key_Right:
        return ID_NEXT;
    case Qt::Key_8:
    case Qt::Key_Up:
        return ID_PAUSE;
    default:
        return 0;
    }
}

// A field the user types into keeps its keys: a year typed on the keypad is digits.
bool TakesText(const QWidget* widget)
{
    return qobject_cast<const QLineEdit*>(widget) ||
           qobject_cast<const QAbstractSpinBox*>(widget) ||
           qobject_cast<const QPlainTextEdit*>(widget) || qobject_cast<const QTextEdit*>(widget);
}

} // namespace

CActionTable::CActionTable(QWidget* owner) : QObject(owner), m_owner(owner)
{
    Make(ID_CHECK_DUPLICATES, QStringLiteral("Check &Duplicates"));
    Make(ID_INFORMATION, QStringLiteral("I&nformation"));
    Make(ID_LOAD_PLAYLIST, QStringLiteral("&Load Playlist"));
    Make(ID_NEW_SESSION, QStringLiteral("&New Session"),
         QStringLiteral("Add a new CD or directory"));
    Make(ID_DELETE_SESSION, QStringLiteral("&Delete Session"),
         QStringLiteral("Remove selected session"));
    Make(ID_RENAME_SESSION, QStringLiteral("&Rename Session"));
    Make(ID_UPDATE_SESSION, QStringLiteral("&Update Session"));
    Make(ID_DELETE_SELECTED_FILE, QStringLiteral("Delete &Selected File"));
    Make(ID_IMPORT_PREVIOUS, QStringLiteral("From &previous version"));
    Make(ID_IMPORT_M3U, QStringLiteral("From playlist (.&m3u)"));
    Make(ID_EXPORT_HTML, QStringLiteral("To &HTML Document"),
         QStringLiteral("Create HTML document with list of songs"));
    Make(ID_EXPORT_M3U, QStringLiteral("To &playlist (.m3u)"), QStringLiteral("Save playlist"));
    Make(ID_RANDOM, QStringLiteral("&Randomize"), QStringLiteral("Add songs randomly"));
    Make(ID_VIEW_LYRICS, QStringLiteral("View L&yrics"),
         QStringLiteral("Display lyrics for selected song"));
    Make(ID_APP_EXIT, QStringLiteral("E&xit"));
    Make(ID_UPDATE_WINAMP, QStringLiteral("&Update MPD"),
         QStringLiteral("Send the playlist to MPD"));
    Make(ID_PLAY, QStringLiteral("&Play"), QStringLiteral("Play"));
    Make(ID_PAUSE, QStringLiteral("P&ause"), QStringLiteral("Pause"));
    Make(ID_STOP, QStringLiteral("&Stop"), QStringLiteral("Stop"));
    Make(ID_NEXT, QStringLiteral("&Next"), QStringLiteral("Next Track"));
    Make(ID_PREVIOUS, QStringLiteral("P&revious"), QStringLiteral("Previous Track"));
    Make(ID_CREATE_SHORTCUT, QStringLiteral("Create &Shortcut"));
    Make(ID_EXCLUDED_NAMES, QStringLiteral("&Excluded Names"));
    Make(ID_OPTIONS, QStringLiteral("&Options"), QStringLiteral("Open the Options dialog"));
    Make(ID_CHECK_UPDATES, QStringLiteral("&Check for Updates"));
    Make(ID_DOCUMENTATION, QStringLiteral("&Documentation"));
    Make(ID_SEND_FEEDBACK, QStringLiteral("Send &Feedback or Bug Report"));
    Make(ID_APP_ABOUT, QStringLiteral("&About Cratewise..."));
    // Commands of the form, the Playlist menu and the context menu.
    Make(ID_ADD_TO_PLAYLIST, QStringLiteral("&Add"),
         QStringLiteral("Add selected songs to playlist"));
    Make(ID_REMOVE_FROM_PLAYLIST, QStringLiteral("&Remove"),
         QStringLiteral("Remove song from the playlist"));
    Make(ID_ADD_ALL, QStringLiteral("Add A&ll"),
         QStringLiteral("Add all files in the library to the playlist"));
    Make(ID_CLEAR_PLAYLIST, QStringLiteral("&Clear"), QStringLiteral("Clear playlist"));
    Make(ID_SEARCH, QStringLiteral("Se&arch"),
         QStringLiteral("Search for files matching specified criteria"));
    Make(ID_SAVE_TAGS, QStringLiteral("Sa&ve"), QStringLiteral("Save ID3 information"));
    Make(ID_COPY_FILES, QStringLiteral("Cop&y Files"),
         QStringLiteral("Copies the songs in the playlist to a specified location"));
    Make(ID_PREVIEW, QStringLiteral("&Preview"),
         QStringLiteral("Play selected song in the library"));

    for (const SAccelerator& a : Accelerators())
        m_actions.value(a.id)->setShortcuts(a.keys);
    for (QAction* action : std::as_const(m_actions)) {
        action->setShortcutContext(Qt::WindowShortcut);
        owner->addAction(action);
    }
    AddEditAccelerators(owner);
    qApp->installEventFilter(this);
}

bool CActionTable::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != m_owner->window() || TakesText(widget))
        return false;
    const int id = KeypadCommand(static_cast<QKeyEvent*>(event));
    QAction* action = id ? Action(id) : nullptr;
    if (!action || !action->isEnabled())
        return false;
    action->trigger();
    return true;
}

QAction* CActionTable::Make(int id, const QString& text, const QString& tooltip)
{
    auto* action = new QAction(text, this);
    action->setData(id);
    if (!tooltip.isEmpty())
        action->setToolTip(tooltip);
    m_actions.insert(id, action);
    return action;
}

void CActionTable::AddEditAccelerators(QWidget* owner)
{
    // The text fields know Ctrl+C/V/X/Z; these are the older alternatives.
    const auto forward = [owner](const QKeySequence& key, std::function<void(QLineEdit*)> slot) {
        auto* action = new QAction(owner);
        action->setShortcut(key);
        action->setShortcutContext(Qt::WindowShortcut);
        QObject::connect(action, &QAction::triggered, owner, [slot] {
            if (auto* edit = qobject_cast<QLineEdit*>(QApplication::focusWidget()))
                slot(edit);
        });
        owner->addAction(action);
    };
    forward(QKeySequence(Qt::CTRL | Qt::Key_Insert), [](QLineEdit* e) { e->copy(); });
    forward(QKeySequence(Qt::SHIFT | Qt::Key_Insert), [](QLineEdit* e) { e->paste(); });
    forward(QKeySequence(Qt::SHIFT | Qt::Key_Delete), [](QLineEdit* e) { e->cut(); });
    forward(QKeySequence(Qt::ALT | Qt::Key_Backspace), [](QLineEdit* e) { e->undo(); });
}

void CActionTable::FillMenuBar(QMenuBar* bar) const
{
    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->addAction(Action(ID_CHECK_DUPLICATES));
    file->addAction(Action(ID_INFORMATION));
    file->addAction(Action(ID_LOAD_PLAYLIST));
    file->addAction(Action(ID_SEARCH));
    QMenu* session = file->addMenu(QStringLiteral("&Session"));
    for (int id : {ID_NEW_SESSION, ID_DELETE_SESSION, ID_RENAME_SESSION, ID_UPDATE_SESSION})
        session->addAction(Action(id));
    session->addSeparator();
    session->addAction(Action(ID_DELETE_SELECTED_FILE));
    QMenu* import = file->addMenu(QStringLiteral("&Import"));
    import->addAction(Action(ID_IMPORT_PREVIOUS));
    import->addAction(Action(ID_IMPORT_M3U));
    QMenu* exportMenu = file->addMenu(QStringLiteral("&Export"));
    exportMenu->addAction(Action(ID_EXPORT_HTML));
    exportMenu->addAction(Action(ID_EXPORT_M3U));
    file->addSeparator();
    file->addAction(Action(ID_RANDOM));
    file->addAction(Action(ID_VIEW_LYRICS));
    file->addSeparator();
    file->addAction(Action(ID_APP_EXIT));

    // Every accelerator shows in a menu, so the keys can be learnt there.
    QMenu* playlist = bar->addMenu(QStringLiteral("P&laylist"));
    for (int id : {ID_ADD_TO_PLAYLIST, ID_REMOVE_FROM_PLAYLIST, ID_ADD_ALL, ID_CLEAR_PLAYLIST})
        playlist->addAction(Action(id));
    playlist->addSeparator();
    playlist->addAction(Action(ID_COPY_FILES));

    QMenu* playback = bar->addMenu(QStringLiteral("&Playback"));
    for (int id : {ID_UPDATE_WINAMP, ID_PLAY, ID_PAUSE, ID_STOP, ID_NEXT, ID_PREVIOUS})
        playback->addAction(Action(id));

    QMenu* options = bar->addMenu(QStringLiteral("&Options"));
    for (int id : {ID_CREATE_SHORTCUT, ID_EXCLUDED_NAMES, ID_OPTIONS})
        options->addAction(Action(id));

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    for (int id : {ID_CHECK_UPDATES, ID_DOCUMENTATION, ID_SEND_FEEDBACK, ID_APP_ABOUT})
        help->addAction(Action(id));
}

void CActionTable::FillContextMenu(QMenu* menu) const
{
    struct SEntry
    {
        const char* text;
        int id;
    };
    struct SGroup
    {
        const char* submenu; // null: entries on the menu itself
        QList<SEntry> entries;
    };
    // The context menu words some commands differently; its entries trigger the same actions.
    static const QList<SGroup> kGroups = {
        {"Playback",
         {{"Play", ID_PLAY},
          {"Stop", ID_STOP},
          {"Pause", ID_PAUSE},
          {"Previous", ID_PREVIOUS},
          {"Next", ID_NEXT}}},
        {"Playlist Controls",
         {{"Add All", ID_ADD_ALL},
          {"Add", ID_ADD_TO_PLAYLIST},
          {"Remove All", ID_CLEAR_PLAYLIST},
          {"Remove", ID_REMOVE_FROM_PLAYLIST}}},
        {"Options",
         {{"Create Playlist", ID_EXPORT_M3U},
          {"Create HTML File", ID_EXPORT_HTML},
          {"Random Playlist", ID_RANDOM},
          {"View Lyrics", ID_VIEW_LYRICS},
          {"Options", ID_OPTIONS}}},
        {"Session",
         {{"New Session", ID_NEW_SESSION},
          {"Delete Session", ID_DELETE_SESSION},
          {"Rename Session", ID_RENAME_SESSION},
          {"Update Session", ID_UPDATE_SESSION}}},
        {nullptr,
         {{"Preview", ID_PREVIEW},
          {"Update MPD", ID_UPDATE_WINAMP},
          {"Documentation", ID_DOCUMENTATION},
          {"Check for Updates", ID_CHECK_UPDATES},
          {"About...", ID_APP_ABOUT}}},
    };
    for (const SGroup& group : kGroups) {
        QMenu* target = group.submenu ? menu->addMenu(QLatin1String(group.submenu)) : menu;
        for (const SEntry& e : group.entries) {
            QAction* action = Action(e.id);
            QAction* item = target->addAction(QLatin1String(e.text), action, &QAction::trigger);
            item->setData(e.id);
            // Shown beside the entry only: the command's own action answers the key.
            item->setShortcuts(action->shortcuts());
            item->setShortcutContext(Qt::WidgetShortcut);
            item->setEnabled(action->isEnabled());
        }
    }
}
