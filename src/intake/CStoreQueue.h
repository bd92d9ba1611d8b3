#pragma once

#include <QtGlobal>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// Runs the catalogue writes of a scan on a thread of their own, one after another in the
// order given, so the next file is read while the last one is stored. A few jobs wait at
// most, holding together at most kMaxBytes (a job names what it holds: a song and what was
// kept of its file, up to 32 MiB for a hostile one) besides the one that runs. A job that
// throws drops the jobs behind it, and its exception reaches the caller at the next Post or
// Finish.
class CStoreQueue
{
public:
    CStoreQueue();
    // Runs what still waits, then ends the thread.
    ~CStoreQueue();
    CStoreQueue(const CStoreQueue&) = delete;
    CStoreQueue& operator=(const CStoreQueue&) = delete;

    // Waits while the queue is full; rethrows the failure of an earlier job. `bytes`: the
    // memory the job holds.
    void Post(std::function<void()> job, qint64 bytes);
    // Waits until every job has run; rethrows the first failure.
    void Finish();
    // Whether the thread is behind: half of the jobs it may hold wait. The poster then does
    // better to take work of the next job on itself than to wait for room.
    bool Behind();

private:
    // Enough to carry the reader over a commit that writes many pages (tens of
    // milliseconds): with fewer it stood still meanwhile.
    static constexpr std::size_t kWaiting = 256;
    static constexpr std::size_t kBatch = 8; // jobs that wake the idle thread
    static constexpr qint64 kMaxBytes = 16 * 1024 * 1024;
    void Run();
    void RethrowFailure();

    std::mutex m_mutex;
    std::condition_variable m_work; // jobs came, or the queue is flushed or closed
    std::condition_variable m_room; // jobs went, or one failed
    struct SJob
    {
        std::function<void()> run;
        qint64 bytes = 0;
    };
    // Whether a job of `bytes` must wait for room.
    bool Full(qint64 bytes) const;
    // Whether the waiting poster may go on.
    bool Roomy() const;

    std::deque<SJob> m_jobs;
    qint64 m_bytes = 0;                        // what the waiting jobs hold
    std::vector<std::function<void()>> m_done; // run, to be let go by the posting thread
    bool m_running = false;                    // a job is being run
    bool m_workerIdle = false;
    bool m_posterWaits = false;
    qint64 m_posterBytes = 0; // what the waiting poster's job holds
    bool m_flushing = false;
    bool m_closing = false;
    std::exception_ptr m_failure;
    std::thread m_thread; // last: started when the rest is ready
};
