#pragma once

#include "common/MonitorLayout.h"

namespace telvor {

/** The monitors as the X server's Xinerama extension reports them; none where it is missing. */
class XineramaMonitorLayout final : public MonitorLayout {
public:
    std::vector<QRect> monitors() override;
};

} // namespace telvor
