#pragma once

#include "screensaver/core/PasswordPrompt.h"
#include "screensaver/core/SaverContext.h"
#include "screensaver/forms/PasswordWindow.h"

namespace telvor {

/**
 * The prompt that guards the end of the screen saver: modal, above the screen saver, with the
 * pointer shown while it is open. Enter in the box acts as "&Ü&bernehmen"; a close through the
 * frame as "&Abbruch".
 */
class frmCheckPassword final : public PasswordWindow {
    Q_OBJECT
public:
    explicit frmCheckPassword(SaverContext& context, QWidget* parent = nullptr);

    /** Reads the password and opens the prompt. */
    void Form_Load();

signals:
    /** The prompt has closed; passwordOk tells whether the right password was typed. */
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void cmdAccept_Click();
    void cmdAbort_Click();

    PasswordPrompt m_core;
};

} // namespace telvor
