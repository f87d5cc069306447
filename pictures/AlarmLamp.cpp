#include "pictures/AlarmLamp.h"

#include "pictures/DevicePixmap.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace telvor {

namespace {

// Everything is drawn on a 100 x 100 grid and scaled, so the proportions never depend on the size.
constexpr qreal kGrid = 100.0;

// Dark outlines keep the lamp readable on the window's red phase as well as on its white one.
const QColor kOutline(60, 10, 10);
const QColor kRay(255, 190, 0);

void drawRays(QPainter& p)
{
    const QPointF centre(50, 52);
    constexpr int rays = 7;
    for (int i = 0; i < rays; ++i) {
        // A fan over the top half, from the left horizon to the right one.
        const qreal angle = std::numbers::pi * (1.0 + static_cast<qreal>(i) / (rays - 1));
        const QPointF dir(std::cos(angle), std::sin(angle));
        const QPointF from = centre + dir * 36.0;
        const QPointF to = centre + dir * 47.0;
        p.setPen(QPen(kOutline, 7.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(from, to);
        p.setPen(QPen(kRay, 4.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(from, to);
    }
}

void drawDome(QPainter& p)
{
    // A half-round dome standing on a short cylinder.
    QPainterPath dome;
    dome.moveTo(28, 74);
    dome.lineTo(28, 52);
    dome.arcTo(QRectF(28, 30, 44, 44), 180, -180);
    dome.lineTo(72, 74);
    dome.closeSubpath();

    QRadialGradient glow(QPointF(43, 46), 34);
    glow.setColorAt(0.0, QColor(255, 170, 150));
    glow.setColorAt(0.35, QColor(240, 30, 20));
    glow.setColorAt(1.0, QColor(150, 0, 0));
    p.setPen(QPen(kOutline, 3.0));
    p.setBrush(glow);
    p.drawPath(dome);

    // The bright core of the lamp behind the glass.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 235, 120, 220));
    p.drawEllipse(QPointF(50, 58), 6.5, 8.5);

    // A glint on the glass.
    QPainterPath glint;
    glint.moveTo(35, 62);
    glint.lineTo(35, 52);
    glint.arcTo(QRectF(35, 37, 16, 30), 180, -70);
    glint.lineTo(40, 46);
    glint.arcTo(QRectF(40, 44, 10, 20), 110, 70);
    glint.lineTo(40, 62);
    glint.closeSubpath();
    p.setBrush(QColor(255, 255, 255, 170));
    p.drawPath(glint);
}

void drawBase(QPainter& p)
{
    QLinearGradient metal(QPointF(0, 74), QPointF(0, 92));
    metal.setColorAt(0.0, QColor(110, 110, 118));
    metal.setColorAt(1.0, QColor(40, 40, 46));
    p.setPen(QPen(QColor(20, 20, 24), 3.0));
    p.setBrush(metal);
    QPainterPath base;
    base.moveTo(24, 74);
    base.lineTo(76, 74);
    base.lineTo(82, 92);
    base.lineTo(18, 92);
    base.closeSubpath();
    p.drawPath(base);

    // A rim where the dome sits on the base.
    p.setBrush(QColor(170, 170, 178));
    p.drawRoundedRect(QRectF(22, 71, 56, 6), 2.5, 2.5);
}

} // namespace

void paintAlarmLamp(QPainter& painter, qreal side)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(side / kGrid, side / kGrid);
    drawRays(painter);
    drawDome(painter);
    drawBase(painter);
    painter.restore();
}

void paintLampOnSquare(QPainter& painter, int side)
{
    painter.fillRect(QRect(0, 0, side, side), QColor(255, 69, 0));
    // The rays' tips almost touch the lamp's own square; a small margin keeps them off the edge.
    const int margin = side / 16;
    painter.save();
    painter.translate(margin, margin);
    paintAlarmLamp(painter, side - 2 * margin);
    painter.restore();
}

QPixmap alarmLamp(int sidePx, qreal devicePixelRatio)
{
    QPixmap pixmap = devicePixmap(QSize(sidePx, sidePx), devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    paintAlarmLamp(p, pixmap.width());
    p.end();
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}

QPixmap lampOnSquare(int sidePx, qreal devicePixelRatio)
{
    QPixmap pixmap = devicePixmap(QSize(sidePx, sidePx), devicePixelRatio);
    QPainter p(&pixmap);
    paintLampOnSquare(p, pixmap.width());
    p.end();
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}

} // namespace telvor
