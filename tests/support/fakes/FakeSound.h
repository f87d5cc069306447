#pragma once

#include "common/Sound.h"
#include "tests/support/time/VirtualScheduler.h"

#include <QList>
#include <QStringList>

namespace telvor::test {

/** Records what would sound; tones play one after the other in virtual time. */
class FakeSound final : public Sound {
public:
    explicit FakeSound(const VirtualScheduler& scheduler) : m_scheduler(scheduler) {}
    void playWave(const QString& path) override { waves.append(path); }
    WaveStatus waveStatus() const override { return wave; }
    void startTones(int count, int frequencyHz, int durationMs) override;
    bool tonesPlaying() const override { return m_scheduler.now() < m_tonesEnd; }

    struct Tone {
        int frequencyHz;
        int durationMs;
        qint64 startedAt;
    };
    QStringList waves;
    QList<Tone> tones;
    /** What every playWave comes to. */
    WaveStatus wave{WaveStatus::Check::Playable, {}};

private:
    const VirtualScheduler& m_scheduler;
    qint64 m_tonesEnd = 0;
};

} // namespace telvor::test
