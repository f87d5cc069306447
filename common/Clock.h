#pragma once

#include <QDateTime>

namespace telvor {

class VirtualScheduler;

/** The time of day, injected so that tests control the dates in log lines. */
class Clock {
public:
    virtual ~Clock() = default;
    [[nodiscard]] virtual QDateTime now() const = 0;
};

class SystemClock final : public Clock {
public:
    [[nodiscard]] QDateTime now() const override { return QDateTime::currentDateTime(); }
};

/** A clock that follows a virtual scheduler from a fixed starting moment. */
class VirtualClock final : public Clock {
public:
    VirtualClock(const VirtualScheduler& scheduler, QDateTime start);
    [[nodiscard]] QDateTime now() const override;

private:
    const VirtualScheduler& m_scheduler;
    QDateTime m_start;
};

} // namespace telvor
