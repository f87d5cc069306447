#pragma once

#include "client/core/ClientViews.h"
#include "common/MonitorLayout.h"
#include "common/Timer.h"
#include "common/WindowStacking.h"

#include <QWidget>

class QLabel;

namespace telvor {

/**
 * The alarm window: shows a received alarm text on top of every other window and flashes red and
 * white until the user closes it. Closing unloads it; the next alarm loads it afresh.
 */
class Alarmanzeige final : public QWidget, public AlarmView {
    Q_OBJECT
public:
    Alarmanzeige(Scheduler& scheduler, WindowStacking& stacking, MonitorLayout& monitors, QWidget* parent = nullptr);

    void Alarm(const QString& anztext, bool fullScreen) override;

    /** True while the window is loaded (from an alarm until the user closes it). */
    bool isLoaded() const { return m_loaded; }
    /** True in the red half of the flash period. */
    bool isRed() const { return m_red; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Form_Load();
    void hintergrund_Timer();
    void setBackground(const QColor& colour);
    /** Sets the text size, wrapping lines wider than maxWidth; returns the room the text needs. */
    QSize setTextSize(qreal pointSize, int maxWidth);
    void enterMaximised();
    void enterNormal();
    void fitToText();
    /** The monitor the window shows on: the primary one where one screen spans several. */
    QRect monitorArea() const;
    QRect availableArea() const;
    int screenWidth() const;
    /** Lifts the window over a full-screen program that has the keyboard. */
    void comeOverFullScreen();

    QLabel* Label1;
    QLabel* Image1;
    WindowStacking& m_stacking;
    MonitorLayout& m_monitors;
    Timer hintergrund;
    /** The station's setting as of the latest alarm; every switch to red follows it. */
    bool m_fullScreen = false;
    /** The size the text should have; the shown size is smaller only when the text would not fit. */
    qreal m_textPointSize;
    bool m_loaded = false;
    bool m_red = false;
};

} // namespace telvor
