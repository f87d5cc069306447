#pragma once

#include "common/Clock.h"

#include <QDateTime>

namespace telvor {

class VirtualScheduler;

/** A clock that follows a virtual scheduler from a fixed starting moment. */
class VirtualClock final : public Clock {
public:
    VirtualClock(const VirtualScheduler& scheduler, QDateTime start);
    QDateTime now() const override;

private:
    const VirtualScheduler& m_scheduler;
    QDateTime m_start;
};

} // namespace telvor
