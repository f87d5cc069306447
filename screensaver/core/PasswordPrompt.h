#pragma once

#include "screensaver/core/SaverContext.h"

#include <QString>

namespace telvor {

/**
 * The logic of the password prompt frmCheckPassword: it shows the pointer while it is open and
 * tells the screen saver through passwordOk whether the right password was typed.
 */
class PasswordPrompt final {
public:
    explicit PasswordPrompt(SaverContext& context) : m_context(context) {}

    void Form_Load();
    /** True for the right password: the prompt closes. False: it stays open and says so. */
    bool cmdAccept_Click(const QString& typed);
    /** Also a close through the window's frame; nothing once the prompt has closed. */
    void cmdAbort_Click();
    [[nodiscard]] bool isOpen() const { return m_open; }

private:
    void close(bool passwordOk);

    SaverContext& m_context;
    QString storedPassword;
    bool m_open = false;
};

} // namespace telvor
