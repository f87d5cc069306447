// The polling machine of Timer1 (deferred send, waiting for the slot, hold end, polling) and
// what a receiving station does with an alarm.

#include "client/core/TelvorClient.h"
#include "common/Cp1252.h"
#include "common/ExchangeNames.h"

namespace telvor {
namespace {

constexpr int kLongestId = 64;

/** An ID that would name a file outside the exchange directory, or no sane station. */
bool isUnsafeId(const QString& id)
{
    return id.size() > kLongestId || id.contains(QLatin1Char('/')) || id.contains(QStringLiteral(".."));
}

} // namespace

void TelvorClient::Timer1_Timer()
{
    if (m_awaitingExchangeDir)
        resumeLoadIfExchangeDirAppeared();

    if (m_state.sendNow) {
        m_state.sendWaiting = false;
        m_state.sendNow = false;
        if (m_sendRetry)
            retrySend();
        else
            writeMessage(m_pendingSource);
        return;
    }

    if (m_state.sendWaiting) {
        m_state.waitTicks = static_cast<qint16>(m_state.waitTicks - 1);
        checkExchange(kMessageFileName);
        if (!m_state.fileFound) {
            m_state.sendNow = true;
            m_state.sendWaiting = false;
            m_Timer1.setInterval(2000);
            m_state.waitTicks = 0;
            return;
        }
        if (m_state.waitTicks == 0) {
            // Stale: its sender never cleared it.
            removeExchangeFile(kMessageFileName, false);
            m_state.sendNow = true;
            m_state.sendWaiting = false;
            m_Timer1.setInterval(2000);
        }
    }

    if (m_state.messageSent) {
        holdEnd();
        return;
    }

    if (m_config.alarmempf != QLatin1String("1")) {
        checkExchange(kMessageFileName);
        if (!m_state.alarmShown && m_state.fileFound) {
            m_Timer1.setInterval(500);
            showAlarm();
        }
        if (m_state.alarmShown && !m_state.fileFound) {
            m_state.alarmShown = false;
            m_Timer1.setInterval(5000);
        }
    }
}

void TelvorClient::holdEnd()
{
    m_Timer1.setEnabled(false);
    checkExchange(kMessageFileName);
    bool deleteFailed = false;
    if (m_state.fileFound) {
        // A retry leaves the slot alone once it holds another station's message.
        bool ours = true;
        if (m_holdEndRetry) {
            const ReadResult slot = readExchangeFile(kMessageFileName);
            ours = !slot.ok() || decodeCp1252(slot.bytes) == m_config.stationId;
            if (slot.status == IoStatus::NotFound)
                ours = false;
        }
        if (ours) {
            // Only a delete that removed the message counts: one that found it gone deleted nothing.
            const IoStatus removed = removeExchangeFile(kMessageFileName, false);
            if (removed == IoStatus::Ok) {
                writeLog(QStringLiteral("Message - gelöscht"));
                m_views.alarmSent->enableOk();
            }
            deleteFailed = removed == IoStatus::Failed;
        }
    }
    m_holdEndRetry = deleteFailed;
    m_Timer1.setInterval(5000);
    m_state.messageSent = deleteFailed;
    m_Timer1.setEnabled(true);
}

/** Leaves a slot that could not be read for the next poll, as if it had not been seen. */
void TelvorClient::leaveSlotForNextPoll()
{
    m_state.alarmShown = false;
    m_Timer1.setInterval(5000);
}

void TelvorClient::showAlarm()
{
    m_state.alarmShown = true;

    const ReadResult slot = readExchangeFile(kMessageFileName);
    noteIo(kMessageFileName + QStringLiteral(" lesen"), slot);
    if (slot.status == IoStatus::NotFound) {
        // Removed by its sender between the test and the read.
        m_state.fileFound = false;
        return;
    }
    if (!slot.ok() || slot.bytes.isEmpty()) {
        // Unreadable for now, or its writer has not written it yet: never delete a live alarm.
        leaveSlotForNextPoll();
        return;
    }
    const QString id = decodeCp1252(slot.bytes);
    const QString textFile = alarmTextFileName(id);
    // The read itself tells whether the sender has an alarm text: one look at the share, not two.
    ReadResult text;
    if (isUnsafeId(id))
        text.status = IoStatus::NotFound;
    else
        text = readExchangeFile(textFile);
    m_state.fileFound = text.status != IoStatus::NotFound;
    if (!m_state.fileFound) {
        removeExchangeFile(kMessageFileName, true);
        return;
    }
    noteIo(textFile + QStringLiteral(" lesen"), text);
    if (!text.ok()) {
        leaveSlotForNextPoll();
        return;
    }
    m_views.alarm->Alarm(decodeCp1252(text.bytes));

    const QString& signal = m_config.signalFile;
    if (!signal.isEmpty() && signal != QLatin1String("kein")) {
        writeLog(signal);
        m_services.sound.playWave(signal);
    } else {
        m_state.beepRounds = 3;
        m_Timer2.setEnabled(true);
    }
}

void TelvorClient::Timer2_Timer()
{
    for (int tone = 0; tone < 3; ++tone)
        m_services.sound.beep(2000, 300);
    m_state.beepRounds = static_cast<qint16>(m_state.beepRounds - 1);
    if (m_state.beepRounds == 0)
        m_Timer2.setEnabled(false);
}

} // namespace telvor
