#pragma once

#include <QPixmap>

class QPainter;

namespace telvor {

/** Paints the alarm lamp into the square (0, 0, side, side) of painter's coordinates. */
void paintAlarmLamp(QPainter& painter, qreal side);

/** Paints the lamp on its orange-red square (0, 0, side, side): the pixmaps below and the SVG icon. */
void paintLampOnSquare(QPainter& painter, int side);

/**
 * The alarm windows' picture: a red warning beacon with light rays on a transparent background.
 * Drawn in code so that it is sharp at every size and needs no resource file. sidePx is the edge
 * of the square in device-independent pixels; the pixmap carries devicePixelRatio.
 */
QPixmap alarmLamp(int sidePx, qreal devicePixelRatio = 1.0);

/** The lamp on an orange-red square: the screen saver's picture and the programs' icon. */
QPixmap lampOnSquare(int sidePx, qreal devicePixelRatio = 1.0);

} // namespace telvor
