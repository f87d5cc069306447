#include "client/core/AlarmSender.h"

#include "client/core/StationRole.h"
#include "client/core/Timings.h"
#include "common/Cp1252.h"

#include <cerrno>
#include <utility>

namespace telvor {

AlarmSender::AlarmSender(Exchange& exchange, ExchangeAccess& access, ClientState& state, const StationConfig& config,
                         Timer& Timer1, AlarmSentView& alarmSent, ButtonTestView& buttonTest, ClientLog& log,
                         std::function<void()> ensureOwnAlarmText, const StationRole& role)
    : m_exchange(exchange), m_access(access), m_state(state), m_config(config), m_Timer1(Timer1),
      m_alarmSent(alarmSent), m_buttonTest(buttonTest), m_log(log), m_ensureOwnAlarmText(std::move(ensureOwnAlarmText)),
      m_role(role)
{
}

void AlarmSender::watchTrigger()
{
    const QString trigger = triggerFileName(m_config.stationId);
    const Probe probe = m_exchange.probe(trigger);
    m_access.noteProbe(trigger + QStringLiteral(" prüfen"), probe);
    if (probe.presence == Presence::Unknown)
        return;
    m_state.fileFound = probe.presence == Presence::Present;
    if (!m_state.fileFound) {
        m_handledTriggerUndeleted = false;
        return;
    }
    if (!m_state.getestet) {
        m_buttonTest.reportPress();
        m_access.noteIo(trigger + QStringLiteral(" löschen"), m_exchange.remove(trigger));
        m_state.logtext =
            QStringLiteral(" Init - ") + m_config.exchangeDir + QStringLiteral("start.") + m_config.stationId;
        m_log.writeLog(m_state.logtext);
        return;
    }
    if (m_handledTriggerUndeleted && probe.modifiedNs <= m_handledTriggerStamp) {
        // The request that was sent already, which could not be deleted; a newer one is a new alarm.
        deleteTriggerFile();
        return;
    }
    m_handledTriggerUndeleted = false;
    raiseAlarm(AlarmSource::SoftTrigger, probe.modifiedNs);
}

void AlarmSender::sendNowStep()
{
    m_state.sendWaiting = false;
    m_state.sendNow = false;
    if (m_lastWriteFailed)
        retrySend();
    else
        writeMessage(m_pendingSource);
}

void AlarmSender::raiseAlarm(AlarmSource source, qint64 triggerStamp)
{
    // A press that was under way when this session became a second one.
    if (!m_role.isStation())
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

int AlarmSender::pollPeriod() const
{
    return m_state.alarmShown ? kShowingPollMs : kIdlePollMs;
}

void AlarmSender::writeMessage(AlarmSource source)
{
    m_Timer1.setEnabled(false);
    if (source == AlarmSource::SoftTrigger && !m_lastWriteFailed) {
        m_state.logtext = m_exchange.path(kMessageFileName);
        m_log.writeLog(m_state.logtext);
    }
    m_ensureOwnAlarmText();
    const IoResult written = m_exchange.write(kMessageFileName, encodeCp1252(m_config.stationId));
    m_access.noteIo(kMessageFileName + QStringLiteral(" schreiben"), written, true);
    if (!written.ok()) {
        // The alarm must not be lost: try again, looking at the slot first. A directory under the
        // slot's name will not go away in two seconds; it is looked at with each poll.
        m_pendingSource = source;
        m_lastWriteFailed = true;
        m_state.sendNow = true;
        m_Timer1.setInterval(written.status == IoStatus::NotAFile ? pollPeriod() : kSendDelayMs);
        m_Timer1.setEnabled(true);
        return;
    }
    afterMessageWritten(source);
}

void AlarmSender::afterMessageWritten(AlarmSource source)
{
    m_lastWriteFailed = false;
    if (source == AlarmSource::SoftTrigger) {
        m_handledTriggerStamp = m_pendingTriggerStamp;
        deleteTriggerFile();
        m_state.logtext = m_config.exchangeDir + QStringLiteral("start.") + m_config.stationId;
        m_log.writeLog(m_state.logtext);
    }
    m_alarmSent.einschalten();
    m_Timer1.setInterval(kHoldMs);
    m_state.messageSent = true;
    m_Timer1.setEnabled(true);
}

void AlarmSender::deleteTriggerFile()
{
    const QString trigger = triggerFileName(m_config.stationId);
    const IoResult removed = m_exchange.remove(trigger);
    m_access.noteIo(trigger + QStringLiteral(" löschen"), removed);
    m_handledTriggerUndeleted = !removed.ok() && removed.status != IoStatus::NotFound;
}

/** A send whose write failed: the slot may meanwhile hold this station's message or another's. */
void AlarmSender::retrySend()
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
        m_lastWriteFailed = false;
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

bool AlarmSender::waitingStep()
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

void AlarmSender::holdingStep()
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
    if (m_holdSlotUndeleted) {
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
        m_log.writeLog(QStringLiteral("Message - gelöscht"));
        m_alarmSent.enableOk();
    }
    endHold(!removed.ok() && removed.status != IoStatus::NotFound && removed.status != IoStatus::NotAFile);
}

void AlarmSender::endHold(bool deleteAgain)
{
    m_holdSlotUndeleted = deleteAgain;
    m_Timer1.setInterval(kIdlePollMs);
    m_state.messageSent = deleteAgain;
    m_Timer1.setEnabled(true);
}

/**
 * A slot that already holds this station's ID was left by its own hold (a crash, a quick restart):
 * it goes at the end of a hold that starts now, with no window shown.
 */
void AlarmSender::takeOverOwnSlot()
{
    const ReadResult slot = m_exchange.read(kMessageFileName);
    if (!slot.ok() || decodeCp1252(slot.bytes) != m_config.stationId)
        return;
    m_state.messageSent = true;
    m_Timer1.setInterval(kHoldMs);
}

} // namespace telvor
