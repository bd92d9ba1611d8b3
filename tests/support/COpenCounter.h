#pragma once

#include <QFile>
#include <QString>
#include <sys/inotify.h>
#include <unistd.h>

// Counts the opens of one file, as the system reports them, while it lives. Reads and
// closes are watched too: the system merges an event into an identical one before it.
class COpenCounter
{
public:
    explicit COpenCounter(const QString& path) : m_fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        if (m_fd >= 0 && inotify_add_watch(m_fd, QFile::encodeName(path).constData(),
                                           IN_OPEN | IN_ACCESS | IN_CLOSE) < 0)
            Close();
    }
    ~COpenCounter() { Close(); }
    COpenCounter(const COpenCounter&) = delete;
    COpenCounter& operator=(const COpenCounter&) = delete;

    // The opens since the last call; -1 when the system cannot tell.
    int Opens()
    {
        if (m_fd < 0)
            return -1;
        alignas(inotify_event) char buffer[4096];
        int opens = 0;
        ssize_t n;
        while ((n = ::read(m_fd, buffer, sizeof buffer)) > 0) {
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                opens += (event->mask & IN_OPEN) != 0;
                m_reads += (event->mask & IN_ACCESS) != 0;
                at += ssize_t(sizeof(inotify_event) + event->len);
            }
        }
        return opens;
    }

    // The reads seen since the counter was made (after a call to Opens, which collects them;
    // merged events count once, so any read shows as at least one).
    int Reads()
    {
        Opens();
        return m_reads;
    }

private:
    void Close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }
    int m_fd;
    int m_reads = 0;
};
