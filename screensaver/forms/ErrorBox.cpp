#include "screensaver/forms/ErrorBox.h"

#include <QMessageBox>

namespace telvor {

void openErrorBox(QWidget* parent, const QString& title, const QString& text)
{
    auto* box = new QMessageBox(QMessageBox::Critical, title, text, QMessageBox::Ok, parent);
    box->setObjectName(QStringLiteral("errorBox"));
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

} // namespace telvor
