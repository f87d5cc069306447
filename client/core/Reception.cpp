// The polling machine of Timer1 (deferred send, waiting for the slot, hold end, polling) and
// what a receiving station does with an alarm.

#include "client/core/TelvorClient.h"
#include "client/core/Timings.h"
#include "common/Cp1252.h"

#include <cerrno>

namespace telvor {

void TelvorClient::Timer1_Timer()
{
    if (m_awaitingExchangeDir) {
        resumeLoadIfExchangeDirAppeared();
        // Nothing can be sent to or read from a directory that is not there.
        if (m_awaitingExchangeDir)
            return;
    }
    protocolStep();
    // After the protocol's own calls: a write that the share keeps refusing must never cost a poll.
    if (m_alarmTextPending && isStation())
        writeAlarmText();
}

void TelvorClient::protocolStep()
{
    // A second session sends nothing: an alarm that was pending when it became one waits for its take-over.
    if (m_state.sendNow && isStation()) {
        m_state.sendWaiting = false;
        m_state.sendNow = false;
        if (m_sendRetry)
            retrySend();
        else
            writeMessage(m_pendingSource);
        return;
    }
    if (m_state.sendWaiting && isStation() && !waitingStep())
        return;
    if (m_state.messageSent) {
        holdEnd();
        return;
    }
    if (m_config.alarmempf != QLatin1String("1"))
        pollStep();
}

/** One poll of a station waiting for the slot; false when the tick ends here. */
bool TelvorClient::waitingStep()
{
    // A slot that cannot be tested is neither free nor stale: this poll does not count.
    if (m_access.probeExchange(kMessageFileName) == Presence::Unknown)
        return false;
    m_state.waitTicks = static_cast<qint16>(m_state.waitTicks - 1);
    if (!m_state.fileFound) {
        m_state.sendNow = true;
        m_state.sendWaiting = false;
        m_Timer1.setInterval(kSendDelayMs);
        m_state.waitTicks = 0;
        return false;
    }
    if (m_state.waitTicks != 0)
        return true;

    // Stale: its sender never cleared it.
    IoResult removed = m_exchange.remove(kMessageFileName);
    if (removed.status == IoStatus::NotAFile && removed.error == EISDIR)
        removed = m_exchange.removeEmptyDirectory(kMessageFileName);
    m_access.noteIo(kMessageFileName + QStringLiteral(" löschen"), removed);
    if (!removed.ok() && removed.status != IoStatus::NotFound) {
        // Held open by a reader, refused, or no answer: the last poll of the wait comes again.
        m_state.waitTicks = 1;
        return false;
    }
    m_state.sendNow = true;
    m_state.sendWaiting = false;
    m_Timer1.setInterval(kSendDelayMs);
    return true;
}

void TelvorClient::holdEnd()
{
    m_Timer1.setEnabled(false);
    const Presence slot = m_access.probeExchange(kMessageFileName);
    if (slot == Presence::Unknown) {
        endHold(true);
        return;
    }
    if (slot == Presence::Absent) {
        endHold(false);
        return;
    }
    if (m_holdEndRetry) {
        // A retry leaves the slot alone once it holds another station's message.
        const ReadResult content = m_exchange.read(kMessageFileName);
        const bool foreign = content.status == IoStatus::NotFound || content.status == IoStatus::NotAFile ||
                             (content.ok() && decodeCp1252(content.bytes) != m_config.stationId);
        if (foreign) {
            endHold(false);
            return;
        }
    }
    const IoResult removed = m_exchange.remove(kMessageFileName);
    m_access.noteIo(kMessageFileName + QStringLiteral(" löschen"), removed);
    if (removed.ok()) {
        // Only a delete that removed the message counts: one that found it gone deleted nothing.
        writeLog(QStringLiteral("Message - gelöscht"));
        m_views.alarmSent->enableOk();
    }
    endHold(!removed.ok() && removed.status != IoStatus::NotFound && removed.status != IoStatus::NotAFile);
}

/** The hold is over, or (keep) its slot could not be cleared yet and is tried again at the next poll. */
void TelvorClient::endHold(bool keep)
{
    m_holdEndRetry = keep;
    m_Timer1.setInterval(kIdlePollMs);
    m_state.messageSent = keep;
    m_Timer1.setEnabled(true);
}

void TelvorClient::pollStep()
{
    const int intervalBefore = m_Timer1.interval();
    // A failed test says nothing: a shown alarm stays shown, an unseen one is looked for again.
    if (m_access.probeExchange(kMessageFileName) == Presence::Unknown)
        return;
    if (!m_state.alarmShown && m_state.fileFound) {
        m_Timer1.setInterval(kShowingPollMs);
        showAlarm(intervalBefore);
    }
    if (m_state.alarmShown && !m_state.fileFound) {
        m_state.alarmShown = false;
        m_Timer1.setInterval(kIdlePollMs);
    }
}

void TelvorClient::showAlarm(int intervalBefore)
{
    m_state.alarmShown = true;

    const SlotDecision decision = m_exchange.lookAtSlot();
    if (decision.action != SlotDecision::Action::Leave && decision.action != SlotDecision::Action::RemoveDirectory)
        m_failures.succeeded(kMessageFileName + QStringLiteral(" lesen"));
    if (decision.action == SlotDecision::Action::Show || decision.action == SlotDecision::Action::Remove)
        m_failures.succeeded(alarmTextFileName(decision.sender) + QStringLiteral(" lesen"));

    const auto leaveForNextPoll = [this, intervalBefore] {
        m_state.alarmShown = false;
        m_Timer1.setInterval(intervalBefore);
    };
    // A second session's own station ID in the slot is an alarm raised at this desk, in the
    // station's session: shown here it would no longer be silent, and its slot is that session's.
    if (!isStation() && decision.sender == m_config.stationId && decision.action != SlotDecision::Action::Absent) {
        leaveForNextPoll();
        return;
    }
    switch (decision.action) {
    case SlotDecision::Action::Absent:
        // Removed by its sender between the test and the read.
        m_state.fileFound = false;
        return;
    case SlotDecision::Action::Leave:
        // Unreadable for now, being written, or its alarm text is no file: never delete a live alarm.
        if (!decision.problem.isEmpty())
            m_failures.failed(decision.problemFile + QStringLiteral(" lesen"), decision.problem);
        leaveForNextPoll();
        return;
    case SlotDecision::Action::RemoveDirectory: {
        // An empty directory under the slot's name would keep every station of the site from sending.
        const IoResult removed = m_exchange.removeEmptyDirectory(kMessageFileName);
        if (removed.ok() || removed.status == IoStatus::NotFound) {
            m_failures.succeeded(kMessageFileName + QStringLiteral(" lesen"));
            m_state.fileFound = false;
        } else {
            m_failures.failed(kMessageFileName + QStringLiteral(" lesen"),
                              QStringLiteral("ist ein Verzeichnis, das sich nicht entfernen lässt: %1")
                                  .arg(removed.errorText()));
            leaveForNextPoll();
        }
        return;
    }
    case SlotDecision::Action::Remove:
        m_access.noteIo(kMessageFileName + QStringLiteral(" löschen"), m_exchange.forceRemove(kMessageFileName));
        m_state.fileFound = false;
        return;
    case SlotDecision::Action::ReadText:
    case SlotDecision::Action::Show:
        break;
    }
    m_views.alarm->Alarm(decision.text, m_config.fullScreen);
    giveSignal();
}

void TelvorClient::giveSignal()
{
    const QString& signalFile = m_config.signalFile;
    if (signalFile.isEmpty() || signalFile == QLatin1String("kein")) {
        startBeeps();
        return;
    }
    writeLog(signalFile);
    m_services.sound.playWave(signalFile);
    // Whether the file can be played is found out in the background; Timer2 waits for the answer
    // and gives the beeps instead of silence.
    m_waveChecking = true;
    m_waveCheckTicks = 0;
    m_Timer2.setEnabled(true);
}

void TelvorClient::startBeeps()
{
    m_state.beepRounds = kBeepRounds;
    // A round that is being played belongs to an earlier alarm: this one gets three whole rounds.
    m_roundStarted = false;
    m_Timer2.setEnabled(true);
}

void TelvorClient::Timer2_Timer()
{
    if (m_waveChecking) {
        WaveStatus wave = m_services.sound.waveStatus();
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
    if (m_services.sound.tonesPlaying())
        return;
    if (m_roundStarted) {
        m_roundStarted = false;
        m_state.beepRounds = static_cast<qint16>(m_state.beepRounds - 1);
        if (m_state.beepRounds <= 0) {
            m_Timer2.setEnabled(false);
            return;
        }
    }
    m_services.sound.startTones(kTonesPerRound, kToneHz, kToneMs);
    m_roundStarted = true;
}

} // namespace telvor
