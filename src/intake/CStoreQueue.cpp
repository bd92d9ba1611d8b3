#include "intake/CStoreQueue.h"

#include <utility>

CStoreQueue::CStoreQueue() : m_thread([this] { Run(); }) {}

CStoreQueue::~CStoreQueue()
{
    {
        const std::lock_guard lock(m_mutex);
        m_closing = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void CStoreQueue::Post(std::function<void()> job)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_jobs.size() < kWaiting || m_failure; });
    RethrowFailure();
    m_jobs.push_back(std::move(job));
    lock.unlock();
    m_changed.notify_all();
}

void CStoreQueue::Finish()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return (m_jobs.empty() && !m_running) || m_failure; });
    RethrowFailure();
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
        m_changed.wait(lock, [this] { return !m_jobs.empty() || m_closing; });
        if (m_jobs.empty())
            return;
        std::function<void()> job = std::move(m_jobs.front());
        m_jobs.pop_front();
        m_running = true;
        lock.unlock();
        std::exception_ptr failure;
        try {
            job();
        } catch (...) {
            failure = std::current_exception();
        }
        job = nullptr; // what it held goes before the next one starts
        lock.lock();
        m_running = false;
        if (failure) {
            m_failure = failure;
            m_jobs.clear();
        }
        m_changed.notify_all();
    }
}
