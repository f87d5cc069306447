#pragma once

#include "common/FileIo.h"
#include "common/SerialPort.h"

#include <QString>

namespace telvor {

/**
 * A failure while loading the configuration (or saving the setup): shown to the user as the
 * description, " - ", the number and two blanks, followed by the port note. The numbers and texts
 * are stable; the README lists them.
 */
struct LoadFailure {
    int number = 0;
    QString description;

    /** The message box text. */
    [[nodiscard]] QString message(const QString& portNote) const;

    static LoadFailure endOfFile();         ///< 62: a line of TELVOR.DAT is missing
    static LoadFailure overflow();          ///< 6: a number outside the 16-bit range
    static LoadFailure invalidValue();      ///< 380: a check-box state other than 0, 1, 2, or a negative debounce time
    static LoadFailure invalidRecord();     ///< 5: the record begins with "]"
    static LoadFailure invalidPortNumber(); ///< 8002: the port text names no port
    static LoadFailure fromIo(const IoResult& result);
    static LoadFailure fromSerial(const SerialOpenResult& result);
};

} // namespace telvor
