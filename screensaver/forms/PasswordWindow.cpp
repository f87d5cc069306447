#include "screensaver/forms/PasswordWindow.h"

#include "common/Twips.h"
#include "screensaver/forms/FormStyle.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>

namespace telvor {

namespace {

const QSize kClientSize(px(4680), px(1320));
const QRect kFrameRect = twips(90, 90, 4470, 645);
const QRect kPasswordRect = twips(135, 270, 4200, 240);
const QRect kAcceptRect = twips(3285, 900, 1275, 330);
const QRect kAbortRect = twips(90, 900, 1275, 330);

/** Hides every typed character behind a "*", at once, rather than behind the style's dot. */
class AsteriskStyle final : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter)
            return u'*';
        if (hint == SH_LineEdit_PasswordMaskDelay)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

PasswordWindow::PasswordWindow(const QString& objectName, const QString& frameName, Qt::WindowFlags extraFlags,
                               QWidget* parent)
    : QWidget(parent,
              Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | extraFlags),
      m_frame(new QGroupBox(QStringLiteral("Password eingeben"), this)), txtPassword(new QLineEdit(m_frame)),
      cmdAccept(new QPushButton(QStringLiteral("&Ü&bernehmen"), this)),
      cmdAbort(new QPushButton(QStringLiteral("&Abbruch"), this))
{
    setObjectName(objectName);
    setWindowTitle(QStringLiteral("Password"));
    setFixedSize(kClientSize);
    setFont(dialogFont());

    m_frame->setObjectName(frameName);
    m_frame->setGeometry(kFrameRect);

    txtPassword->setObjectName(QStringLiteral("txtPassword"));
    txtPassword->setGeometry(kPasswordRect);
    txtPassword->setEchoMode(QLineEdit::Password);
    auto* asterisks = new AsteriskStyle;
    asterisks->setParent(txtPassword);
    txtPassword->setStyle(asterisks);

    cmdAccept->setObjectName(QStringLiteral("cmdAccept"));
    cmdAccept->setGeometry(kAcceptRect);
    cmdAbort->setObjectName(QStringLiteral("cmdAbort"));
    cmdAbort->setGeometry(kAbortRect);

    // Enter means nothing to the buttons: neither of them is a default button.
    for (QPushButton* button : {cmdAccept, cmdAbort}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    setTabOrder(txtPassword, cmdAccept);
    setTabOrder(cmdAccept, cmdAbort);
}

void PasswordWindow::showCentred()
{
    centreOnScreen(*this);
    show();
    raise();
    activateWindow();
    txtPassword->setFocus(Qt::OtherFocusReason);
}

} // namespace telvor
