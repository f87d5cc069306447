#pragma once

#include "common/SettingsStore.h"

#include <QString>

#include <functional>
#include <utility>

namespace telvor {

/** RunMode of the real screen saver: only then is the pointer hidden and does input end the program. */
inline const QString kScreenSaverRunMode = QStringLiteral("SCREENSAVER");

/**
 * The pointer's display counter: each show adds one, each hide takes one away, and the pointer
 * is visible while the counter is 0 or more. So the shows and hides of the screen saver and of
 * its prompt balance each other whatever their order.
 */
class PointerBalance final {
public:
    /** Hears each change between visible and hidden. */
    void setOnVisibilityChange(std::function<void(bool visible)> onChange) { m_onChange = std::move(onChange); }
    void ShowCursor(bool show);
    [[nodiscard]] bool isVisible() const { return m_counter >= 0; }

private:
    int m_counter = 0;
    std::function<void(bool)> m_onChange;
};

/** What the screen saver's windows share for one run of the program. */
struct SaverContext {
    explicit SaverContext(SettingsStore store) : settings(std::move(store)) {}

    [[nodiscard]] bool isScreenSaver() const { return RunMode == kScreenSaverRunMode; }

    /** kScreenSaverRunMode in full screen-saver mode, empty in every other mode. */
    QString RunMode;
    /** Set by the password prompt: the right password was typed. */
    bool passwordOk = false;
    PointerBalance pointer;
    SettingsStore settings;
};

} // namespace telvor
