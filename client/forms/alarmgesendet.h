#pragma once

#include "client/core/ClientViews.h"

#include <QWidget>

class QLabel;
class QPushButton;

namespace telvor {

/**
 * The alarm sent window: tells the user, minimised in the task bar, that this station's alarm went
 * out. "OK !" becomes usable once the hold time has ended with the message still in the slot.
 */
class alarmgesendet final : public QWidget, public AlarmSentView {
    Q_OBJECT
public:
    explicit alarmgesendet(QWidget* parent = nullptr);

    void load() override;
    void einschalten() override;
    void enableOk() override;

    bool isLoaded() const { return m_loaded; }

private:
    void Command1_Click();

    QLabel* Label1;
    QLabel* Image1;
    QPushButton* Command1;
    bool m_loaded = false;
};

} // namespace telvor
