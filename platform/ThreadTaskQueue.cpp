#include "platform/ThreadTaskQueue.h"

#include <utility>

namespace telvor {

ThreadTaskQueue::ThreadTaskQueue() : m_thread([this] { loop(); })
{
}

ThreadTaskQueue::~ThreadTaskQueue()
{
    {
        const std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void ThreadTaskQueue::post(std::function<void()> job)
{
    {
        const std::lock_guard lock(m_mutex);
        m_jobs.push_back(std::move(job));
    }
    m_wake.notify_all();
}

void ThreadTaskQueue::loop()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_quit || !m_jobs.empty(); });
        if (m_jobs.empty())
            return; // asked to quit with nothing left to do
        std::function<void()> job = std::move(m_jobs.front());
        m_jobs.pop_front();
        lock.unlock();
        job();
        lock.lock();
    }
}

} // namespace telvor
