#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QScreen>
#include <QString>
#include <QWidget>

namespace telvor {

/** Arial where it is installed, else the font with its metrics, so that the texts fit the twips layouts. */
inline QFont arialFont(qreal pointSize, bool bold = false)
{
    QFont font;
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("Helvetica")});
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

/** The small dialog font of the password windows. */
inline QFont dialogFont()
{
    QFont font = arialFont(8.25);
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
    return font;
}

/** Fills the widget's background with colour and, where letters is valid, paints its letters so. */
inline void paint(QWidget& widget, const QColor& background, const QColor& letters = QColor())
{
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, background);
    if (letters.isValid())
        palette.setColor(QPalette::WindowText, letters);
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}

/** Places a window of its own in the middle of its screen. */
inline void centreOnScreen(QWidget& window)
{
    window.move(window.screen()->availableGeometry().center() - window.rect().center());
}

} // namespace telvor
