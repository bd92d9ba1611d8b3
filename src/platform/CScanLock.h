#pragma once

#include <QString>
#include <QStringList>

namespace CScanLock {

// The files being read when scans died, each named once; none for a scan that still runs
// in another process (two scans at once must not blame each other's files).
QStringList TakeCrashMarkers();

} // namespace CScanLock

// Taken while one session is scanned (from before the songs it holds are looked up until
// the new ones are committed): a second scan of the same session at the same time, in
// another process, would store every song the first stores again. Never waits: the
// window would stand still meanwhile.
class CSessionScanLock
{
public:
    explicit CSessionScanLock(const QString& session);
    ~CSessionScanLock();
    // False while another scan holds the session.
    bool Held() const { return m_held; }
    CSessionScanLock(const CSessionScanLock&) = delete;
    CSessionScanLock& operator=(const CSessionScanLock&) = delete;

private:
    int m_fd = -1;
    bool m_held = true;
};
