#pragma once

#include "common/Timer.h"

namespace telvor {

/** Timers on Qt's event loop; a tick that falls due while the thread is busy comes once afterwards. */
class QtScheduler final : public Scheduler {
public:
    std::unique_ptr<TimerEngine> createEngine(std::function<void()> onTick) override;
};

} // namespace telvor
