#pragma once

class QLockFile;

namespace telvor {

/**
 * Ends the process at once with status: a thread stuck on a hung share can hold neither the
 * process nor its single-instance lock, which is freed first, so that the next copy may start
 * while this one still waits to be reaped.
 */
[[noreturn]] void endProcessNow(QLockFile* instance, int status);

} // namespace telvor
