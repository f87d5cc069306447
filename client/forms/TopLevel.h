#pragma once

#include <QString>
#include <QWidget>

namespace telvor {

/**
 * Prepares one of the client's own windows before its first show: flags set later would hide a
 * shown window on X11, and closing it must never end the client, which lives on without windows.
 */
inline void prepareTopLevel(QWidget& window, Qt::WindowFlags buttons, const QString& objectName)
{
    window.setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | buttons);
    window.setAttribute(Qt::WA_QuitOnClose, false);
    window.setObjectName(objectName);
}

} // namespace telvor
