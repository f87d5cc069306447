// Whether the exchange directory is in reach: a station that can neither send nor receive must
// say so, since no other station notices it.

#include "client/core/TelvorClient.h"
#include "client/core/Timings.h"

namespace telvor {

void TelvorClient::watchReachability()
{
    // A station without a directory is not set up yet; the setup window says what is missing.
    if (m_config.exchangeDir.isEmpty()) {
        m_unreachableTicks = -1;
        setCutOff(false);
        return;
    }
    if (m_unreachableTicks >= 0)
        ++m_unreachableTicks;
    if (++m_reachabilityTicks >= kReachabilityProbeTicks) {
        m_reachabilityTicks = 0;
        // Missing, refusing (an unmounted share's mount point) and hanging (no answer) alike.
        const Probe directory = m_exchange.probeDirectory();
        if (directory.presence == Presence::Present && !directory.regularFile) {
            m_unreachableTicks = -1;
            setCutOff(false);
            return;
        }
        if (m_unreachableTicks < 0)
            m_unreachableTicks = 0;
    }
    if (m_unreachableTicks >= 0 && m_unreachableTicks * kTriggerPollMs >= kCutOffMs)
        setCutOff(true);
}

void TelvorClient::setCutOff(bool cutOff)
{
    if (cutOff == m_cutOff)
        return;
    m_cutOff = cutOff;
    m_views.tray->setCutOff(cutOff);
    const QString text = cutOff ? QStringLiteral("Austauschverzeichnis nicht erreichbar")
                                : QStringLiteral("Austauschverzeichnis wieder erreichbar");
    reportLine(QStringLiteral("telvor: ") + text);
    writeLog(text);
}

} // namespace telvor
