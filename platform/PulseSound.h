#pragma once

#include "common/Sound.h"

#include <chrono>
#include <memory>

namespace telvor {

/**
 * The alarm's sound output through the desktop's sound server (PulseAudio, or PipeWire through
 * pipewire-pulse).
 *
 * Two worker threads do all the work, so that no call waits for the file system or the server:
 * one opens, checks and plays WAV files (a second file replaces the first within about 50 ms),
 * the other sounds the tones one after the other, each counted as done only once it has been
 * played. They are separate so that tones still sound while a file on a hung share is being
 * opened. Without a sound server every tone still takes its duration, in silence, so that the
 * caller's rhythm stays the same; the outage is reported once on standard error, and so is its
 * end. A file that cannot be played is not reported here: waveStatus() tells the caller.
 *
 * The calls may come from any thread. The destructor stops what is playing; it waits for a file
 * open in progress, so a program that must not wait for a hung share ends with _exit.
 */
class PulseSound final : public Sound {
public:
    /**
     * @param reconnectInterval after a failed connection for tones, tones stay silent this long
     *        before the next attempt, so that a missing server costs one attempt per few seconds,
     *        not one per tone.
     * @param toneIdleClose the connection for tones is kept between tones (a signal is nine of them
     *        in a row) and closed after this long without a tone, so that the sound device can go
     *        idle between alarms.
     */
    explicit PulseSound(std::chrono::milliseconds reconnectInterval = std::chrono::seconds(5),
                        std::chrono::milliseconds toneIdleClose = std::chrono::seconds(3));
    ~PulseSound() override;

    PulseSound(const PulseSound&) = delete;
    PulseSound& operator=(const PulseSound&) = delete;

    void playWave(const QString& path) override;
    [[nodiscard]] WaveStatus waveStatus() const override;
    /** Tones of a call made while others still sound are played after them. */
    void startTones(int count, int frequencyHz, int durationMs) override;
    [[nodiscard]] bool tonesPlaying() const override;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace telvor
