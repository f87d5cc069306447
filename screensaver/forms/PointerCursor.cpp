#include "screensaver/forms/PointerCursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace telvor {

void bindPointerToCursor(PointerBalance& pointer)
{
    pointer.setOnVisibilityChange([](bool visible) {
        if (visible)
            QGuiApplication::restoreOverrideCursor();
        else
            QGuiApplication::setOverrideCursor(QCursor(Qt::BlankCursor));
    });
}

} // namespace telvor
