#pragma once

#include <QString>

#include <optional>

namespace telvor {

/**
 * The lenient reading of a number: blanks (and tabs and line feeds) are ignored anywhere, an
 * optional sign, digits, one decimal point, an exponent (E or D); reading stops at the first
 * character that cannot continue the number; a text without a leading number gives 0.
 * " 007" gives 7, "1 2" gives 12, "12ab" gives 12, "ab" gives 0, "2.5e1" gives 25.
 */
double leadingNumber(const QString& text);

/** Rounds half to even (2.5 gives 2, -2.5 gives -2); nothing when the result is outside -32768..32767. */
std::optional<qint16> toInt16(double value);

/** leadingNumber followed by toInt16. */
std::optional<qint16> lenientInt16(const QString& text);

/** A number printed with a sign position: a blank before a value of 0 or more, "-" before a negative. */
QString withSignPosition(qint64 value);

} // namespace telvor
