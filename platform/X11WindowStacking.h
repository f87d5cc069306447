#pragma once

#include "common/WindowStacking.h"

#include <cstdint>
#include <map>
#include <string>

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

private:
    /**
     * The X server's number for a name, asked once: the alarm window looks at the desktop twice a
     * second, and a number never changes while the server runs.
     */
    uint32_t atom(const char* name);
    bool windowManagerSupports(uint32_t hint);

    std::map<std::string, uint32_t> m_atoms;
};

} // namespace telvor
