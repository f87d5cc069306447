#pragma once

#include "common/SettingsStore.h"
#include "screensaver/forms/PasswordWindow.h"

namespace telvor {

/**
 * The window that stores a new password: the stored one shows as a row of "*"; "&Ü&bernehmen"
 * stores the box as it is, an empty box removes the protection. Enter means nothing here.
 */
class frmSetPassword final : public PasswordWindow {
    Q_OBJECT
public:
    explicit frmSetPassword(SettingsStore store, QWidget* parent = nullptr);

    /** Puts the stored password into the box and opens the window. */
    void Form_Load();

private:
    void cmdAccept_Click();

    SettingsStore m_store;
};

} // namespace telvor
