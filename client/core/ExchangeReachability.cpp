#include "client/core/ExchangeReachability.h"

#include "client/core/Timings.h"

#include <utility>

namespace telvor {

ExchangeReachability::ExchangeReachability(const StationConfig& config, Exchange& exchange, TrayView& tray,
                                           ClientLog& log, std::function<void(const QString&)> standardError)
    : m_config(config), m_exchange(exchange), m_tray(tray), m_log(log), m_standardError(std::move(standardError))
{
}

void ExchangeReachability::watchReachability()
{
    // A station without a directory is not set up yet; the setup window says what is missing.
    if (m_config.exchangeDir.isEmpty()) {
        m_unreachableTicks = -1;
        setCutOff(false);
        return;
    }
    if (m_unreachableTicks >= 0)
        ++m_unreachableTicks;
    if (++m_ticksSinceLook >= kReachabilityProbeTicks) {
        m_ticksSinceLook = 0;
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

void ExchangeReachability::setCutOff(bool cutOff)
{
    if (cutOff == m_cutOff)
        return;
    m_cutOff = cutOff;
    m_tray.setCutOff(cutOff);
    const QString text = cutOff ? QStringLiteral("Austauschverzeichnis nicht erreichbar")
                                : QStringLiteral("Austauschverzeichnis wieder erreichbar");
    if (m_standardError)
        m_standardError(QStringLiteral("telvor: ") + text);
    m_log.writeLog(text);
}

} // namespace telvor
