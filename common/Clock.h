#pragma once

#include <QDateTime>

namespace telvor {

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

} // namespace telvor
