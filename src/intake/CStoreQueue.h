#pragma once

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
// most (each holds a song and maybe an open file). A job that throws drops the jobs behind
// it, and its exception reaches the caller at the next Post or Finish.
class CStoreQueue
{
public:
    CStoreQueue();
    // Runs what still waits, then ends the thread.
    ~CStoreQueue();
    CStoreQueue(const CStoreQueue&) = delete;
    CStoreQueue& operator=(const CStoreQueue&) = delete;

    // Waits while the queue is full; rethrows the failure of an earlier job.
    void Post(std::function<void()> job);
    // Waits until every job has run; rethrows the first failure.
    void Finish();

private:
    static constexpr std::size_t kWaiting = 32;
    static constexpr std::size_t kBatch = 8; // jobs that wake the idle thread
    void Run();
    void RethrowFailure();

    std::mutex m_mutex;
    std::condition_variable m_work; // jobs came, or the queue is flushed or closed
    std::condition_variable m_room; // jobs went, or one failed
    std::deque<std::function<void()>> m_jobs;
    std::vector<std::function<void()>> m_done; // run, to be let go by the posting thread
    bool m_running = false;                    // a job is being run
    bool m_workerIdle = false;
    bool m_posterWaits = false;
    bool m_flushing = false;
    bool m_closing = false;
    std::exception_ptr m_failure;
    std::thread m_thread; // last: started when the rest is ready
};
