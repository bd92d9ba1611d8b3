#pragma once

#include <QList>
#include <QObject>
#include <memory>

class CCdlistView;
class CPlaylistHost;

// The playlist commands of the main form: Add, Remove, Add All, Clear, double clicks,
// the .m3u export, Load Playlist, import as a session, the random selection and copying
// the playlist's files.
class CPlaylistController : public QObject
{
    Q_OBJECT
public:
    // The form's own: connects itself to the form's actions and controls.
    explicit CPlaylistController(CCdlistView& view);
    CPlaylistController(std::unique_ptr<CPlaylistHost> host, QObject* parent);
    ~CPlaylistController() override;

    // The song IDs of the playlist entries, in order.
    QList<qint32> EntryIds() const;

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
    void Connect();
    void ConnectAction(int id, void (CPlaylistController::*handler)());
    void AddEntry(const QString& text, qint32 id);
    void RemoveEntry(int row);
    QString SelectedSession() const;
    bool RunRandom(bool sessionSelected);

    std::unique_ptr<CPlaylistHost> m_host;
};
