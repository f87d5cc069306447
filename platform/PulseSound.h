#pragma once

#include "platform/Sound.h"

#include <chrono>
#include <memory>

namespace telvor {

/**
 * The alarm's sound output through the desktop's sound server (PulseAudio, or PipeWire through
 * pipewire-pulse).
 *
 * A WAV file plays on a worker thread; a second file replaces the first within about 50 ms.
 * Beeps are synthesised and block the calling thread until they have been heard. Without a sound
 * server every beep still takes its duration, in silence, so that the caller's timing stays the
 * same; the outage is reported once on standard error, and so is its end.
 *
 * playWave and beep are meant for one thread (the event thread); the object must outlive no
 * call in progress.
 */
class PulseSound final : public Sound {
public:
    /**
     * @param reconnectInterval after a failed connection for beeps, beeps stay silent this long
     *        before the next attempt, so that a missing server costs one attempt per few seconds,
     *        not one per beep.
     * @param beepIdleClose the connection for beeps is kept between beeps (a signal is nine of them
     *        in a row) and closed after this long without a beep, so that the sound device can go
     *        idle between alarms.
     */
    explicit PulseSound(std::chrono::milliseconds reconnectInterval = std::chrono::seconds(5),
                        std::chrono::milliseconds beepIdleClose = std::chrono::seconds(3));
    ~PulseSound() override;

    PulseSound(const PulseSound&) = delete;
    PulseSound& operator=(const PulseSound&) = delete;

    /** Checks the file at once (a failure is one line on standard error) and plays it in the background. */
    void playWave(const QString& path) override;
    /** A sine tone; returns when it has been played, or after its duration when no server is there. */
    void beep(int frequencyHz, int durationMs) override;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace telvor
