#pragma once

#include "common/TelvorDat.h"
#include "trigger/TriggerResult.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace telvor {

/** What the trigger takes from TELVOR.DAT. */
struct TriggerConfig {
    QString exchangeDir; ///< field 1, with a final separator added when it lacks one, as the client reads it
    QString stationId;   ///< field 3 as the client reads it: its 16-bit value as decimal text
};

struct TriggerConfigLoad {
    std::optional<TriggerConfig> config;
    TriggerResult failure; ///< why there is no config; meaningful only when config is empty
};

/** Fields 1 and 3 of the bracket record in text, which was read from sourcePath. */
TriggerConfigLoad parseTriggerConfig(const QString& text, const QString& sourcePath);

/** Reads TELVOR.DAT from the first of directories that holds one and parses it. */
TriggerConfigLoad loadTriggerConfig(const QStringList& directories);

} // namespace telvor
