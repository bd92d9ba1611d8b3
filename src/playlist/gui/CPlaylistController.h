#pragma once

#include "ui/CControllerContext.h"

#include <QObject>

class QListView;

// The playlist commands of the main form: Add, Remove, Add All, Clear, double clicks,
// the .m3u export, Load Playlist, import as a session, the random selection and copying
// the playlist's files.
class CPlaylistController : public QObject
{
    Q_OBJECT
public:
    CPlaylistController(const SControllerContext& context, QObject* parent);

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
    QListView* PlaylistView() const;

    SControllerContext m_context;
};
