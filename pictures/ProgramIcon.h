#pragma once

#include <QIcon>

namespace telvor {

/** The programs' icon: the alarm lamp on an orange-red square, in the sizes desktops ask for. */
QIcon programIcon();

/**
 * The icon of a station cut off from its exchange directory: the lamp greyed out, with a yellow
 * warning sign in the corner, so that it stands apart from the normal icon also at 16 pixels.
 */
QIcon cutOffIcon();

} // namespace telvor
