#include "client/core/AlarmSignal.h"

#include "client/core/Timings.h"

namespace telvor {

AlarmSignal::AlarmSignal(Sound& sound, Timer& Timer2, ClientState& state, const StationConfig& config,
                         FailureReporter& failures, ClientLog& log)
    : m_sound(sound), m_Timer2(Timer2), m_state(state), m_config(config), m_failures(failures), m_log(log)
{
}

void AlarmSignal::giveSignal()
{
    const QString& signalFile = m_config.signalFile;
    if (signalFile.isEmpty() || signalFile == QLatin1String("kein")) {
        startBeeps();
        return;
    }
    m_log.writeLog(signalFile);
    m_sound.playWave(signalFile);
    // Whether the file can be played is found out in the background; Timer2 waits for the answer
    // and gives the beeps instead of silence.
    m_waveChecking = true;
    m_waveCheckTicks = 0;
    m_Timer2.setEnabled(true);
}

void AlarmSignal::startBeeps()
{
    m_state.beepRounds = kBeepRounds;
    // A round that is being played belongs to an earlier alarm: this one gets three whole rounds.
    m_roundStarted = false;
    m_Timer2.setEnabled(true);
}

void AlarmSignal::Timer2_Timer()
{
    if (m_waveChecking) {
        WaveStatus wave = m_sound.waveStatus();
        if (wave.check == WaveStatus::Check::Pending) {
            // A signal file on a share that does not answer must not leave the alarm silent.
            if (++m_waveCheckTicks * kBeepTickMs < kWaveCheckLimitMs)
                return;
            wave = WaveStatus{WaveStatus::Check::Unplayable, QStringLiteral("keine Antwort")};
        }
        m_waveChecking = false;
        const QString key = QStringLiteral("Signaldatei %1 abspielen").arg(m_config.signalFile);
        if (wave.check == WaveStatus::Check::Playable) {
            m_failures.succeeded(key);
            if (m_state.beepRounds <= 0)
                m_Timer2.setEnabled(false);
            return;
        }
        m_failures.failed(key, wave.problem);
        startBeeps();
    }
    // Each tick plays one round of three tones; the next tick that finds the round played counts
    // it, so the tones sound as if the tick waited for them, while the windows go on flashing.
    if (m_sound.tonesPlaying())
        return;
    if (m_roundStarted) {
        m_roundStarted = false;
        m_state.beepRounds = static_cast<qint16>(m_state.beepRounds - 1);
        if (m_state.beepRounds <= 0) {
            m_Timer2.setEnabled(false);
            return;
        }
    }
    m_sound.startTones(kTonesPerRound, kToneHz, kToneMs);
    m_roundStarted = true;
}

} // namespace telvor
