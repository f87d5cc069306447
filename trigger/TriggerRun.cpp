#include "trigger/TriggerRun.h"

#include "common/Exchange.h"
#include "common/ExchangeIo.h"
#include "trigger/TriggerConfig.h"
#include "trigger/TriggerMessages.h"

#include <cerrno>

namespace telvor {

TriggerResult runTrigger(const TriggerInputs& inputs)
{
    const TriggerConfigLoad load = loadTriggerConfig(inputs.configDirectories);
    if (!load.config) {
        return load.failure;
    }
    DirectExchangeIo share;
    Exchange exchange(share);
    // The directory carries its final separator, as the client reads it, so the file lands inside.
    exchange.setDirectory(load.config->exchangeDir);
    const QString trigger = triggerFileName(load.config->stationId);
    const QString path = exchange.path(trigger);

    // The final separator makes the existence test fail with ENOTDIR for a plain file.
    const Probe directory = exchange.probeDirectory();
    if (directory.presence != Presence::Present) {
        const IoResult io{IoStatus::Failed, directory.error != 0 ? directory.error : ENOENT};
        return failedTrigger(TriggerOutcome::FileOperationFailed,
                             QStringLiteral("Das Austauschverzeichnis %1 ist nicht erreichbar: %2.")
                                 .arg(exchange.directory(), fileErrorText(io)),
                             path);
    }

    const IoResult created = exchange.createEmpty(trigger);
    if (!created.ok()) {
        return failedTrigger(
            TriggerOutcome::FileOperationFailed,
            QStringLiteral("Die Auslösedatei %1 konnte nicht angelegt werden: %2.").arg(path, fileErrorText(created)),
            path);
    }
    return TriggerResult{TriggerOutcome::Created, path, {}};
}

} // namespace telvor
