#include "app/CCdlistView.h"
#include "intake/CDriveLocator.h"
#include "intake/CSessionNameDialog.h"
#include "playlist/CPlaylistController.h"
#include "playlist/CPlaylistHost.h"
#include "ui/CPrompts.h"

namespace {

// The main form as the playlist commands see it.
class CPlaylistViewHost : public CPlaylistHost
{
public:
    explicit CPlaylistViewHost(CCdlistView& view) : m_view(view) {}

    QWidget* Window() override { return &m_view; }
    CCdlistSet& Set() override { return m_view.Set(); }
    CPrompts& Prompts() override { return m_view.Prompts(); }
    CVolumes& Volumes() override { return m_view.Volumes(); }
    CWinampRemote& Winamp() override { return m_view.Winamp(); }
    QListWidget* PlaylistBox() override { return m_view.PlaylistBox(); }
    CLibraryListCtrl* SongList() override { return m_view.SongList(); }
    QListWidget* SessionList() override { return m_view.SessionList(); }
    QAction* Action(int id) override { return m_view.Action(id); }
    int SongCount() override { return m_view.SongCount(); }
    void SetSongCount(int count) override { m_view.SetSongCount(count); }
    void InsertSongRow(int row) override { m_view.InsertSongRow(row); }
    void AddPlaylistEntry(const QString& text, qint32 id) override
    {
        m_view.AddPlaylistEntry(text, id);
    }
    void SetPlaylistChanged(bool changed) override { m_view.SetPlaylistChanged(changed); }
    bool& PlaylistSelectionFlag() override { return m_view.PlaylistSelectionFlag(); }
    void FillSessionList() override { m_view.FillSessionList(); }

    QString AskSessionName() override
    {
        CSessionNameDialog dialog(m_view.Prompts(), &m_view);
        return dialog.exec() == QDialog::Accepted ? dialog.SessionName() : QString();
    }
    QString LocateForCopy(const QString& path, const QString& session) override
    {
        CDriveLocator locator(m_view.Volumes(), m_view.Prompts());
        return locator.LocateCdDrive(path, session, CDriveLocator::EVariant::Copy);
    }
    SImportTools ImportTools() override
    {
        return SImportTools::Standard(m_view.Volumes(), m_view.Prompts());
    }

private:
    CCdlistView& m_view;
};

} // namespace

CPlaylistController::CPlaylistController(CCdlistView& view)
    : CPlaylistController(std::make_unique<CPlaylistViewHost>(view), &view)
{}
