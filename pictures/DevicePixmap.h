#pragma once

#include <QPixmap>
#include <QSize>

#include <algorithm>
#include <cmath>

namespace telvor {

/** An empty pixmap of sizePx device-independent pixels in device pixels, at least one each way. */
inline QPixmap devicePixmap(QSize sizePx, qreal devicePixelRatio)
{
    const auto scaled = [devicePixelRatio](int length) {
        return std::max(1, static_cast<int>(std::lround(length * devicePixelRatio)));
    };
    return QPixmap(scaled(sizePx.width()), scaled(sizePx.height()));
}

} // namespace telvor
