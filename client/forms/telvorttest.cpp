#include "client/forms/telvorttest.h"

#include "client/core/Company.h"
#include "client/forms/TopLevel.h"
#include "common/Twips.h"
#include "pictures/AlarmLamp.h"
#include "pictures/Banner.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include <algorithm>
#include <cmath>

namespace telvor {

namespace {

const QSize kClientSize(px(5325), px(3855));
const QRect kLabel1Rect(px(1440), px(480), px(3015), px(855));
const QRect kLabel2Rect(px(240), px(1680), px(2175), px(255));
const QRect kLabel3Rect(px(240), px(3000), px(3015), px(375));
const QRect kCommand1Rect(px(3840), px(2880), px(1215), px(495));
const QRect kImage1Rect(px(240), px(240), px(975), px(975));
const QRect kImage2Rect(px(3960), px(3600), px(1215), px(255));
// The bar keeps its place and height and grows to the right, one step per start-phase tick.
constexpr int kShapeLeftTwips = 240;
constexpr int kShapeTopTwips = 2040;
constexpr int kShapeWidthTwips = 255;
constexpr int kShapeHeightTwips = 135;
constexpr int kShapeGrowthTwips = 100;

// Twenty ticks of half a second: the start phase lasts ten seconds.
constexpr qint16 kStartTicks = 20;
constexpr int kTimer1IntervalMs = 500;
constexpr int kTimer2IntervalMs = 6000;

const QColor kDarkRed(192, 0, 0);

const QString kCancel = QStringLiteral("Abrechen");
const QString kOk = QStringLiteral("OK !");

QFont titleFont(qreal pointSize)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(pointSize);
    font.setBold(true);
    font.setItalic(true);
    return font;
}

void paintDarkRedText(QLabel* label)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, kDarkRed);
    label->setPalette(palette);
}

} // namespace

telvorttest::telvorttest(Scheduler& scheduler, QWidget* parent)
    : QWidget(parent), Label1(new QLabel(this)), Label2(new QLabel(this)), Shape1(new QFrame(this)),
      Label3(new QLabel(this)), Command1(new QPushButton(this)), Image1(new QLabel(this)), Image2(new QLabel(this)),
      Timer1(scheduler, kTimer1IntervalMs, false), Timer2(scheduler, kTimer2IntervalMs, false),
      m_shapeWidthTwips(kShapeWidthTwips)
{
    prepareTopLevel(*this, Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint, QStringLiteral("telvorttest"));
    setFixedSize(kClientSize);

    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::PlainText);
    Label1->setFont(titleFont(15.75));
    paintDarkRedText(Label1);
    Label1->setGeometry(kLabel1Rect);

    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setTextFormat(Qt::PlainText);
    Label2->setText(QStringLiteral("Initialisiere :"));
    Label2->setGeometry(kLabel2Rect);

    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setFrameShape(QFrame::NoFrame);
    Shape1->setAutoFillBackground(true);
    QPalette barPalette = Shape1->palette();
    barPalette.setColor(QPalette::Window, kDarkRed);
    Shape1->setPalette(barPalette);
    setShapeWidth(kShapeWidthTwips);

    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setTextFormat(Qt::PlainText);
    Label3->setFont(titleFont(14.25));
    paintDarkRedText(Label3);
    Label3->setText(QStringLiteral("Bitte Alarm auslösen "));
    Label3->setGeometry(kLabel3Rect);
    Label3->hide();

    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setText(kCancel);
    Command1->setGeometry(kCommand1Rect);
    Command1->hide();
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });

    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(kImage1Rect);
    Image1->setScaledContents(true);
    Image1->setPixmap(alarmLamp(kImage1Rect.width(), devicePixelRatioF()));

    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setGeometry(kImage2Rect);
    Image2->setScaledContents(true);
    Image2->setPixmap(banner(kImage2Rect.size(), devicePixelRatioF()));

    Timer1.setOnTick([this] { Timer1_Timer(); });
    Timer2.setOnTick([this] { Timer2_Timer(); });
}

void telvorttest::load()
{
    if (m_loaded)
        return;
    Form_Load();
}

void telvorttest::Form_Load()
{
    m_loaded = true;
    setWindowTitle(companyCaption);
    Label1->setText(QStringLiteral("Pendra - Quorvel"));
    m_counter = kStartTicks;
    Timer1.setEnabled(true);
    // No position of its own: the window manager places it.
    show();
}

void telvorttest::reportPress()
{
    if (!m_loaded)
        Form_Load();
    Label3->setText(QStringLiteral("Alarm ausgelöst"));
    Command1->setText(kOk);
    // A timer that is on already keeps its count: the prompt returns 6 s after the first press.
    Timer2.setEnabled(true);
    // Hidden here means closed through the frame with the test pending. Until the user confirms a
    // press, every press is only a test press, so the window comes back with its "OK !" rather
    // than swallowing presses unseen for the rest of the run.
    if (!isVisible()) {
        show();
        raise();
        activateWindow();
    }
}

void telvorttest::Timer1_Timer()
{
    setShapeWidth(m_shapeWidthTwips + kShapeGrowthTwips);
    --m_counter;
    if (m_counter != 0)
        return;
    Timer1.setEnabled(false);
    if (m_client)
        m_client->setInitialisierung(true);
    Label3->show();
    Command1->show();
    Label2->setText(QStringLiteral("Tastenfunktionstest :"));
    QFont bold = Label2->font();
    bold.setBold(true);
    Label2->setFont(bold);
    Shape1->hide();
}

void telvorttest::Timer2_Timer()
{
    Label3->setText(QStringLiteral("Bitte alarm auslösen"));
    Timer2.setEnabled(false);
}

void telvorttest::Command1_Click()
{
    if (Command1->text() == kCancel) {
        if (m_client)
            m_client->endProgram();
        return;
    }
    if (m_client)
        m_client->setGetestet(true);
    hide();
}

void telvorttest::closeEvent(QCloseEvent* event)
{
    // Closing through the frame only hides the window. The start phase runs on to its end, so the
    // client still comes to act on its push-button, and the test stays pending.
    event->accept();
}

void telvorttest::setShapeWidth(int twips)
{
    m_shapeWidthTwips = twips;
    Shape1->setGeometry(px(kShapeLeftTwips), px(kShapeTopTwips), px(twips), px(kShapeHeightTwips));
}

} // namespace telvor
