#pragma once

#include "ui/CControllerContext.h"

#include <QObject>

class QAction;
class QListView;

// The playlist controller's widget.
struct SPlaylistControls
{
    QListView* playlist = nullptr; // over the document's playlist
};

// The playlist commands of the main form: Add, Remove, Add All, Clear, double clicks,
// moving entries (drag and drop, Ctrl+Up/Down, the entry's context menu), the .m3u
// export, Load Playlist, import as a session, the random selection and copying the
// playlist's files.
class CPlaylistController : public QObject
{
    Q_OBJECT
public:
    CPlaylistController(const SControllerContext& context, const SPlaylistControls& controls,
                        QObject* parent);

    void OnAdd();
    void OnRemove();
    void OnAddAll();
    void OnClear();
    void OnPlaylistDoubleClick();
    // Moves the selected entry one place up (-1) or down (1).
    void OnMove(int step);
    QAction* MoveUpAction() const { return m_moveUp; }
    QAction* MoveDownAction() const { return m_moveDown; }
    void OnExportM3u();
    void OnLoadPlaylist();
    void OnImportM3u();
    void OnRandom();
    void OnCopyFiles();

private:
    void ConnectAction(int id, void (CPlaylistController::*handler)());
    void SetUpMoving(QListView* view);
    void ShowEntryMenu(const QPoint& at);

    SControllerContext m_context;
    SPlaylistControls m_controls;
    QAction* m_moveUp = nullptr;
    QAction* m_moveDown = nullptr;
};
