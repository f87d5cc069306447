#include "client/core/AlarmReceiver.h"

#include "client/core/StationRole.h"
#include "client/core/Timings.h"

#include <utility>

namespace telvor {

AlarmReceiver::AlarmReceiver(Exchange& exchange, ExchangeAccess& access, FailureReporter& failures, ClientState& state,
                             const StationConfig& config, Timer& Timer1, AlarmView& alarm, AlarmSignal& signal,
                             const StationRole& role)
    : m_exchange(exchange), m_access(access), m_failures(failures), m_state(state), m_config(config), m_Timer1(Timer1),
      m_alarm(alarm), m_signal(signal), m_role(role)
{
}

void AlarmReceiver::pollStep()
{
    const int intervalBefore = m_Timer1.interval();
    // A failed test says nothing: a shown alarm stays shown, an unseen one is looked for again.
    if (m_access.probeExchange(kMessageFileName) == Presence::Unknown)
        return;
    if (!m_state.alarmShown && m_state.fileFound) {
        m_Timer1.setInterval(kShowingPollMs);
        showAlarm(intervalBefore);
    }
    if (m_state.alarmShown && !m_state.fileFound) {
        m_state.alarmShown = false;
        m_Timer1.setInterval(kIdlePollMs);
    }
}

void AlarmReceiver::showAlarm(int intervalBefore)
{
    m_state.alarmShown = true;

    const SlotDecision decision = m_exchange.lookAtSlot();
    if (decision.action != SlotDecision::Action::Leave && decision.action != SlotDecision::Action::RemoveDirectory)
        m_failures.succeeded(kMessageFileName + QStringLiteral(" lesen"));
    if (decision.action == SlotDecision::Action::Show || decision.action == SlotDecision::Action::Remove)
        m_failures.succeeded(alarmTextFileName(decision.sender) + QStringLiteral(" lesen"));

    const auto leaveForNextPoll = [this, intervalBefore] {
        m_state.alarmShown = false;
        m_Timer1.setInterval(intervalBefore);
    };
    // A second session's own station ID in the slot is an alarm raised at this desk, in the
    // station's session: shown here it would no longer be silent, and its slot is that session's.
    if (!m_role.isStation() && decision.sender == m_config.stationId &&
        decision.action != SlotDecision::Action::Absent) {
        leaveForNextPoll();
        return;
    }
    switch (decision.action) {
    case SlotDecision::Action::Absent:
        // Removed by its sender between the test and the read.
        m_state.fileFound = false;
        return;
    case SlotDecision::Action::Leave:
        // Unreadable for now, being written, or its alarm text is no file: never delete a live alarm.
        if (!decision.problem.isEmpty())
            m_failures.failed(decision.problemFile + QStringLiteral(" lesen"), decision.problem);
        leaveForNextPoll();
        return;
    case SlotDecision::Action::RemoveDirectory: {
        // An empty directory under the slot's name would keep every station of the site from sending.
        const IoResult removed = m_exchange.removeEmptyDirectory(kMessageFileName);
        if (removed.ok() || removed.status == IoStatus::NotFound) {
            m_failures.succeeded(kMessageFileName + QStringLiteral(" lesen"));
            m_state.fileFound = false;
        } else {
            m_failures.failed(
                kMessageFileName + QStringLiteral(" lesen"),
                QStringLiteral("ist ein Verzeichnis, das sich nicht entfernen lässt: %1").arg(removed.errorText()));
            leaveForNextPoll();
        }
        return;
    }
    case SlotDecision::Action::Remove:
        m_access.noteIo(kMessageFileName + QStringLiteral(" löschen"), m_exchange.forceRemove(kMessageFileName));
        m_state.fileFound = false;
        return;
    case SlotDecision::Action::ReadText:
    case SlotDecision::Action::Show:
        break;
    }
    m_alarm.Alarm(decision.text, m_config.fullScreen);
    m_signal.giveSignal();
}

} // namespace telvor
