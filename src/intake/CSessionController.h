#pragma once

#include "intake/CSessionCommands.h"
#include "intake/CSessionHost.h"

#include <QObject>

class CCdlistView;

// Connects the session commands (New, Delete, Rename, Update Session) and the names
// with leading digits (Options > Excluded Names) to the main form's actions, and plays
// the host part for them on the form. The form creates one: new CSessionController(*this).
class CSessionController : public QObject, public CSessionHost
{
    Q_OBJECT
public:
    explicit CSessionController(CCdlistView& view);

    CSessionCommands& Commands() { return m_commands; }
    void ShowExcludedNames();

    int SessionEntryCount() const override;
    std::optional<QString> SelectedSession() const override;
    bool HasSessionEntry(const QString& name) const override;
    void AddSessionEntry(const QString& name) override;
    void RemoveSelectedSessionEntry() override;
    qint64 SongCount() const override;
    void AdjustSongCount(qint64 delta) override;
    void ClearPlaylist() override;
    void ClearSongList() override;
    void RefreshFields() override;
    std::unique_ptr<CProgress> CreateProgress(const QString& caption, int lines,
                                              int width) override;
    QWidget* DialogParent() override;

private:
    CCdlistView& m_view;
    CSessionCommands m_commands;
};
