#pragma once

#include <QRect>

#include <vector>

namespace telvor {

/**
 * The monitors of the desktop as the window system joins them. Where it shows several monitors as
 * one screen (Xinerama), the program's screen spans them all, and a window centred on it would
 * lie across the gap between two monitors.
 */
class MonitorLayout {
public:
    virtual ~MonitorLayout() = default;

    /** Each monitor's area in the desktop's coordinates, the primary one first; empty when unknown. */
    virtual std::vector<QRect> monitors() = 0;
};

} // namespace telvor
