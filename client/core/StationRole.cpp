#include "client/core/StationRole.h"

#include "common/StationLock.h"

#include <utility>

namespace telvor {

StationRole::StationRole(QString lockDirectory, const StationConfig& config, ClientState& state, ClientLog& log,
                         std::function<void(const QString&)> standardError, Actions actions)
    : m_lockDirectory(std::move(lockDirectory)), m_config(config), m_state(state), m_log(log),
      m_standardError(std::move(standardError)), m_actions(std::move(actions))
{
}

StationRole::~StationRole() = default;

void StationRole::decideRole()
{
    const QString& id = m_config.stationId;
    if (m_stationLock && m_stationLock->stationId() == id)
        return;
    m_secondary = false;
    if (m_lockDirectory.isEmpty())
        return;
    // Replacing the lock of the old ID leaves that one to whoever waits for it.
    m_stationLock = std::make_unique<StationLock>(m_lockDirectory, id);
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

void StationRole::becomeSecondary()
{
    m_secondary = true;
    // The push-button was tested by the station's session; a second one has none to test.
    m_state.getestet = true;
    m_state.initialisierung = true;
    m_actions.standDown();
    tell(
        QStringLiteral("Station %1 läuft auf diesem Rechner bereits in einer anderen Sitzung").arg(m_config.stationId));
}

void StationRole::tryTakeOver()
{
    if (!m_secondary)
        return;
    const StationLock::Outcome outcome = m_stationLock->tryLock();
    if (outcome == StationLock::Outcome::Busy)
        return;
    if (outcome == StationLock::Outcome::Failed)
        reportLockProblem();
    m_secondary = false;
    tell(QStringLiteral("Station %1 läuft jetzt in dieser Sitzung: die andere Sitzung ist beendet")
             .arg(m_config.stationId));
    m_actions.takeOver();
}

void StationRole::reportLockProblem()
{
    // Better two stations of one ID than none: this client acts as the station.
    if (m_standardError)
        m_standardError(QStringLiteral("telvor: Station %1 kann sich nicht mit anderen Sitzungen abstimmen (%2); "
                                       "diese Sitzung arbeitet als Station")
                            .arg(m_config.stationId, m_stationLock->problem()));
}

void StationRole::tell(const QString& text)
{
    if (m_standardError)
        m_standardError(QStringLiteral("telvor: ") + text);
    m_log.writeLog(text);
}

} // namespace telvor
