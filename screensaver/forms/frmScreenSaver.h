#pragma once

#include "common/Timer.h"
#include "common/WindowSystem.h"
#include "screensaver/core/SaverContext.h"
#include "screensaver/core/ScreenSaver.h"

#include <QWidget>

#include <memory>

class QLabel;

namespace telvor {

/**
 * The screen-saver window: black, the alarm picture, the clock, and the alarm text on a new random
 * colour at every refresh while an alarm of the site runs. It fills the screen as the real screen
 * saver or is drawn inside a host's window as a preview.
 */
class frmScreenSaver final : public QWidget, private ScreenSaverView {
    Q_OBJECT
public:
    frmScreenSaver(SaverContext& context, ScreenSaverServices services, WindowSystem& windows,
                   QWidget* parent = nullptr);
    ~frmScreenSaver() override;

    /** Reads the settings and starts the refresh; the window is not shown yet. */
    void Form_Load() { m_core.Form_Load(); }
    /** Over the whole screen: the real screen saver, and a host's -root. */
    void showFullScreenSaver();
    /** Inside a host's window of this size, at its top left corner, without taking the focus. */
    void embedInto(quint32 host, QSize size);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void showDisplay(const SaverDisplay& display) override;
    void setTopmost(bool topmost) override;
    void openPasswordPrompt() override;
    void setInputGrabbed(bool grabbed) override;
    void closeWindow() override;
    void tryGrab();

    QLabel* Image1;
    QLabel* lbl_time;
    QLabel* Label1;
    SaverContext& m_context;
    WindowSystem& m_windows;
    ScreenSaver m_core;
    /** A window can take the keyboard and the pointer only once it is on the screen. */
    Timer m_grabRetry;
    std::unique_ptr<QWindow> m_host;
    bool m_closing = false;
};

} // namespace telvor
