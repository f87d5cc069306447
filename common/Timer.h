#pragma once

#include <QtGlobal>

#include <functional>
#include <memory>

namespace telvor {

/** Delivers periodic ticks for one Timer; made by a Scheduler. */
class TimerEngine {
public:
    virtual ~TimerEngine() = default;
    /** Starts (or restarts) ticks every intervalMs from now; intervalMs is above 0. */
    virtual void start(int intervalMs) = 0;
    virtual void stop() = 0;
};

/** Source of time for timers: Qt's event loop in the programs, virtual time in tests. */
class Scheduler {
public:
    virtual ~Scheduler() = default;
    virtual std::unique_ptr<TimerEngine> createEngine(std::function<void()> onTick) = 0;
};

/**
 * A periodic timer of the event thread. Switching it off and on or giving it another interval
 * restarts its count, so the next tick comes one full interval after the change; switching on a
 * timer that is on, or setting the interval it already has, is no change. An interval of 0 (or
 * below) delivers no ticks even while the timer is on.
 */
class Timer final {
public:
    Timer(Scheduler& scheduler, int intervalMs, bool enabled, std::function<void()> onTick = {});
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    void setOnTick(std::function<void()> onTick);
    void setEnabled(bool enabled);
    [[nodiscard]] bool isEnabled() const { return m_enabled; }
    void setInterval(int intervalMs);
    [[nodiscard]] int interval() const { return m_interval; }
    /** True while the timer is on with an interval that gives ticks. */
    [[nodiscard]] bool isTicking() const { return m_enabled && m_interval > 0; }

private:
    void rearm();
    void tick();

    std::function<void()> m_onTick;
    std::unique_ptr<TimerEngine> m_engine;
    int m_interval;
    bool m_enabled;
};

} // namespace telvor
