#pragma once

#include "common/Clock.h"
#include "common/Exchange.h"
#include "common/FailureReporter.h"
#include "common/Timer.h"
#include "screensaver/core/AlarmDisplay.h"
#include "screensaver/core/RandomSource.h"
#include "screensaver/core/SaverContext.h"

#include <QLocale>

namespace telvor {

/** What the screen-saver window does for its logic. */
class ScreenSaverView {
public:
    virtual ~ScreenSaverView() = default;

    virtual void showDisplay(const SaverDisplay& display) = 0;
    /** Into or out of the layer above all other windows, over the whole screen and shown. */
    virtual void setTopmost(bool topmost) = 0;
    /** Opens the password prompt without waiting for it; passwordPromptClosed() follows its close. */
    virtual void openPasswordPrompt() = 0;
    /** Keeps every key and click of the display to the window (true), or lets them go. */
    virtual void setInputGrabbed(bool grabbed) = 0;
    /** The close goes ahead: the window closes without asking again, and the program ends with it. */
    virtual void closeWindow() = 0;
};

struct ScreenSaverServices {
    Scheduler& scheduler;
    ExchangeIo& exchange;
    const Clock& clock;
    RandomSource& random;
    QLocale locale;
    /** Hears of a share that hangs; may be null. */
    FailureReporter* reporter = nullptr;
};

/**
 * The logic of the screen-saver window: the display refresh, the input that ends the real screen
 * saver, and the close guarded by the password. The prompt opens without a nested event loop: the
 * close is refused while it is open and carried on when it has closed.
 */
class ScreenSaver final {
public:
    ScreenSaver(SaverContext& context, ScreenSaverServices services, ScreenSaverView& view);
    ScreenSaver(const ScreenSaver&) = delete;
    ScreenSaver& operator=(const ScreenSaver&) = delete;

    void Form_Load();
    /** The window has been shown. */
    void shown();

    void Form_KeyDown() { requestCloseByInput(); }
    void Form_KeyPress() { requestCloseByInput(); }
    void Form_KeyUp() { requestCloseByInput(); }
    void Form_MouseDown() { requestCloseByInput(); }
    void Form_MouseUp() { requestCloseByInput(); }
    void Form_MouseMove();

    /** A request to close the window (input, window manager, SIGTERM); cancel keeps it open. */
    void Form_Unload(bool& cancel);
    /** The prompt has closed; passwordOk tells how. */
    void passwordPromptClosed();

private:
    void tmrRefresh_Timer();
    void tmrPassword_Timer();
    void requestCloseByInput();
    void letClose();
    void grabInput(bool grab);

    SaverContext& m_context;
    ScreenSaverView& m_view;
    Exchange m_exchange;
    AlarmDisplay m_display;
    const Clock& m_clock;
    RandomSource& m_random;
    QLocale m_locale;
    FailureReporter* m_reporter;
    Timer tmrRefresh;
    Timer tmrPassword;
    QString storedPassword;
    bool passwordReady = false;
    /** Mouse moves seen; it stays at its top, so continued movement keeps asking for the close. */
    quint8 moveCount = 0;
    bool m_prompting = false;
    bool m_closing = false;
};

} // namespace telvor
