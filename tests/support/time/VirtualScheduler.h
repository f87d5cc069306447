#pragma once

#include "common/Timer.h"

#include <cstdint>
#include <vector>

namespace telvor {

/**
 * Virtual time for tests: nothing happens until advance() is called, which delivers every tick
 * that falls due, in the order of their due times, on the calling thread. A handler that models
 * a blocking call (a beep) calls block(); ticks that fall due meanwhile come once afterwards,
 * never as a burst, as on the real event loop.
 */
class VirtualScheduler final : public Scheduler {
public:
    VirtualScheduler() = default;
    VirtualScheduler(const VirtualScheduler&) = delete;
    VirtualScheduler& operator=(const VirtualScheduler&) = delete;
    ~VirtualScheduler() override;

    std::unique_ptr<TimerEngine> createEngine(std::function<void()> onTick) override;

    /** Milliseconds of virtual time since the scheduler was made. */
    [[nodiscard]] qint64 now() const { return m_now; }
    /** Lets ms of time pass, delivering each tick at its due time. */
    void advance(qint64 ms);
    /** Lets ms of time pass while the event thread is busy: no tick is delivered during it. */
    void block(qint64 ms);
    /** Time until the next due tick, or -1 when no timer is ticking. */
    [[nodiscard]] qint64 untilNextTick() const;

private:
    friend class VirtualEngine;
    struct Entry {
        std::function<void()> onTick;
        int interval = 0;
        bool active = false;
        qint64 due = 0;
        std::uint64_t order = 0;
    };
    Entry* nextDue(qint64 limit);

    std::vector<Entry*> m_entries;
    qint64 m_now = 0;
    std::uint64_t m_nextOrder = 0;
    bool m_delivering = false;
};

} // namespace telvor
