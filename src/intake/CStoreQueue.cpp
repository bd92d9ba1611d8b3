#include "intake/CStoreQueue.h"

#include <utility>

CStoreQueue::CStoreQueue() : m_thread([this] { Run(); }) {}

CStoreQueue::~CStoreQueue()
{
    {
        const std::lock_guard lock(m_mutex);
        m_closing = true;
    }
    m_work.notify_one();
    m_thread.join();
}

bool CStoreQueue::Full(qint64 bytes) const
{
    return m_jobs.size() >= kWaiting || (!m_jobs.empty() && m_bytes + bytes > kMaxBytes);
}

bool CStoreQueue::Roomy() const
{
    // Half of the jobs go before the reader goes on: waking it for every job would cost a
    // switch between the threads per song.
    return m_jobs.size() <= kWaiting / 2 && !Full(m_posterBytes);
}

void CStoreQueue::Post(std::function<void()> job, qint64 bytes)
{
    std::unique_lock lock(m_mutex);
    if (Full(bytes)) {
        m_posterWaits = true;
        m_posterBytes = bytes;
        m_work.notify_one(); // the jobs may be fewer than wake it
        m_room.wait(lock, [this] { return Roomy() || m_failure; });
        m_posterWaits = false;
    }
    RethrowFailure();
    m_jobs.push_back({std::move(job), bytes});
    m_bytes += bytes;
    const bool wake = m_workerIdle && m_jobs.size() >= kBatch;
    std::vector<std::function<void()>> done;
    done.swap(m_done);
    lock.unlock();
    if (wake)
        m_work.notify_one();
}

void CStoreQueue::Finish()
{
    std::unique_lock lock(m_mutex);
    m_flushing = true;
    m_work.notify_one();
    m_room.wait(lock, [this] { return (m_jobs.empty() && !m_running) || m_failure; });
    m_flushing = false;
    std::vector<std::function<void()>> done;
    done.swap(m_done);
    RethrowFailure();
}

bool CStoreQueue::Behind()
{
    const std::lock_guard lock(m_mutex);
    return m_jobs.size() >= kWaiting / 2;
}

void CStoreQueue::RethrowFailure()
{
    // Reported once: the caller that goes on gets a queue that works again.
    if (m_failure)
        std::rethrow_exception(std::exchange(m_failure, nullptr));
}

void CStoreQueue::Run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        if (m_jobs.empty()) {
            if (m_closing)
                return;
            // A few jobs are let gather before the thread wakes.
            m_workerIdle = true;
            m_work.wait(lock, [this] {
                return m_jobs.size() >= kBatch ||
                       ((m_flushing || m_closing || m_posterWaits) && !m_jobs.empty()) || m_closing;
            });
            m_workerIdle = false;
            continue;
        }
        std::function<void()> job = std::move(m_jobs.front().run);
        m_bytes -= m_jobs.front().bytes;
        m_jobs.pop_front();
        m_running = true;
        if (m_posterWaits && Roomy())
            m_room.notify_one();
        lock.unlock();
        std::exception_ptr failure;
        try {
            job();
        } catch (...) {
            failure = std::current_exception();
        }
        // What the job holds was made by the posting thread and goes there too: the
        // allocator locks the maker's heap for a free from another thread, and the reader
        // allocates all the time.
        lock.lock();
        m_done.push_back(std::move(job));
        m_running = false;
        if (failure) {
            m_failure = failure;
            m_jobs.clear();
            m_bytes = 0;
        }
        if (m_flushing || failure)
            m_room.notify_one();
    }
}
