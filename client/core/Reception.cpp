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
        m_receiver.pollStep();
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

} // namespace telvor
