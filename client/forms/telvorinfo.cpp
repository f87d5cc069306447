#include "client/forms/telvorinfo.h"

#include "client/core/Company.h"
#include "client/forms/TopLevel.h"
#include "common/Twips.h"
#include "pictures/AlarmLamp.h"
#include "pictures/Banner.h"

#include <QLabel>
#include <QPushButton>

namespace telvor {

namespace {

const QSize kClientSize(px(5430), px(2655));

QFont arial(qreal pointSize, bool bold, bool italic = false)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

QLabel* textLabel(QWidget* parent, const char* name, const QString& text, const QRect& rect, const QFont& font)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(rect);
    label->setFont(font);
    return label;
}

QLabel* picture(QWidget* parent, const char* name, const QRect& rect, const QPixmap& pixmap)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(rect);
    label->setScaledContents(true);
    label->setPixmap(pixmap);
    return label;
}

} // namespace

telvorinfo::telvorinfo(QWidget* parent)
    : QWidget(parent), Label1(textLabel(this, "Label1", QString(), twips(1920, 360, 2535, 255), arial(11.25, true))),
      Label2(textLabel(this, "Label2", QStringLiteral("Quorvel"), twips(1920, 720, 3135, 495), arial(18, true, true))),
      Label3(textLabel(this, "Label3", QStringLiteral("Version : 3.7.1 - TS"), twips(240, 1320, 1575, 255),
                       arial(8.25, false))),
      Label4(
          textLabel(this, "Label4", QStringLiteral("Stiller Alarm"), twips(120, 2400, 1455, 255), arial(8.25, false))),
      Command1(new QPushButton(QStringLiteral("Schliessen"), this)),
      Image1(picture(this, "Image1", twips(240, 240, 975, 975), alarmLamp(px(975), devicePixelRatioF()))),
      Image2(picture(this, "Image2", twips(4200, 2400, 1215, 255),
                     banner(twips(4200, 2400, 1215, 255).size(), devicePixelRatioF())))
{
    prepareTopLevel(*this, Qt::WindowCloseButtonHint, QStringLiteral("telvorinfo"));
    setFixedSize(kClientSize);

    QPalette darkRed = Label2->palette();
    darkRed.setColor(QPalette::WindowText, QColor(192, 0, 0));
    Label2->setPalette(darkRed);

    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(twips(2400, 1680, 1215, 495));
    Command1->setAutoDefault(false);
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
}

void telvorinfo::showInfo()
{
    if (!m_loaded)
        Form_Load();
    // Already on the screen, it keeps its place and content; it only comes to the front.
    show();
    raise();
    activateWindow();
}

void telvorinfo::Form_Load()
{
    m_loaded = true;
    setWindowTitle(companyCaption);
    Label1->setText(QStringLiteral("Orska KVT GmbH"));
}

void telvorinfo::Command1_Click()
{
    hide();
}

} // namespace telvor
