#pragma once

#include "common/WindowSystem.h"

#include <QObject>

#include <memory>

namespace telvor {

/**
 * The window system on X11: sizes through Qt's own connection; a foreign window is watched on a
 * connection of its own, so that its events never mix with Qt's and its event mask is ours alone.
 * Needs a QGuiApplication on the xcb platform; elsewhere no window is found.
 */
class X11WindowSystem final : public WindowSystem {
public:
    X11WindowSystem();
    ~X11WindowSystem() override;
    X11WindowSystem(const X11WindowSystem&) = delete;
    X11WindowSystem& operator=(const X11WindowSystem&) = delete;

    std::optional<QSize> windowSize(quint32 window) override;
    void watchWindow(quint32 window, std::function<void()> onGone, std::function<void(QSize)> onResized) override;
    void setAbove(quint32 window, bool above) override;

private:
    struct Watch;
    std::unique_ptr<Watch> m_watch;
};

} // namespace telvor
