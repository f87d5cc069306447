#include "client/forms/Alarmanzeige.h"

#include "client/core/Company.h"
#include "client/forms/TopLevel.h"
#include "common/Twips.h"
#include "pictures/AlarmLamp.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QScreen>

#include <algorithm>

namespace telvor {

namespace {

// The window is given this width whenever it loads; the user cannot resize it.
constexpr int kLoadWidthTwips = 5500;
constexpr int kClientHeightTwips = 2235;
// The text is scaled to the width: one point for every 450 twips of window or screen.
constexpr qreal kTwipsPerPoint = 450.0;
constexpr qreal kLoadPointSize = 11.25;
// Below this the text would no longer be readable at a glance; it is never shrunk further.
constexpr qreal kSmallestPointSize = 6.0;
constexpr int kFlashIntervalMs = 500;

const QPoint kLabelPos(px(1200), px(240));
const QRect kImageRect(px(120), px(120), px(972), px(972));
// Space kept free right of and below the text, the same as the picture keeps to the border.
const int kMargin = px(120);

const QColor kRed(255, 0, 0);
const QColor kWhite(255, 255, 255);

/** The alarm text separates its lines with CR; a label breaks lines at LF. */
QString linesOf(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

} // namespace

Alarmanzeige::Alarmanzeige(Scheduler& scheduler, WindowStacking& stacking, MonitorLayout& monitors, QWidget* parent)
    : QWidget(parent), Label1(new QLabel(this)), Image1(new QLabel(this)), m_stacking(stacking), m_monitors(monitors),
      hintergrund(scheduler, kFlashIntervalMs, false), m_textPointSize(kLoadPointSize)
{
    prepareTopLevel(*this, Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint, QStringLiteral("Alarmanzeige"));
    setAutoFillBackground(true);

    Label1->setObjectName(QStringLiteral("Label1"));
    // An alarm text comes from another station's file: never interpret it as markup.
    Label1->setTextFormat(Qt::PlainText);
    Label1->setAutoFillBackground(true);
    Label1->move(kLabelPos);
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(kLoadPointSize);
    Label1->setFont(font);

    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(kImageRect);
    Image1->setScaledContents(true);
    Image1->setPixmap(alarmLamp(kImageRect.width(), devicePixelRatioF()));

    hintergrund.setOnTick([this] { hintergrund_Timer(); });
    setBackground(kWhite);
}

void Alarmanzeige::Form_Load()
{
    setWindowTitle(companyCaption);
    setWindowState(Qt::WindowNoState);
    m_textPointSize = kLoadPointSize;
    m_red = false;
    setBackground(kWhite);
    setFixedSize(px(kLoadWidthTwips), px(kClientHeightTwips));
    hintergrund.setEnabled(true);
    m_loaded = true;
}

void Alarmanzeige::Alarm(const QString& anztext, bool fullScreen)
{
    if (!m_loaded)
        Form_Load();
    m_fullScreen = fullScreen;
    const bool full = fullScreen;
    if (full)
        m_textPointSize = static_cast<qreal>(screenWidth() * kTwipsPerPixel) / kTwipsPerPoint;
    Label1->setText(linesOf(anztext));
    // A window that opens now opens centred; one already open stays where the user put it.
    const bool opening = !isVisible();
    if (full) {
        if (opening)
            move(availableArea().center() - rect().center());
        enterMaximised();
    } else {
        fitToText();
        if (opening)
            move(availableArea().center() - rect().center());
        // A new alarm must be seen now, not only at the next switch to red.
        setWindowState(windowState() & ~Qt::WindowMinimized);
        show();
    }
    // The alarm takes the keyboard when it arrives; its flashing never takes it again, so that the
    // person at this station can still type a mail or dial a phone while the window is open.
    m_stacking.activate(*windowHandle());
    QApplication::alert(this);
}

void Alarmanzeige::hintergrund_Timer()
{
    comeOverFullScreen();
    if (m_red) {
        m_red = false;
        setBackground(kWhite);
        return;
    }
    m_red = true;
    setBackground(kRed);
    if (m_fullScreen) {
        enterMaximised();
    } else {
        m_textPointSize = static_cast<qreal>(kLoadWidthTwips) / kTwipsPerPoint;
        enterNormal();
    }
    // Some window managers take a raise for a wish for the keyboard: this one leaves it alone.
    m_stacking.raiseWithoutFocus(*windowHandle());
}

// A full-screen window that has the keyboard lies above the "stay on top" layer under most window
// managers: a presentation or a video call would hide the alarm for good once the user clicks back
// into it. Only taking the keyboard lifts the alarm over it; that window keeps its own state. It is
// looked at twice a second, so that the alarm is back within half a second of such a click.
void Alarmanzeige::comeOverFullScreen()
{
    if (isVisible() && m_stacking.fullScreenWindowActive())
        m_stacking.activate(*windowHandle());
}

void Alarmanzeige::closeEvent(QCloseEvent* event)
{
    hintergrund.setEnabled(false);
    m_loaded = false;
    m_red = false;
    event->accept();
}

void Alarmanzeige::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // The window manager decides the maximised size; the text follows once it is known.
    if (m_loaded && isMaximized())
        fitToText();
}

void Alarmanzeige::setBackground(const QColor& colour)
{
    for (QWidget* w : {static_cast<QWidget*>(this), static_cast<QWidget*>(Label1)}) {
        QPalette pal = w->palette();
        pal.setColor(QPalette::Window, colour);
        pal.setColor(QPalette::WindowText, Qt::black);
        w->setPalette(pal);
    }
}

void Alarmanzeige::enterMaximised()
{
    // A fixed size would keep the window manager from maximising the window.
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    showMaximized();
    fitToText();
}

void Alarmanzeige::enterNormal()
{
    showNormal();
    fitToText();
}

// An alarm text that is cut off can hide where help is needed. In normal state the window grows
// to hold the whole text, up to the screen; lines still too long are wrapped at word ends, and only
// text that still does not fit (many lines, an endless word) is made smaller.
void Alarmanzeige::fitToText()
{
    setTextSize(m_textPointSize, QWIDGETSIZE_MAX);
    QSize room = size();
    if (!isMaximized()) {
        const QRect area = availableArea();
        const QSize frame = frameGeometry().size() - size();
        const int neededWidth = Label1->geometry().right() + 1 + kMargin;
        const int neededHeight = std::max(Label1->geometry().bottom(), kImageRect.bottom()) + 1 + kMargin;
        const QSize wanted(std::max(px(kLoadWidthTwips), neededWidth), std::max(px(kClientHeightTwips), neededHeight));
        room = wanted.boundedTo(area.size() - frame);
        setFixedSize(room);
        if (isVisible()) {
            // Keep a window that grew on the screen.
            QRect outer = frameGeometry();
            outer.moveLeft(
                std::clamp(outer.left(), area.left(), std::max(area.left(), area.right() + 1 - outer.width())));
            outer.moveTop(
                std::clamp(outer.top(), area.top(), std::max(area.top(), area.bottom() + 1 - outer.height())));
            if (outer.topLeft() != frameGeometry().topLeft())
                move(outer.topLeft());
        }
    }
    const QSize textRoom(room.width() - kLabelPos.x() - kMargin, room.height() - kLabelPos.y() - kMargin);
    qreal points = m_textPointSize;
    QSize needed = setTextSize(points, textRoom.width());
    while ((needed.width() > textRoom.width() || needed.height() > textRoom.height()) && points > kSmallestPointSize) {
        const qreal scale = std::min(static_cast<qreal>(textRoom.width()) / needed.width(),
                                     static_cast<qreal>(textRoom.height()) / needed.height());
        points = std::max(kSmallestPointSize, std::min(points - 0.25, points * scale));
        needed = setTextSize(points, textRoom.width());
    }
}

QSize Alarmanzeige::setTextSize(qreal pointSize, int maxWidth)
{
    QFont font = Label1->font();
    font.setPointSizeF(pointSize);
    Label1->setFont(font);
    Label1->setWordWrap(false);
    Label1->adjustSize();
    if (Label1->width() <= maxWidth)
        return Label1->size();
    Label1->setWordWrap(true);
    Label1->resize(maxWidth, Label1->heightForWidth(maxWidth));
    // A word longer than a line is not broken: it makes the text wider than the label.
    const QFontMetrics metrics(font);
    const QRect wrapped =
        metrics.boundingRect(QRect(0, 0, maxWidth, QWIDGETSIZE_MAX), Qt::AlignLeft | Qt::TextWordWrap, Label1->text());
    return wrapped.size().expandedTo(Label1->size());
}

QRect Alarmanzeige::monitorArea() const
{
    const QScreen* s = screen();
    if (!s)
        return QRect(QPoint(0, 0), size());
    const QRect whole = s->geometry();
    for (const QRect& monitor : m_monitors.monitors())
        if (monitor != whole && whole.contains(monitor))
            return monitor;
    return whole;
}

QRect Alarmanzeige::availableArea() const
{
    const QScreen* s = screen();
    return s ? s->availableGeometry().intersected(monitorArea()) : QRect(QPoint(0, 0), size());
}

int Alarmanzeige::screenWidth() const
{
    return monitorArea().width();
}

} // namespace telvor
