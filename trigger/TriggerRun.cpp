#include "trigger/TriggerRun.h"

#include "common/ExchangeNames.h"
#include "common/FileIo.h"
#include "trigger/TriggerConfig.h"
#include "trigger/TriggerMessages.h"

#include <QFile>

#include <cerrno>
#include <sys/stat.h>

namespace telvor {

namespace {

/** The directory the file is created in, with its final separator: "X/alarmSTART.17" lies in "X/". */
QString directoryPart(const QString& filePath)
{
    const qsizetype slash = filePath.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QStringLiteral("./") : filePath.left(slash + 1);
}

/**
 * Why directory (ending with "/") cannot take the file, as an errno; 0 when it is a directory.
 * The final separator makes the existence test fail with ENOTDIR for a plain file.
 */
int directoryProblem(const QString& directory)
{
    if (IsFilePath(directory)) {
        return 0;
    }
    struct stat info {};
    if (::stat(QFile::encodeName(directory).constData(), &info) != 0) {
        return errno;
    }
    // It appeared between the two looks; report what the existence test saw.
    return ENOENT;
}

} // namespace

TriggerResult runTrigger(const TriggerInputs& inputs)
{
    const TriggerConfigLoad load = loadTriggerConfig(inputs.configDirectories);
    if (!load.config) {
        return load.failure;
    }
    // The directory carries its final separator, as the client reads it, so the file lands inside.
    const QString path = load.config->exchangeDir + triggerFileName(load.config->stationId);

    const QString directory = directoryPart(path);
    if (const int problem = directoryProblem(directory); problem != 0) {
        const IoResult io{IoStatus::Failed, problem};
        return failedTrigger(
            TriggerOutcome::FileOperationFailed,
            QStringLiteral("Das Austauschverzeichnis %1 ist nicht erreichbar: %2.").arg(directory, fileErrorText(io)),
            path);
    }

    const IoResult created = createEmptyFile(path, Links::Refuse);
    if (!created.ok()) {
        return failedTrigger(
            TriggerOutcome::FileOperationFailed,
            QStringLiteral("Die Auslösedatei %1 konnte nicht angelegt werden: %2.").arg(path, fileErrorText(created)),
            path);
    }
    return TriggerResult{TriggerOutcome::Created, path, {}};
}

} // namespace telvor
