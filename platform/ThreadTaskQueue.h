#pragma once

#include "common/TaskQueue.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace telvor {

/** Runs the posted jobs in order on a thread of its own. */
class ThreadTaskQueue final : public TaskQueue {
public:
    ThreadTaskQueue();
    /** Runs what is still queued, then ends the thread. */
    ~ThreadTaskQueue() override;
    ThreadTaskQueue(const ThreadTaskQueue&) = delete;
    ThreadTaskQueue& operator=(const ThreadTaskQueue&) = delete;

    void post(std::function<void()> job) override;

private:
    void loop();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_jobs;
    bool m_quit = false;
    std::thread m_thread;
};

} // namespace telvor
