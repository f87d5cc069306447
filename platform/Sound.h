#pragma once

#include <QString>

namespace telvor {

/** The alarm's sound output. */
class Sound {
public:
    virtual ~Sound() = default;
    /** Starts playing a WAV file once and returns at once; a second play replaces the first. */
    virtual void playWave(const QString& path) = 0;
    /** Sounds a tone and returns when it has been played (the event thread waits meanwhile). */
    virtual void beep(int frequencyHz, int durationMs) = 0;
};

} // namespace telvor
