#pragma once

#include "client/core/ClientLog.h"
#include "client/core/ClientState.h"
#include "client/core/ClientViews.h"
#include "client/core/LoadFailure.h"
#include "client/core/StationConfig.h"
#include "common/FailureReporter.h"
#include "common/SerialPort.h"
#include "common/Timer.h"

#include <QString>

#include <functional>
#include <optional>

namespace telvor {

/**
 * The push-button on the serial line: its port (opened, tried again while it cannot be opened or
 * after it was lost), the debounce of a press with entprell, the test press while the button test
 * runs, and the release that raises the alarm.
 */
class PushButton final {
public:
    PushButton(SerialPort& serial, Scheduler& scheduler, Timer& entprell, ClientState& state,
               const StationConfig& config, ButtonTestView& buttonTest, FailureReporter& failures, ClientLog& log,
               std::function<void()> raiseAlarm);
    ~PushButton();
    PushButton(const PushButton&) = delete;
    PushButton& operator=(const PushButton&) = delete;

    /** Every event of the port: the test press, or the press and release of an alarm. */
    void MSComm1_OnComm(const SerialEvent& event);
    /** The debounce time is over: a release from now on raises the alarm. */
    void entprell_Timer();

    /**
     * Opens the configured port. A failure is told with the loader's message text, and the port is
     * tried again every few seconds where that may help.
     */
    void openConfiguredPort(const std::function<void(const QString& message)>& reportFailure);
    /** Hands the port text to the serial layer; the failure when it names no port. */
    std::optional<LoadFailure> selectPort(const QString& comPort);
    [[nodiscard]] bool isPortOpen() const { return m_serial.isOpen(); }
    /** Another session of this machine is the station: the port is closed and left alone. */
    void standDown();

private:
    /** Sets the device and opens it; the failure and whether trying again may help. */
    std::optional<LoadFailure> openPort(bool& retryable);
    void portRetry_Timer();
    void portLost(int sysError);
    void resetButton();
    [[nodiscard]] QString portKey() const;
    [[nodiscard]] QString debounceText() const;

    SerialPort& m_serial;
    Timer& m_entprell;
    ClientState& m_state;
    const StationConfig& m_config;
    ButtonTestView& m_buttonTest;
    FailureReporter& m_failures;
    ClientLog& m_log;
    std::function<void()> m_raiseAlarm;

    Timer m_portRetry;         ///< a port that cannot be opened, or was lost, is tried again
    qint64 m_pressStampMs = 0; ///< when the push-button's line came on
};

} // namespace telvor
