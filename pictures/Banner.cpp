#include "pictures/Banner.h"

#include "pictures/DevicePixmap.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

namespace telvor {

QPixmap banner(QSize sizePx, qreal devicePixelRatio)
{
    const QColor darkRed(192, 0, 0);
    QPixmap pixmap = devicePixmap(sizePx, devicePixelRatio);
    const QSize device = pixmap.size();
    pixmap.fill(Qt::white);

    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const qreal frame = std::max<qreal>(1.0, devicePixelRatio);
    p.setPen(QPen(darkRed, frame));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(frame / 2, frame / 2, device.width() - frame, device.height() - frame));

    const QString text = QStringLiteral("Quorvel");
    QFont font(QStringLiteral("Arial"));
    font.setBold(true);
    // As large as the frame allows, leaving a little room above and below the letters.
    const QRectF room(2 * frame, frame, device.width() - 4 * frame, device.height() - 2 * frame);
    int pixelSize = std::max(1, static_cast<int>(room.height() * 0.8));
    font.setPixelSize(pixelSize);
    while (pixelSize > 1 && QFontMetricsF(font).horizontalAdvance(text) > room.width())
        font.setPixelSize(--pixelSize);
    p.setFont(font);
    p.setPen(darkRed);
    p.drawText(room, Qt::AlignCenter, text);
    p.end();

    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}

} // namespace telvor
