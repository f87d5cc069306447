#include "tests/support/time/VirtualScheduler.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace telvor {

class VirtualEngine final : public TimerEngine {
public:
    VirtualEngine(VirtualScheduler& scheduler, std::function<void()> onTick) : m_scheduler(scheduler)
    {
        m_entry.onTick = std::move(onTick);
        m_scheduler.m_entries.push_back(&m_entry);
    }
    ~VirtualEngine() override { std::erase(m_scheduler.m_entries, &m_entry); }

    void start(int intervalMs) override
    {
        m_entry.interval = intervalMs;
        m_entry.active = true;
        m_entry.due = m_scheduler.m_now + intervalMs;
        m_entry.order = m_scheduler.m_nextOrder++;
    }
    void stop() override { m_entry.active = false; }

private:
    VirtualScheduler& m_scheduler;
    VirtualScheduler::Entry m_entry;
};

VirtualScheduler::~VirtualScheduler() = default;

std::unique_ptr<TimerEngine> VirtualScheduler::createEngine(std::function<void()> onTick)
{
    return std::make_unique<VirtualEngine>(*this, std::move(onTick));
}

VirtualScheduler::Entry* VirtualScheduler::nextDue(qint64 limit)
{
    Entry* best = nullptr;
    for (Entry* entry : m_entries) {
        if (!entry->active || entry->due > limit)
            continue;
        if (!best || entry->due < best->due || (entry->due == best->due && entry->order < best->order))
            best = entry;
    }
    return best;
}

void VirtualScheduler::advance(qint64 ms)
{
    Q_ASSERT_X(!m_delivering, "VirtualScheduler::advance", "called from inside a tick");
    const qint64 target = m_now + ms;
    m_delivering = true;
    while (Entry* entry = nextDue(std::max(target, m_now))) {
        m_now = std::max(m_now, entry->due);
        // The next tick is one interval after this one; a tick overdue because the thread was
        // blocked is delivered once and the count starts again from now.
        entry->due += entry->interval;
        if (entry->due <= m_now)
            entry->due = m_now + entry->interval;
        entry->order = m_nextOrder++;
        std::function<void()> onTick = entry->onTick; // the handler may destroy its timer
        onTick();
    }
    m_now = std::max(m_now, target);
    m_delivering = false;
}

void VirtualScheduler::block(qint64 ms)
{
    m_now += ms;
}

qint64 VirtualScheduler::untilNextTick() const
{
    qint64 best = std::numeric_limits<qint64>::max();
    for (const Entry* entry : m_entries)
        if (entry->active)
            best = std::min(best, entry->due - m_now);
    return best == std::numeric_limits<qint64>::max() ? -1 : std::max<qint64>(best, 0);
}

} // namespace telvor
