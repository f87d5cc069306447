#pragma once

#include <QWidget>

class QGroupBox;
class QLineEdit;
class QPushButton;

namespace telvor {

/**
 * The layout that the password prompt and the password window share: a frame with a box whose
 * letters show as "*", "&Ü&bernehmen" on the right, "&Abbruch" on the left. The window has no
 * owner and opens in the middle of the screen.
 */
class PasswordWindow : public QWidget {
    Q_OBJECT
protected:
    PasswordWindow(const QString& objectName, const QString& frameName, Qt::WindowFlags extraFlags, QWidget* parent);

    /** Shows the window in the middle of the screen with the focus in the box. */
    void showCentred();

    QGroupBox* m_frame;
    QLineEdit* txtPassword;
    QPushButton* cmdAccept;
    QPushButton* cmdAbort;
};

} // namespace telvor
