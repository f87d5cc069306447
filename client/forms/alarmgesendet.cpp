#include "client/forms/alarmgesendet.h"

#include "client/core/Company.h"
#include "client/forms/TopLevel.h"
#include "common/Twips.h"
#include "pictures/AlarmLamp.h"

#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace telvor {

namespace {

// Layout in twips: a client area of 4800 x 1800 holds the lamp (720 square) at the left, the
// message to its right on the lamp's upper half, and "OK !" at the bottom right under the message.
const QSize kClientSize(px(4800), px(1800));
const QRect kImageRect(px(120), px(120), px(720), px(720));
const QPoint kLabelPos(px(1080), px(300));
const QRect kButtonRect(px(3360), px(1140), px(1215), px(495));

} // namespace

alarmgesendet::alarmgesendet(QWidget* parent)
    : QWidget(parent), Label1(new QLabel(this)), Image1(new QLabel(this)), Command1(new QPushButton(this))
{
    prepareTopLevel(*this, Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint, QStringLiteral("alarmgesendet"));
    setFixedSize(kClientSize);

    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::PlainText);
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(12);
    font.setBold(true);
    Label1->setFont(font);
    Label1->setText(QStringLiteral("Der Alarm wurde ausgelöst ."));
    Label1->move(kLabelPos);
    Label1->adjustSize();

    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(kImageRect);
    Image1->setScaledContents(true);
    Image1->setPixmap(alarmLamp(kImageRect.width(), devicePixelRatioF()));

    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setText(QStringLiteral("OK !"));
    Command1->setGeometry(kButtonRect);
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
}

void alarmgesendet::load()
{
    if (m_loaded)
        return;
    setWindowTitle(companyCaption);
    if (const QScreen* s = screen())
        move(s->availableGeometry().center() - rect().center());
    setWindowState(Qt::WindowMinimized);
    m_loaded = true;
}

void alarmgesendet::einschalten()
{
    load();
    Command1->setEnabled(false);
    showMinimized();
}

void alarmgesendet::enableOk()
{
    load();
    Command1->setEnabled(true);
}

void alarmgesendet::Command1_Click()
{
    hide();
}

} // namespace telvor
