#pragma once

#include <QLocale>
#include <QString>

#include <optional>

namespace telvor {

/**
 * The value of a text that reads as a decimal number in locale: blanks, an optional sign, digits
 * with the locale's decimal separator and its group separators between digits, an optional
 * exponent, blanks. Nothing for any other text, the empty one included. A huge exponent gives an
 * infinite value.
 */
std::optional<double> localeNumber(const QString& text, const QLocale& locale);

} // namespace telvor
