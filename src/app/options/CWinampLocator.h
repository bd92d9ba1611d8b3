#pragma once

#include <QSet>
#include <QString>
#include <memory>
#include <utility>

class CEventPump;
class CPrompts;
class CVolumes;
class QFileInfo;

// "Find Winamp": looks for the external player's program in the folders of PATH and then
// on every fixed disk, asking about each one found; falls back to a file dialog. The
// accepted path is stored in the setting `Winamp`. Escape stops the search.
class CWinampLocator
{
public:
    // The program the `Winamp` setting names on this system.
    static constexpr const char* kProgram = "mpd";

    CWinampLocator(CPrompts& prompts, CVolumes& volumes);
    ~CWinampLocator();

    void Run();

private:
    using SNodeId = std::pair<quint64, quint64>; // device, inode

    bool SearchPath();
    bool SearchDisks();
    bool SearchFolder(const QString& folder);
    bool Offer(const QFileInfo& file);
    bool IsCandidate(const QFileInfo& file) const;
    bool KeepGoing();
    void Browse();

    CPrompts& m_prompts;
    CVolumes& m_volumes;
    std::unique_ptr<CEventPump> m_pump;
    QSet<QString> m_otherMounts; // mount points of file systems not searched
    QSet<SNodeId> m_visited;     // folders already searched
    QSet<SNodeId> m_offered;     // programs already asked about
    bool m_stopped = false;
    int m_sincePump = 31; // the first check lets pending events through at once
};
