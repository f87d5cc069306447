#pragma once

#include <QString>

class QWidget;

namespace telvor {

/**
 * A message with the error symbol, modal to parent, opened without waiting: no handler runs a
 * nested event loop while the refresh and the signals go on.
 */
void openErrorBox(QWidget* parent, const QString& title, const QString& text);

} // namespace telvor
