#include "screensaver/core/ScreenSaver.h"

#include "screensaver/core/SaverSettings.h"

#include <limits>

namespace telvor {

namespace {

constexpr int kArmingMs = 1000;
/** The first mouse moves after the start are the mouse settling, not a person. */
constexpr quint8 kIgnoredMoves = 10;

} // namespace

ScreenSaver::ScreenSaver(SaverContext& context, ScreenSaverServices services, ScreenSaverView& view)
    : m_context(context), m_view(view), m_exchange(services.exchange),
      m_display(m_exchange, services.clock, services.random, services.locale), m_clock(services.clock),
      m_random(services.random), m_locale(services.locale), m_reporter(services.reporter),
      tmrRefresh(services.scheduler, 0, false), tmrPassword(services.scheduler, kArmingMs, false)
{
    tmrRefresh.setOnTick([this] { tmrRefresh_Timer(); });
    tmrPassword.setOnTick([this] { tmrPassword_Timer(); });
}

void ScreenSaver::Form_Load()
{
    m_view.showDisplay(m_display.display());
    const SaverSettings settings = readSaverSettings(m_context.settings, m_locale);
    tmrRefresh.setInterval(settings.refreshIntervalMs);
    tmrRefresh.setEnabled(true);
    storedPassword = settings.storedPassword;
    m_exchange.setDirectory(settings.exchangePath);
    m_random.seed(static_cast<quint64>(m_clock.now().toMSecsSinceEpoch()));
    if (m_context.isScreenSaver())
        m_context.pointer.ShowCursor(false);
    tmrPassword.setEnabled(true);
}

void ScreenSaver::shown()
{
    grabInput(true);
}

void ScreenSaver::grabInput(bool grab)
{
    // While a password guards the real screen saver, no key or click may reach another window.
    if (m_context.isScreenSaver() && !storedPassword.isEmpty() && !m_closing)
        m_view.setInputGrabbed(grab);
}

void ScreenSaver::tmrRefresh_Timer()
{
    m_display.refresh();
    if (m_reporter)
        m_exchange.reportHang(*m_reporter);
    m_view.showDisplay(m_display.display());
}

void ScreenSaver::tmrPassword_Timer()
{
    passwordReady = true;
    tmrPassword.setInterval(0);
}

void ScreenSaver::Form_MouseMove()
{
    if (!m_context.isScreenSaver())
        return;
    if (moveCount < std::numeric_limits<quint8>::max())
        ++moveCount;
    if (moveCount > kIgnoredMoves)
        requestCloseByInput();
}

void ScreenSaver::requestCloseByInput()
{
    if (!m_context.isScreenSaver() || m_closing)
        return;
    bool cancel = false;
    Form_Unload(cancel);
    if (!cancel)
        m_view.closeWindow();
}

void ScreenSaver::Form_Unload(bool& cancel)
{
    cancel = false;
    if (m_closing)
        return;
    if (storedPassword.isEmpty()) {
        letClose();
        return;
    }
    cancel = true;
    // Not armed yet, or the prompt is open already: refused silently.
    if (!passwordReady || m_prompting)
        return;
    passwordReady = false;
    tmrRefresh.setEnabled(false);
    m_view.setTopmost(false);
    m_prompting = true;
    // The prompt must get the keys.
    grabInput(false);
    m_view.openPasswordPrompt();
}

void ScreenSaver::passwordPromptClosed()
{
    if (!m_prompting)
        return;
    m_prompting = false;
    // From the first prompt on the screen saver stays above all other windows.
    m_view.setTopmost(true);
    tmrRefresh.setEnabled(true);
    if (m_context.passwordOk) {
        letClose();
        m_view.closeWindow();
        return;
    }
    tmrPassword.setInterval(kArmingMs);
    grabInput(true);
}

void ScreenSaver::letClose()
{
    m_closing = true;
    if (m_context.isScreenSaver())
        m_context.pointer.ShowCursor(true);
}

} // namespace telvor
