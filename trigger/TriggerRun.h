#pragma once

#include "trigger/TriggerResult.h"

#include <QStringList>

namespace telvor {

struct TriggerInputs {
    /**
     * Directories searched for TELVOR.DAT, in order: beside the executable, the per-user one, the
     * workstation's. Only a file that is not there passes on to the next.
     */
    QStringList configDirectories;
};

/**
 * One pass of the soft trigger: read the station's configuration and create its empty trigger file
 * in the exchange directory. On any failure nothing is created.
 */
TriggerResult runTrigger(const TriggerInputs& inputs);

} // namespace telvor
