#pragma once

#include "client/core/ClientLog.h"
#include "client/core/ClientViews.h"
#include "client/core/StationConfig.h"
#include "common/Exchange.h"

#include <QString>

#include <functional>

namespace telvor {

/**
 * Whether the exchange directory is in reach: a station that can neither send nor receive must
 * say so, since no other station notices it. The tray icon shows the cut-off once it has lasted.
 */
class ExchangeReachability final {
public:
    ExchangeReachability(const StationConfig& config, Exchange& exchange, TrayView& tray, ClientLog& log,
                         std::function<void(const QString&)> standardError);

    /** One Timer3 tick: the directory is looked at every few ticks; a cut-off that lasts is told. */
    void watchReachability();

private:
    void setCutOff(bool cutOff);

    const StationConfig& m_config;
    Exchange& m_exchange;
    TrayView& m_tray;
    ClientLog& m_log;
    std::function<void(const QString&)> m_standardError;

    int m_ticksSinceLook = 0;    ///< Timer3 ticks since the directory was last looked at
    int m_unreachableTicks = -1; ///< Timer3 ticks since the directory was first found out of reach; -1: in reach
    bool m_cutOff = false;       ///< the station told that it is cut off from the directory
};

} // namespace telvor
