#pragma once

#include "client/core/AlarmSignal.h"
#include "client/core/ClientState.h"
#include "client/core/ClientViews.h"
#include "client/core/ExchangeAccess.h"
#include "client/core/StationConfig.h"
#include "common/Exchange.h"
#include "common/FailureReporter.h"
#include "common/Timer.h"

#include <functional>

namespace telvor {

class StationRole;

/**
 * The receiving side of the protocol: Timer1's poll of the message slot, and showAlarm, which
 * looks up the sender's alarm text, shows it and gives the signal. A slot whose sender has no
 * alarm text is removed; one that cannot be read is left for the next poll.
 */
class AlarmReceiver final {
public:
    AlarmReceiver(Exchange& exchange, ExchangeAccess& access, FailureReporter& failures, ClientState& state,
                  const StationConfig& config, Timer& Timer1, AlarmView& alarm, AlarmSignal& signal,
                  const StationRole& role);

    /** Timer1's polling step: shows a new alarm, and goes back to idle polling once its slot is gone. */
    void pollStep();

private:
    void showAlarm(int intervalBefore);

    Exchange& m_exchange;
    ExchangeAccess& m_access;
    FailureReporter& m_failures;
    ClientState& m_state;
    const StationConfig& m_config;
    Timer& m_Timer1;
    AlarmView& m_alarm;
    AlarmSignal& m_signal;
    const StationRole& m_role;
};

} // namespace telvor
