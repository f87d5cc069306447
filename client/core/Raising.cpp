// Raising this station's alarm: the push-button on the serial line, the soft-trigger file, and
// the write of the message slot.

#include "client/core/TelvorClient.h"
#include "client/core/Timings.h"
#include "common/Cp1252.h"

#include <cerrno>

namespace telvor {

void TelvorClient::Timer3_Timer()
{
    // Timer3 ticks every second from the start, whatever else goes on: the place to notice a hang.
    m_exchange.reportHang(m_failures);
    m_reachability.watchReachability();
    tryTakeOver();
    // Until the loading is complete the station cannot tell a test press from an alarm. The
    // trigger file is the station's session's.
    if (m_awaitingExchangeDir || !isStation())
        return;

    const QString trigger = triggerFileName(m_config.stationId);
    const Probe probe = m_exchange.probe(trigger);
    m_access.noteProbe(trigger + QStringLiteral(" prüfen"), probe);
    if (probe.presence == Presence::Unknown)
        return;
    m_state.fileFound = probe.presence == Presence::Present;
    if (!m_state.fileFound) {
        m_triggerDeletePending = false;
        return;
    }
    if (!m_state.getestet) {
        m_views.buttonTest->reportPress();
        m_access.noteIo(trigger + QStringLiteral(" löschen"), m_exchange.remove(trigger));
        m_state.logtext = QStringLiteral(" Init - ") + m_config.exchangeDir + QStringLiteral("start.") + m_config.stationId;
        writeLog(m_state.logtext);
        return;
    }
    if (m_triggerDeletePending && probe.modifiedNs <= m_handledTriggerStamp) {
        // The request that was sent already, which could not be deleted; a newer one is a new alarm.
        deleteTriggerFile();
        return;
    }
    m_triggerDeletePending = false;
    raiseAlarm(AlarmSource::SoftTrigger, probe.modifiedNs);
}

void TelvorClient::raiseAlarm(AlarmSource source, qint64 triggerStamp)
{
    // A press that was under way when this session became a second one.
    if (!isStation())
        return;
    // A send that is pending counts as under way, or it would go out twice.
    if (m_state.messageSent || m_state.sendWaiting || m_state.sendNow)
        return;
    const Presence slot = m_access.probeExchange(kMessageFileName);
    if (slot != Presence::Absent) {
        // An occupied slot is waited for; one that cannot be tested now is tested again at each
        // poll, as if occupied: the alarm stays pending and never takes a slot for free.
        m_state.sendWaiting = true;
        m_state.waitTicks = kWaitPolls;
        m_pendingSource = source;
        m_pendingTriggerStamp = triggerStamp;
        return;
    }
    m_pendingTriggerStamp = triggerStamp;
    writeMessage(source);
}

int TelvorClient::pollPeriod() const
{
    return m_state.alarmShown ? kShowingPollMs : kIdlePollMs;
}

IoResult TelvorClient::writeAlarmText()
{
    const QString name = alarmTextFileName(m_config.stationId);
    const IoResult written = m_exchange.write(name, m_alarmText);
    m_access.noteIo(name + QStringLiteral(" schreiben"), written, true);
    m_alarmTextPending = !written.ok();
    return written;
}

/** Receivers delete a message whose sender has no alarm text file: it must be there before a send. */
void TelvorClient::ensureOwnAlarmText()
{
    const Probe own = m_exchange.probe(alarmTextFileName(m_config.stationId), Links::Refuse);
    if (own.presence == Presence::Unknown || (own.presence == Presence::Present && own.regularFile))
        return;
    writeAlarmText();
}

void TelvorClient::writeMessage(AlarmSource source)
{
    m_Timer1.setEnabled(false);
    if (source == AlarmSource::SoftTrigger && !m_sendRetry) {
        m_state.logtext = m_exchange.path(kMessageFileName);
        writeLog(m_state.logtext);
    }
    ensureOwnAlarmText();
    const IoResult written = m_exchange.write(kMessageFileName, encodeCp1252(m_config.stationId));
    m_access.noteIo(kMessageFileName + QStringLiteral(" schreiben"), written, true);
    if (!written.ok()) {
        // The alarm must not be lost: try again, looking at the slot first. A directory under the
        // slot's name will not go away in two seconds; it is looked at with each poll.
        m_pendingSource = source;
        m_sendRetry = true;
        m_state.sendNow = true;
        m_Timer1.setInterval(written.status == IoStatus::NotAFile ? pollPeriod() : kSendDelayMs);
        m_Timer1.setEnabled(true);
        return;
    }
    afterMessageWritten(source);
}

void TelvorClient::afterMessageWritten(AlarmSource source)
{
    m_sendRetry = false;
    if (source == AlarmSource::SoftTrigger) {
        m_handledTriggerStamp = m_pendingTriggerStamp;
        deleteTriggerFile();
        m_state.logtext = m_config.exchangeDir + QStringLiteral("start.") + m_config.stationId;
        writeLog(m_state.logtext);
    }
    m_views.alarmSent->einschalten();
    m_Timer1.setInterval(kHoldMs);
    m_state.messageSent = true;
    m_Timer1.setEnabled(true);
}

void TelvorClient::deleteTriggerFile()
{
    const QString trigger = triggerFileName(m_config.stationId);
    const IoResult removed = m_exchange.remove(trigger);
    m_access.noteIo(trigger + QStringLiteral(" löschen"), removed);
    m_triggerDeletePending = !removed.ok() && removed.status != IoStatus::NotFound;
}

/** A send whose write failed: the slot may meanwhile hold this station's message or another's. */
void TelvorClient::retrySend()
{
    const ReadResult slot = m_exchange.read(kMessageFileName);
    if (slot.ok() && decodeCp1252(slot.bytes) == m_config.stationId) {
        // The write reached the server although it was reported as failed.
        m_Timer1.setEnabled(false);
        m_access.noteIo(kMessageFileName + QStringLiteral(" schreiben"), IoResult{});
        afterMessageWritten(m_pendingSource);
        return;
    }
    if (slot.ok()) {
        m_sendRetry = false;
        m_state.sendWaiting = true;
        m_state.waitTicks = kWaitPolls;
        m_Timer1.setInterval(pollPeriod());
        return;
    }
    if (slot.status == IoStatus::NotAFile && slot.error == EISDIR) {
        // Somebody made a directory of the slot's name. An empty one is removed; any other keeps
        // the alarm pending, and it is looked at again with each poll.
        const IoResult removed = m_exchange.removeEmptyDirectory(kMessageFileName);
        if (!removed.ok() && removed.status != IoStatus::NotFound) {
            m_state.sendNow = true;
            m_Timer1.setInterval(pollPeriod());
            return;
        }
    }
    writeMessage(m_pendingSource);
}

} // namespace telvor
