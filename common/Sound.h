#pragma once

#include <QString>

namespace telvor {

/** What became of the latest WAV file given to Sound::playWave. */
struct WaveStatus {
    enum class Check {
        Pending,    ///< still being opened and checked
        Playable,   ///< it plays (or has played) once
        Unplayable, ///< it cannot be played at all; problem says why
    };
    Check check = Check::Pending;
    QString problem;
};

/**
 * The alarm's sound output. Nothing here waits: files are opened, decoded and played, and tones
 * are sounded, in the background, so that the windows go on flashing meanwhile.
 */
class Sound {
public:
    virtual ~Sound() = default;
    /** Starts playing a WAV file once; a second play replaces the first. */
    virtual void playWave(const QString& path) = 0;
    /** What became of the latest playWave. */
    [[nodiscard]] virtual WaveStatus waveStatus() const = 0;
    /** Sounds count tones one after the other, each of the given pitch and length. */
    virtual void startTones(int count, int frequencyHz, int durationMs) = 0;
    /** True until the tones of the latest startTones have all been played. */
    [[nodiscard]] virtual bool tonesPlaying() const = 0;
};

} // namespace telvor
