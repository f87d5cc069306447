#pragma once

#include "common/SettingsStore.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

namespace telvor {

/**
 * The settings window: the refresh interval, checked to read as a number in the user's locale
 * and stored as typed, and the exchange directory, stored as typed.
 */
class frmConfig final : public QWidget {
    Q_OBJECT
public:
    explicit frmConfig(SettingsStore store, QWidget* parent = nullptr);

    /** Puts the stored values into the boxes and opens the window. */
    void Form_Load();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void txtInterval_GotFocus();
    void cmdAccept_Click();

    QLabel* lblInterval;
    QLineEdit* txtInterval;
    QLabel* Label1;
    QLabel* lbl_pfad;
    QLineEdit* txt_pfad;
    QPushButton* cmdAbort;
    QPushButton* cmdAccept;
    SettingsStore m_store;
};

} // namespace telvor
