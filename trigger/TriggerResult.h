#pragma once

#include <QString>

namespace telvor {

/**
 * How a run of telvorstart ended; the value is the process's exit code. This is the one place the
 * codes are defined. 1 is left out on purpose, so that a run that breaks down in some other way
 * (a crash, an abort of the runtime) can never be mistaken for one of these.
 */
enum class TriggerOutcome : int {
    Created = 0,              ///< the trigger file is there, empty (created or truncated)
    NoConfiguration = 2,      ///< TELVOR.DAT is in none of the searched directories
    DamagedConfiguration = 3, ///< TELVOR.DAT was read but names no usable exchange directory and station
    FileOperationFailed = 4,  ///< reading TELVOR.DAT, reaching the exchange directory or creating the file failed
};

struct TriggerResult {
    TriggerOutcome outcome = TriggerOutcome::Created;
    QString triggerPath; ///< the trigger file, once its name is known
    QString message;     ///< what failed, in German, for the user; empty on success

    [[nodiscard]] bool ok() const { return outcome == TriggerOutcome::Created; }
    [[nodiscard]] int exitCode() const { return static_cast<int>(outcome); }
};

} // namespace telvor
