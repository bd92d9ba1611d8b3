#pragma once

#include "ui/CControllerContext.h"

#include <QObject>

class QListView;

// The playlist controller's widget.
struct SPlaylistControls
{
    QListView* playlist = nullptr; // over the document's playlist
};

// The playlist commands of the main form: Add, Remove, Add All, Clear, double clicks,
// the .m3u export, Load Playlist, import as a session, the random selection and copying
// the playlist's files.
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
    void OnExportM3u();
    void OnLoadPlaylist();
    void OnImportM3u();
    void OnRandom();
    void OnCopyFiles();

private:
    void ConnectAction(int id, void (CPlaylistController::*handler)());

    SControllerContext m_context;
    SPlaylistControls m_controls;
};
