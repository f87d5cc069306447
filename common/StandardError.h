#pragma once

#include <QString>

namespace telvor {

/**
 * Writes line and a line end to standard error in one piece, from whichever thread: lines of two
 * threads never interleave, and a worker may report from its own.
 */
void printLine(const QString& line);

} // namespace telvor
