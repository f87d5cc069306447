#pragma once

#include "client/core/ClientLog.h"
#include "client/core/ClientState.h"
#include "client/core/StationConfig.h"

#include <QString>

#include <functional>
#include <memory>

namespace telvor {

class StationLock;

/**
 * One station ID, several sessions on one machine (fast user switching, remote sessions): the
 * first client of the ID is the machine's station; a client of the same ID in another session
 * receives and shows alarms and leaves the push-button, the trigger file, the alarm-text file and
 * the slot to the first, until the first ends and it takes over.
 */
class StationRole final {
public:
    struct Actions {
        std::function<void()> standDown; ///< this session became a second one: leave the station's things
        std::function<void()> takeOver;  ///< the station's session has ended: do what was left to it
    };
    StationRole(QString lockDirectory, const StationConfig& config, ClientState& state, ClientLog& log,
                std::function<void(const QString&)> standardError, Actions actions);
    ~StationRole();
    StationRole(const StationRole&) = delete;
    StationRole& operator=(const StationRole&) = delete;

    /** Takes the role for the station ID as it is now; nothing when it was decided for this ID. */
    void decideRole();
    /** A second session tries again, at every Timer3 tick; when the first has ended it becomes the station. */
    void tryTakeOver();
    /** False for a second session of this machine's station ID: it only receives alarms. */
    [[nodiscard]] bool isStation() const { return !m_secondary; }

private:
    void becomeSecondary();
    void reportLockProblem();
    void tell(const QString& text);

    QString m_lockDirectory;
    const StationConfig& m_config;
    ClientState& m_state;
    ClientLog& m_log;
    std::function<void(const QString&)> m_standardError;
    Actions m_actions;

    std::unique_ptr<StationLock> m_stationLock; ///< the lock of the ID the role was decided for
    bool m_secondary = false;                   ///< another session of this machine is the station of this ID
};

} // namespace telvor
