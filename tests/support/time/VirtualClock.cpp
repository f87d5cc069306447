#include "tests/support/time/VirtualClock.h"

#include "tests/support/time/VirtualScheduler.h"

#include <utility>

namespace telvor {

VirtualClock::VirtualClock(const VirtualScheduler& scheduler, QDateTime start)
    : m_scheduler(scheduler), m_start(std::move(start))
{
}

QDateTime VirtualClock::now() const
{
    return m_start.addMSecs(m_scheduler.now());
}

} // namespace telvor
