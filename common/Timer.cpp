#include "common/Timer.h"

#include <utility>

namespace telvor {

Timer::Timer(Scheduler& scheduler, int intervalMs, bool enabled, std::function<void()> onTick)
    : m_onTick(std::move(onTick)), m_engine(scheduler.createEngine([this] { tick(); })), m_interval(intervalMs),
      m_enabled(enabled)
{
    rearm();
}

void Timer::setOnTick(std::function<void()> onTick)
{
    m_onTick = std::move(onTick);
}

void Timer::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    rearm();
}

void Timer::setInterval(int intervalMs)
{
    if (intervalMs == m_interval)
        return;
    m_interval = intervalMs;
    rearm();
}

void Timer::rearm()
{
    if (isTicking())
        m_engine->start(m_interval);
    else
        m_engine->stop();
}

void Timer::tick()
{
    if (!isTicking() || !m_onTick)
        return;
    // A handler may destroy its own timer (and with it m_onTick); it must run from a copy.
    const std::function<void()> handler = m_onTick;
    handler();
}

} // namespace telvor
