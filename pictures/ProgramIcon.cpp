#include "pictures/ProgramIcon.h"

#include "pictures/AlarmLamp.h"

#include <QPainter>
#include <QPainterPath>

#include <array>

namespace telvor {

namespace {

constexpr std::array kIconSizes{16, 22, 24, 32, 48, 64, 128};

QPixmap greyed(const QPixmap& pixmap)
{
    QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int grey = qGray(line[x]);
            line[x] = qRgba(grey, grey, grey, qAlpha(line[x]));
        }
    }
    return QPixmap::fromImage(image);
}

/** A yellow warning triangle with a black "!" filling the lower right part of a side x side square. */
void drawWarningSign(QPainter& p, int side)
{
    const qreal s = side * 0.62;
    const QPointF origin(side - s, side - s);
    QPainterPath triangle;
    triangle.moveTo(origin + QPointF(s / 2, 0));
    triangle.lineTo(origin + QPointF(s, s * 0.92));
    triangle.lineTo(origin + QPointF(0, s * 0.92));
    triangle.closeSubpath();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, std::max(1.0, side / 24.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(255, 204, 0));
    p.drawPath(triangle);
    p.setPen(QPen(Qt::black, std::max(1.5, s / 8), Qt::SolidLine, Qt::RoundCap));
    p.drawLine(origin + QPointF(s / 2, s * 0.33), origin + QPointF(s / 2, s * 0.62));
    p.drawPoint(origin + QPointF(s / 2, s * 0.78));
}

} // namespace

QIcon programIcon()
{
    QIcon icon;
    for (const int side : kIconSizes)
        icon.addPixmap(lampOnSquare(side));
    return icon;
}

QIcon cutOffIcon()
{
    QIcon icon;
    for (const int side : kIconSizes) {
        QPixmap pixmap = greyed(lampOnSquare(side));
        QPainter p(&pixmap);
        drawWarningSign(p, side);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace telvor
