#include "screensaver/forms/frmCheckPassword.h"

#include "screensaver/forms/ErrorBox.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QPushButton>

namespace telvor {

frmCheckPassword::frmCheckPassword(SaverContext& context, QWidget* parent)
    : PasswordWindow(QStringLiteral("frmCheckPassword"), QStringLiteral("fraCheckPassword"), Qt::WindowStaysOnTopHint,
                     parent),
      m_core(context)
{
    connect(cmdAccept, &QPushButton::clicked, this, [this] { cmdAccept_Click(); });
    connect(cmdAbort, &QPushButton::clicked, this, [this] { cmdAbort_Click(); });
    // txtPassword_KeyPress with Enter: the box takes no character for it.
    connect(txtPassword, &QLineEdit::returnPressed, this, [this] { cmdAccept_Click(); });
}

void frmCheckPassword::Form_Load()
{
    m_core.Form_Load();
    // The screen saver waits for the answer: no other window of the program takes input meanwhile.
    setWindowModality(Qt::ApplicationModal);
    showCentred();
}

void frmCheckPassword::cmdAccept_Click()
{
    if (m_core.cmdAccept_Click(txtPassword->text())) {
        close();
        return;
    }
    if (m_core.isOpen())
        openErrorBox(this, QStringLiteral("Passwort:"), QStringLiteral("Falsches Passwort."));
}

void frmCheckPassword::cmdAbort_Click()
{
    m_core.cmdAbort_Click();
    close();
}

void frmCheckPassword::closeEvent(QCloseEvent* event)
{
    // Through the frame, or after a button: either way the prompt is over.
    m_core.cmdAbort_Click();
    event->accept();
    emit closed();
}

} // namespace telvor
