#pragma once

#include <QPixmap>
#include <QSize>

namespace telvor {

/**
 * The small banner of the client's windows: the product name in dark red on white, in a dark-red
 * frame. sizePx is in device-independent pixels; the pixmap carries devicePixelRatio.
 */
QPixmap banner(QSize sizePx, qreal devicePixelRatio = 1.0);

} // namespace telvor
