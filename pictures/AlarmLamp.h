#pragma once

#include <QPixmap>

namespace telvor {

/**
 * The alarm windows' picture: a red warning beacon with light rays on a transparent background.
 * Drawn in code so that it is sharp at every size and needs no resource file. sidePx is the edge
 * of the square in device-independent pixels; the pixmap carries devicePixelRatio.
 */
QPixmap alarmLamp(int sidePx, qreal devicePixelRatio = 1.0);

/** The lamp on an orange-red square: the screen saver's picture and the programs' icon. */
QPixmap lampOnSquare(int sidePx, qreal devicePixelRatio = 1.0);

} // namespace telvor
