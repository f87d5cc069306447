#pragma once

#include "common/WindowStacking.h"

namespace telvor {

/**
 * Stacking on X11 through the window manager's own messages, sent as a task bar sends them: window
 * managers that refuse an application's wish for the keyboard grant a task bar's, and a restack
 * request raises without the activation that some of them bind to a plain raise. Where the window
 * manager knows neither message, or the program does not run on X11, Qt's raise and activation
 * serve.
 */
class X11WindowStacking final : public WindowStacking {
public:
    void raiseWithoutFocus(QWindow& window) override;
    void activate(QWindow& window) override;
    bool fullScreenWindowActive() override;
};

} // namespace telvor
