#include "screensaver/core/PasswordPrompt.h"

#include "screensaver/core/SaverSettings.h"

namespace telvor {

void PasswordPrompt::Form_Load()
{
    storedPassword = readPassword(m_context.settings);
    m_open = true;
    m_context.pointer.ShowCursor(true);
}

bool PasswordPrompt::cmdAccept_Click(const QString& typed)
{
    if (!m_open)
        return false;
    // Character for character: a password differing only in case is another password.
    if (typed != storedPassword)
        return false;
    close(true);
    return true;
}

void PasswordPrompt::cmdAbort_Click()
{
    if (m_open)
        close(false);
}

void PasswordPrompt::close(bool passwordOk)
{
    m_open = false;
    m_context.passwordOk = passwordOk;
    m_context.pointer.ShowCursor(false);
}

} // namespace telvor
