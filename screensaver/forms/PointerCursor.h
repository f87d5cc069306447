#pragma once

#include "screensaver/core/SaverContext.h"

namespace telvor {

/** Shows the pointer balance on the screen: a blank pointer over every window of the program while it is below 0. */
void bindPointerToCursor(PointerBalance& pointer);

} // namespace telvor
