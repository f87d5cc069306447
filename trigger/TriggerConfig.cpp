#include "trigger/TriggerConfig.h"

#include "common/ExchangeNames.h"
#include "common/FileIo.h"
#include "trigger/TriggerMessages.h"

#include <QDir>

namespace telvor {

namespace {

// The record the trigger needs sits at the very start; the cap keeps a huge file from exhausting memory.
constexpr qint64 kConfigReadCap = qint64{64} * 1024;
// Field 3 is the last one the trigger reads.
constexpr int kFieldsNeeded = 3;

TriggerConfigLoad damaged(const QString& text)
{
    return TriggerConfigLoad{std::nullopt, failedTrigger(TriggerOutcome::DamagedConfiguration, text)};
}

} // namespace

TriggerConfigLoad parseTriggerConfig(const QString& text, const QString& sourcePath)
{
    const BracketRecord record = readTelvorDat(text, kFieldsNeeded).record;
    if (record.negativeFirst) {
        return damaged(QStringLiteral("Die Konfigurationsdatei %1 ist beschädigt: ihre erste Zeile beginnt mit \"]\".")
                           .arg(sourcePath));
    }
    if (!record.complete || record.fields.size() < kFieldsNeeded) {
        return damaged(QStringLiteral("Die Konfigurationsdatei %1 ist beschädigt: ihre erste Zeile endet, bevor "
                                      "das Austauschverzeichnis und die Stationsnummer vollständig sind.")
                           .arg(sourcePath));
    }
    const QString& exchangeDir = record.fields.at(0);
    // Without a directory the name would be relative and the file would land wherever the trigger
    // was started, where no client looks for it.
    if (exchangeDir.trimmed().isEmpty()) {
        return damaged(
            QStringLiteral("In der Konfigurationsdatei %1 ist kein Austauschverzeichnis eingetragen.").arg(sourcePath));
    }
    const QString& storedId = record.fields.at(2);
    const std::optional<QString> id = normalisedStationId(storedId);
    if (!id) {
        return damaged(QStringLiteral("Die Stationsnummer \"%1\" in der Konfigurationsdatei %2 liegt außerhalb des "
                                      "Bereichs von -32768 bis 32767.")
                           .arg(storedId.left(40), sourcePath));
    }
    // The client names its trigger file from the same reading of the field, so " 007" must give "7" here too.
    return TriggerConfigLoad{TriggerConfig{withFinalSeparator(exchangeDir), *id}, {}};
}

TriggerConfigLoad loadTriggerConfig(const QStringList& directories)
{
    QStringList searched;
    for (const QString& directory : directories) {
        if (directory.isEmpty() || searched.contains(directory)) {
            continue;
        }
        searched.append(directory);
        const QString path = QDir(directory).filePath(kConfigFileName);
        const TextReadResult read = readTextFile(path, kConfigReadCap);
        if (read.status == IoStatus::NotFound) {
            continue;
        }
        // A file that is there but cannot be read is reported, not passed over: the next directory
        // may hold another station's configuration.
        if (!read.ok()) {
            return TriggerConfigLoad{
                std::nullopt,
                failedTrigger(TriggerOutcome::FileOperationFailed,
                              QStringLiteral("Die Konfigurationsdatei %1 konnte nicht gelesen werden: %2.")
                                  .arg(path, fileErrorText(read)))};
        }
        return parseTriggerConfig(read.text, path);
    }
    return TriggerConfigLoad{
        std::nullopt, failedTrigger(TriggerOutcome::NoConfiguration,
                                    QStringLiteral("Die Konfigurationsdatei %1 wurde nicht gefunden (gesucht in: %2).")
                                        .arg(kConfigFileName, searched.join(QStringLiteral(", "))))};
}

} // namespace telvor
