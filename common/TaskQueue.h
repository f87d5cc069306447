#pragma once

#include <functional>

namespace telvor {

/**
 * Runs jobs one after the other in the order posted, away from the caller: a write to a
 * per-user directory on a hung network home must not stop the windows.
 */
class TaskQueue {
public:
    virtual ~TaskQueue() = default;
    virtual void post(std::function<void()> job) = 0;
};

/** Runs each job at once on the calling thread (tests, and programs that make one pass). */
class InlineTaskQueue final : public TaskQueue {
public:
    void post(std::function<void()> job) override { job(); }
};

} // namespace telvor
