#pragma once

#include <QSize>

#include <functional>
#include <optional>

namespace telvor {

/**
 * What the screen saver needs of the window system beyond its own windows: the foreign window
 * that a screen-saver host hands it (its size, its resizing and its end) and the layer above all
 * other windows. Windows are named by their X11 ids.
 */
class WindowSystem {
public:
    virtual ~WindowSystem() = default;

    /** The size of the window's inside in pixels; nothing when there is no such window. */
    virtual std::optional<QSize> windowSize(quint32 window) = 0;
    /**
     * Calls onResized with each new size of the window and onGone once it has been destroyed, at
     * once (from the event loop) when it is gone already or cannot be watched.
     */
    virtual void watchWindow(quint32 window, std::function<void()> onGone, std::function<void(QSize)> onResized) = 0;
    /** Asks the window manager to put a shown window into the layer above all others, or out of it. */
    virtual void setAbove(quint32 window, bool above) = 0;
};

} // namespace telvor
