// Raising this station's alarm: the push-button on the serial line, the soft-trigger file, and
// the write of the message slot.

#include "client/core/TelvorClient.h"
#include "common/Cp1252.h"
#include "common/ExchangeNames.h"

namespace telvor {

void TelvorClient::MSComm1_OnComm(const SerialEvent& event)
{
    if (!m_state.initialisierung)
        return;
    if (!m_state.getestet) {
        // Pressing and releasing each count as the test press.
        m_views.buttonTest->reportPress();
        writeLog(QStringLiteral("Test des Tasters ") + debounceText());
        return;
    }
    if (event.dsr && !m_state.dsrArmed) {
        m_state.dsrArmed = true;
        // With no debounce time there is no minimum hold: the release alone raises the alarm.
        m_state.debounceRunning = m_config.entprellzeit != 0;
        m_entprell.setEnabled(true);
        writeLog(QStringLiteral("DSR gesetzt") + debounceText());
        return;
    }
    if (!event.dsr && m_state.dsrArmed && !m_state.debounceRunning) {
        writeLog(QStringLiteral("Alarm gesetzt") + debounceText());
        m_state.dsrArmed = false;
        m_entprell.setEnabled(false);
        m_state.debounceRunning = false;
        raiseAlarm(AlarmSource::PushButton);
        return;
    }
    // Released too early, another event while held, or an event while released.
    m_entprell.setEnabled(false);
    m_state.dsrArmed = false;
    m_state.debounceRunning = false;
}

void TelvorClient::entprell_Timer()
{
    m_state.debounceRunning = false;
    m_entprell.setEnabled(false);
}

void TelvorClient::Timer3_Timer()
{
    if (m_triggerDeletePending)
        deleteTriggerFile();

    const QString trigger = triggerFileName(m_config.stationId);
    checkExchange(trigger);
    if (!m_state.fileFound)
        return;
    if (!m_state.getestet) {
        m_views.buttonTest->reportPress();
        removeExchangeFile(trigger, false);
        m_state.logtext = QStringLiteral(" Init - ") + m_config.exchangeDir + QStringLiteral("start.") + m_config.stationId;
        writeLog(m_state.logtext);
        return;
    }
    if (m_triggerDeletePending)
        return; // already sent for this file; only its removal is outstanding
    raiseAlarm(AlarmSource::SoftTrigger);
}

void TelvorClient::raiseAlarm(AlarmSource source)
{
    // A send that is pending counts as under way, or it would go out twice.
    if (m_state.messageSent || m_state.sendWaiting || m_state.sendNow)
        return;
    checkExchange(kMessageFileName);
    if (m_state.fileFound) {
        m_state.sendWaiting = true;
        m_state.waitTicks = 16;
        m_pendingSource = source;
        return;
    }
    writeMessage(source);
}

void TelvorClient::writeMessage(AlarmSource source)
{
    m_Timer1.setEnabled(false);
    if (source == AlarmSource::SoftTrigger && !m_sendRetry) {
        m_state.logtext = exchangePath(kMessageFileName);
        writeLog(m_state.logtext);
    }
    const IoResult written = writeFileAtomic(exchangePath(kMessageFileName), encodeCp1252(m_config.stationId));
    noteIo(kMessageFileName + QStringLiteral(" schreiben"), written, true);
    if (!written.ok()) {
        // The alarm must not be lost: try again in two seconds, looking at the slot first.
        m_pendingSource = source;
        m_sendRetry = true;
        m_state.sendNow = true;
        m_Timer1.setInterval(2000);
        m_Timer1.setEnabled(true);
        return;
    }
    afterMessageWritten(source);
}

void TelvorClient::afterMessageWritten(AlarmSource source)
{
    m_sendRetry = false;
    if (source == AlarmSource::SoftTrigger) {
        m_triggerDeletePending = true;
        deleteTriggerFile();
        m_state.logtext = m_config.exchangeDir + QStringLiteral("start.") + m_config.stationId;
        writeLog(m_state.logtext);
    }
    m_views.alarmSent->einschalten();
    m_Timer1.setInterval(15000);
    m_state.messageSent = true;
    m_Timer1.setEnabled(true);
}

void TelvorClient::deleteTriggerFile()
{
    if (removeExchangeFile(triggerFileName(m_config.stationId), false) != IoStatus::Failed)
        m_triggerDeletePending = false;
}

/** A send whose write failed: the slot may meanwhile hold this station's message or another's. */
void TelvorClient::retrySend()
{
    const ReadResult slot = readExchangeFile(kMessageFileName);
    if (slot.ok() && decodeCp1252(slot.bytes) == m_config.stationId) {
        // The write reached the server although it was reported as failed.
        m_Timer1.setEnabled(false);
        noteIo(kMessageFileName + QStringLiteral(" schreiben"), IoResult{});
        afterMessageWritten(m_pendingSource);
        return;
    }
    if (slot.ok()) {
        m_sendRetry = false;
        m_state.sendWaiting = true;
        m_state.waitTicks = 16;
        m_Timer1.setInterval(m_state.alarmShown ? 500 : 5000);
        return;
    }
    writeMessage(m_pendingSource);
}

} // namespace telvor
