#pragma once

#include <QString>
#include <atomic>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

// A named pipe for the tests of code that must refuse one. Should the code open it anyway
// and wait for a writer, the pipe is opened for writing and closed again from releaseMs on,
// so that the wait ends and the test fails on time instead of hanging.
class CFifo
{
public:
    explicit CFifo(QString path, int releaseMs = 3000) : m_path(std::move(path))
    {
        const QByteArray name = m_path.toLocal8Bit();
        ::mkfifo(name.constData(), 0600);
        m_thread = std::thread([this, name, releaseMs] {
            for (int waited = 0; !m_stop; waited += 20) {
                const int fd =
                    waited < releaseMs ? -1 : ::open(name.constData(), O_WRONLY | O_NONBLOCK);
                if (fd >= 0)
                    ::close(fd);
                ::usleep(20000);
            }
        });
    }
    ~CFifo()
    {
        m_stop = true;
        m_thread.join();
    }
    QString Path() const { return m_path; }

private:
    QString m_path;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};
