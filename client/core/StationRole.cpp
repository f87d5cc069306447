// One station ID, several sessions on one machine (fast user switching, remote sessions): the
// first client of the ID is the machine's station; a client of the same ID in another session
// receives and shows alarms and leaves the push-button, the trigger file, the alarm-text file and
// the slot to the first, until the first ends and it takes over.

#include "client/core/TelvorClient.h"
#include "common/StationLock.h"

namespace telvor {

void TelvorClient::decideRole()
{
    const QString& id = m_config.stationId;
    if (m_stationLock && m_stationLock->stationId() == id)
        return;
    m_secondary = false;
    if (m_services.stationLockDirectory.isEmpty())
        return;
    // Replacing the lock of the old ID leaves that one to whoever waits for it.
    m_stationLock = std::make_unique<StationLock>(m_services.stationLockDirectory, id);
    switch (m_stationLock->tryLock()) {
    case StationLock::Outcome::Held:
        return;
    case StationLock::Outcome::Busy:
        becomeSecondary();
        return;
    case StationLock::Outcome::Failed:
        reportLockProblem();
        return;
    }
}

void TelvorClient::becomeSecondary()
{
    m_secondary = true;
    // The push-button was tested by the station's session; a second one has none to test.
    m_state.getestet = true;
    m_state.initialisierung = true;
    m_button.standDown();
    m_sender.leaveTriggerFile();
    const QString text =
        QStringLiteral("Station %1 läuft auf diesem Rechner bereits in einer anderen Sitzung").arg(m_config.stationId);
    reportLine(QStringLiteral("telvor: ") + text);
    writeLog(text);
}

void TelvorClient::tryTakeOver()
{
    if (!m_secondary)
        return;
    const StationLock::Outcome outcome = m_stationLock->tryLock();
    if (outcome == StationLock::Outcome::Busy)
        return;
    if (outcome == StationLock::Outcome::Failed)
        reportLockProblem();
    m_secondary = false;
    const QString text = QStringLiteral("Station %1 läuft jetzt in dieser Sitzung: die andere Sitzung ist beendet")
                             .arg(m_config.stationId);
    reportLine(QStringLiteral("telvor: ") + text);
    writeLog(text);

    // What the start-up left to the station that has ended.
    if (m_config.comDisabled == QLatin1String("0") && !m_services.serial.isOpen())
        openPortAtLoad(true);
    if (m_exchangeDeferred) {
        writeAlarmText();
        settleInExchange();
    }
}

void TelvorClient::reportLockProblem()
{
    // Better two stations of one ID than none: this client acts as the station.
    reportLine(QStringLiteral("telvor: Station %1 kann sich nicht mit anderen Sitzungen abstimmen (%2); diese "
                              "Sitzung arbeitet als Station")
                   .arg(m_config.stationId, m_stationLock->problem()));
}

} // namespace telvor
