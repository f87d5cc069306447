#include "screensaver/forms/frmSetPassword.h"

#include "common/SettingsNames.h"
#include "screensaver/core/SaverSettings.h"
#include "screensaver/forms/ErrorBox.h"

#include <QLineEdit>
#include <QPushButton>

#include <utility>

namespace telvor {

frmSetPassword::frmSetPassword(SettingsStore store, QWidget* parent)
    : PasswordWindow(QStringLiteral("frmSetPassword"), QStringLiteral("fraSetPassword"), {}, parent),
      m_store(std::move(store))
{
    connect(cmdAccept, &QPushButton::clicked, this, [this] { cmdAccept_Click(); });
    connect(cmdAbort, &QPushButton::clicked, this, &QWidget::close);
}

void frmSetPassword::Form_Load()
{
    txtPassword->setText(readPassword(m_store));
    showCentred();
}

void frmSetPassword::cmdAccept_Click()
{
    // Nobody may believe that a password guards the screen when none was stored.
    if (const std::optional<QString> problem =
            m_store.write(settings::kSection, {{settings::kPassword, txtPassword->text()}})) {
        openErrorBox(this, QStringLiteral("Fehler:"),
                     QStringLiteral("Das Passwort wurde nicht gespeichert.\n") + *problem);
        return;
    }
    close();
}

} // namespace telvor
