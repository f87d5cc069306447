#include "common/QtScheduler.h"

#include <QTimer>

#include <utility>

namespace telvor {
namespace {

class QtTimerEngine final : public TimerEngine {
public:
    explicit QtTimerEngine(std::function<void()> onTick)
    {
        // Precise: the protocol's timings (500 ms polls, 15 s holds) must not drift by 5 %.
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, std::move(onTick));
    }
    void start(int intervalMs) override { m_timer.start(intervalMs); }
    void stop() override { m_timer.stop(); }

private:
    QTimer m_timer;
};

} // namespace

std::unique_ptr<TimerEngine> QtScheduler::createEngine(std::function<void()> onTick)
{
    return std::make_unique<QtTimerEngine>(std::move(onTick));
}

} // namespace telvor
