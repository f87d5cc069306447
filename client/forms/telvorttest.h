#pragma once

#include "client/core/ClientViews.h"
#include "common/Timer.h"

#include <QWidget>

class QFrame;
class QLabel;
class QPushButton;

namespace telvor {

/**
 * The push-button test window: a ten-second start phase with a growing bar, then a prompt to press
 * the button. The client reports the press; "OK !" passes the test, "Abrechen" ends the client.
 * Once loaded the window is only ever hidden, so the test is offered at most once per run.
 */
class telvorttest final : public QWidget, public ButtonTestView {
    Q_OBJECT
public:
    explicit telvorttest(Scheduler& scheduler, QWidget* parent = nullptr);

    /** Who hears of the start phase's end, of a confirmed press and of "Abrechen"; null: nobody. */
    void attach(ClientInput* client) { m_client = client; }

    void load() override;
    void reportPress() override;

    bool isLoaded() const { return m_loaded; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Load();
    void Timer1_Timer();
    void Timer2_Timer();
    void Command1_Click();
    void setShapeWidth(int twips);

    QLabel* Label1;
    QLabel* Label2;
    QFrame* Shape1;
    QLabel* Label3;
    QPushButton* Command1;
    QLabel* Image1;
    QLabel* Image2;
    Timer Timer1;
    Timer Timer2;
    ClientInput* m_client = nullptr;
    /** Start-phase ticks still to come. */
    qint16 m_counter = 0;
    int m_shapeWidthTwips;
    bool m_loaded = false;
};

} // namespace telvor
