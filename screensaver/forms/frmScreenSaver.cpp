#include "screensaver/forms/frmScreenSaver.h"

#include "common/Twips.h"
#include "pictures/AlarmLamp.h"
#include "pictures/ProgramIcon.h"
#include "screensaver/forms/FormStyle.h"
#include "screensaver/forms/frmCheckPassword.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QWindow>

#include <utility>

namespace telvor {

namespace {

const QRect kImage1Rect = twips(240, 240, 975, 975);
const QRect kTimeRect = twips(360, 1320, 1695, 375);
const QPoint kLabel1Pos(px(360), px(1800));
// The alarm text is scaled to the screen: one point for every 450 twips of its width.
constexpr qreal kTwipsPerPoint = 450.0;
constexpr qreal kTimePointSize = 9.75;
constexpr int kGrabRetryMs = 100;

QColor colourOf(const Rgb& rgb)
{
    return {rgb.red, rgb.green, rgb.blue};
}

/** An alarm text separates its lines with CR; a label breaks them at LF. */
QString linesOf(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

} // namespace

frmScreenSaver::frmScreenSaver(SaverContext& context, ScreenSaverServices services, WindowSystem& windows,
                               QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), Image1(new QLabel(this)), lbl_time(new QLabel(this)),
      Label1(new QLabel(this)), m_context(context), m_windows(windows), m_core(context, services, *this),
      m_grabRetry(services.scheduler, kGrabRetryMs, false, [this] { tryGrab(); })
{
    setObjectName(QStringLiteral("frmScreenSaver"));
    setWindowTitle(QStringLiteral("PENDRASaver"));
    setWindowIcon(programIcon());
    // Every move counts, not only those with a button held.
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    paint(*this, Qt::black);

    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(kImage1Rect);
    Image1->setScaledContents(true);
    Image1->setPixmap(lampOnSquare(kImage1Rect.width(), devicePixelRatioF()));

    lbl_time->setObjectName(QStringLiteral("lbl_time"));
    lbl_time->setTextFormat(Qt::PlainText);
    lbl_time->setGeometry(kTimeRect);
    lbl_time->setFont(arialFont(kTimePointSize));

    Label1->setObjectName(QStringLiteral("Label1"));
    // An alarm text comes from another station's file: never interpret it as markup.
    Label1->setTextFormat(Qt::PlainText);
    Label1->setWordWrap(false);
    Label1->move(kLabel1Pos);
    Label1->setFont(arialFont(kTimePointSize, true));
    Label1->hide();

    // Qt drops a move without a button over a child that does not track the mouse; every move
    // over the picture, the clock or the text belongs to the window.
    for (QLabel* label : {Image1, lbl_time, Label1})
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
}

frmScreenSaver::~frmScreenSaver()
{
    // The host's stand-in goes first; the window it holds is this widget's to destroy.
    if (m_host && windowHandle())
        windowHandle()->setParent(nullptr);
}

void frmScreenSaver::showFullScreenSaver()
{
    setGeometry(screen()->geometry());
    showFullScreen();
    raise();
    activateWindow();
    m_core.shown();
}

void frmScreenSaver::embedInto(quint32 host, QSize size)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    m_host.reset(QWindow::fromWinId(host));
    winId();
    // Before the first show: after it, the window would stay under the root.
    windowHandle()->setParent(m_host.get());
    setGeometry(QRect(QPoint(0, 0), size));
    show();
    m_core.shown();
}

void frmScreenSaver::keyPressEvent(QKeyEvent* event)
{
    m_core.Form_KeyDown();
    if (!event->text().isEmpty())
        m_core.Form_KeyPress();
}

void frmScreenSaver::keyReleaseEvent(QKeyEvent*)
{
    m_core.Form_KeyUp();
}

void frmScreenSaver::mousePressEvent(QMouseEvent*)
{
    m_core.Form_MouseDown();
}

void frmScreenSaver::mouseReleaseEvent(QMouseEvent*)
{
    m_core.Form_MouseUp();
}

void frmScreenSaver::mouseMoveEvent(QMouseEvent*)
{
    m_core.Form_MouseMove();
}

void frmScreenSaver::closeEvent(QCloseEvent* event)
{
    bool cancel = false;
    if (!m_closing)
        m_core.Form_Unload(cancel);
    if (cancel) {
        event->ignore();
        return;
    }
    m_closing = true;
    m_grabRetry.setEnabled(false);
    event->accept();
}

void frmScreenSaver::showDisplay(const SaverDisplay& display)
{
    paint(*this, colourOf(display.background));
    paint(*lbl_time, colourOf(display.labelBackground), Qt::white);
    paint(*Label1, colourOf(display.labelBackground), colourOf(display.alarmTextColour));
    lbl_time->setText(display.time);
    Label1->setText(linesOf(display.alarmText));
    if (!display.alarmTextShown)
        return;
    // From the width of the whole screen, also in a small preview, which shows its top left part.
    QFont font = Label1->font();
    font.setPointSizeF(screen()->geometry().width() * kTwipsPerPixel / kTwipsPerPoint);
    Label1->setFont(font);
    Label1->adjustSize();
    Label1->show();
}

void frmScreenSaver::setTopmost(bool topmost)
{
    if (m_host)
        return;
    m_windows.setAbove(static_cast<quint32>(winId()), topmost);
    showFullScreen();
}

void frmScreenSaver::openPasswordPrompt()
{
    auto* prompt = new frmCheckPassword(m_context);
    prompt->setAttribute(Qt::WA_DeleteOnClose);
    connect(
        prompt, &frmCheckPassword::closed, this, [this] { m_core.passwordPromptClosed(); }, Qt::QueuedConnection);
    prompt->Form_Load();
}

void frmScreenSaver::setInputGrabbed(bool grabbed)
{
    m_grabRetry.setEnabled(grabbed);
    if (grabbed) {
        tryGrab();
        return;
    }
    releaseKeyboard();
    releaseMouse();
}

void frmScreenSaver::tryGrab()
{
    QWindow* window = windowHandle();
    if (!window || !window->isExposed() || !window->setKeyboardGrabEnabled(true) || !window->setMouseGrabEnabled(true))
        return;
    // Qt's own routing follows the window system's grab.
    grabKeyboard();
    grabMouse();
    m_grabRetry.setEnabled(false);
}

void frmScreenSaver::closeWindow()
{
    m_closing = true;
    m_grabRetry.setEnabled(false);
    close();
}

} // namespace telvor
