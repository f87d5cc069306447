#pragma once

#include "client/core/StationConfig.h"
#include "common/FileIo.h"

#include <QString>

namespace telvor {

/**
 * TELVOR.DAT as the setup's save writes it: the bracket record, the test-off state, alarm text
 * lines 2 to 4 and the full-screen state, each line ended by CR LF.
 */
QString composeConfigFile(const StationConfig& config, const SetupFields& fields);

/**
 * Replaces TELVOR.DAT at path whole (a temporary file beside it, synced, then renamed), the
 * temporary file named so that removeConfigLeftovers finds it after a crash in mid-write.
 */
IoResult writeConfigFile(const QString& path, const QString& text);

/** Removes the temporary files that writeConfigFile left in directory when the client was killed. */
void removeConfigLeftovers(const QString& directory);

/** Which TELVOR.DAT a start reads. */
struct ConfigLocation {
    Presence presence = Presence::Absent; ///< Absent: neither file is there; Unknown: path could not be tested
    QString path;
    int error = 0; ///< errno of the test when Unknown
};

/**
 * The user's own TELVOR.DAT when it is there, else the workstation's (in workstationDirectory, if
 * any). Only "not found" passes on to the next place.
 */
ConfigLocation locateConfigFile(const QString& userDirectory, const QString& workstationDirectory);

} // namespace telvor
