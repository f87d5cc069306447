#pragma once

#include "client/core/ClientLog.h"
#include "client/core/ClientState.h"
#include "client/core/StationConfig.h"
#include "common/FailureReporter.h"
#include "common/Sound.h"
#include "common/Timer.h"

namespace telvor {

/**
 * The acoustic signal of a received alarm: the station's WAV file once, or three rounds of three
 * tones from Timer2; a WAV file found unplayable gives the tones instead of silence.
 */
class AlarmSignal final {
public:
    AlarmSignal(Sound& sound, Timer& Timer2, ClientState& state, const StationConfig& config, FailureReporter& failures,
                ClientLog& log);

    /** The signal of an alarm just shown: the signal file, or the beeps when there is none. */
    void giveSignal();
    /** One round of tones per tick, counted once played; first the verdict on the signal file. */
    void Timer2_Timer();

private:
    void startBeeps();

    Sound& m_sound;
    Timer& m_Timer2;
    ClientState& m_state;
    const StationConfig& m_config;
    FailureReporter& m_failures;
    ClientLog& m_log;

    bool m_roundStarted = false; ///< Timer2 started a round of tones that has not been counted
    bool m_waveChecking = false; ///< the signal file is being opened; Timer2 waits for the verdict
    int m_waveCheckTicks = 0;    ///< Timer2 ticks spent waiting for it
};

} // namespace telvor
