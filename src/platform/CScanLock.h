#pragma once

#include <QString>

// Tells a crash from a scan that is still running in another process: every scan holds
// this lock (shared, so scans may run side by side) for as long as it writes the crash
// marker, and the system drops it when the process ends, however it ends. A marker found
// while the lock is held belongs to a living scan and is no crash.
class CScanLock
{
public:
    // Takes the shared lock on the file beside the settings.
    CScanLock();
    ~CScanLock();
    CScanLock(const CScanLock&) = delete;
    CScanLock& operator=(const CScanLock&) = delete;

    // True when some process is scanning now.
    static bool ScanRunning();
    // The file being read when the last scan died, cleared once taken; empty when there
    // was no crash (or the marker belongs to a scan still running).
    static QString TakeCrashMarker();

private:
    int m_fd = -1;
};

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
