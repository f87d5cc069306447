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
    m_signal.giveSignal();
}

} // namespace telvor
