#pragma once

#include "client/core/StationConfig.h"

#include <QString>

namespace telvor {

/**
 * TELVOR.DAT as the setup's save writes it: the bracket record, the test-off state, alarm text
 * lines 2 to 4 and the full-screen state, each line ended by CR LF.
 */
QString composeConfigFile(const StationConfig& config, const SetupFields& fields);

} // namespace telvor
