#pragma once

#include "client/core/ClientLog.h"
#include "client/core/ClientState.h"
#include "client/core/ClientViews.h"
#include "client/core/ExchangeAccess.h"
#include "client/core/StationConfig.h"
#include "common/Exchange.h"
#include "common/Timer.h"

#include <functional>

namespace telvor {

class StationRole;

/** How an alarm of this station was raised. */
enum class AlarmSource { PushButton, SoftTrigger };

/**
 * The sending side of the protocol: the soft trigger's file, raiseAlarm, the wait for a busy slot,
 * writeMessage and the hold of this station's message in the slot until Timer1 ends it. A write
 * or a delete that fails is tried again at Timer1's next tick; an alarm is never lost to one.
 */
class AlarmSender final {
public:
    AlarmSender(Exchange& exchange, ExchangeAccess& access, ClientState& state, const StationConfig& config,
                Timer& Timer1, AlarmSentView& alarmSent, ButtonTestView& buttonTest, ClientLog& log,
                std::function<void()> ensureOwnAlarmText, const StationRole& role);

    /** Timer3's look for START.<ID>: the test press during the button test, an alarm after it. */
    void watchTrigger();
    /** Sends now, or waits for the slot; nothing while a send of this station is under way. */
    void raiseAlarm(AlarmSource source, qint64 triggerStamp = 0);

    // Timer1's steps of the sender, in the order the tick takes them.
    /** The waiting alarm goes out (sendNow), or its failed write is tried again. */
    void sendNowStep();
    /** One poll of a station waiting for the slot; false when the tick ends here. */
    bool waitingStep();
    /** The hold time is over: this station's message leaves the slot. */
    void holdingStep();

    /** The slot holds this station's ID from before its start: it goes at the end of a hold from now. */
    void takeOverOwnSlot();
    /** Another session of this machine is the station: the trigger file is that session's. */
    void leaveTriggerFile() { m_handledTriggerUndeleted = false; }

private:
    void writeMessage(AlarmSource source);
    void afterMessageWritten(AlarmSource source);
    void retrySend();
    void deleteTriggerFile();
    /** The hold is over, or (deleteAgain) its slot could not be cleared yet and the next poll tries again. */
    void endHold(bool deleteAgain);
    [[nodiscard]] int pollPeriod() const;

    Exchange& m_exchange;
    ExchangeAccess& m_access;
    ClientState& m_state;
    const StationConfig& m_config;
    Timer& m_Timer1;
    AlarmSentView& m_alarmSent;
    ButtonTestView& m_buttonTest;
    ClientLog& m_log;
    std::function<void()> m_ensureOwnAlarmText;
    const StationRole& m_role;

    AlarmSource m_pendingSource = AlarmSource::PushButton;
    qint64 m_pendingTriggerStamp = 0;       ///< modification time of the trigger file the pending send is for
    bool m_lastWriteFailed = false;         ///< the last write of MESSAGE.KVT failed; the next try reads the slot first
    bool m_holdSlotUndeleted = false;       ///< the hold end could not delete the slot; the next poll tries again
    bool m_handledTriggerUndeleted = false; ///< START.<ID> was handled but could not be deleted yet
    qint64 m_handledTriggerStamp = 0;       ///< modification time of the trigger file handled last
};

} // namespace telvor
