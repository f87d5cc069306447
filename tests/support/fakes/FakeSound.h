#pragma once

#include "common/VirtualScheduler.h"
#include "platform/Sound.h"

#include <QStringList>

namespace telvor::test {

/** Records what would sound; a beep keeps the event thread busy for its duration in virtual time. */
class FakeSound final : public Sound {
public:
    explicit FakeSound(VirtualScheduler& scheduler) : m_scheduler(scheduler) {}
    void playWave(const QString& path) override { waves.append(path); }
    void beep(int frequencyHz, int durationMs) override;

    struct Tone {
        int frequencyHz;
        int durationMs;
        qint64 startedAt;
    };
    QStringList waves;
    QList<Tone> tones;

private:
    VirtualScheduler& m_scheduler;
};

} // namespace telvor::test
