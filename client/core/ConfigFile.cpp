#include "client/core/ConfigFile.h"

#include "common/Cp1252.h"
#include "common/Numbers.h"
#include "common/TelvorDat.h"

namespace telvor {

QString composeConfigFile(const StationConfig& config, const SetupFields& fields)
{
    TelvorDatValues values;
    values.fields = {
        config.exchangeDir,
        config.comPort,
        config.stationId,
        config.signalFile,
        config.reservedText,
        config.alarmText1,
        QString::number(fields.Check1),
        QString::number(fields.CheckCom),
        withSignPosition(config.entprellzeit),
        QString::number(fields.logfile),
    };
    values.buttonTestOff = fields.alarmtestaus;
    values.alarmText2 = fields.Text6;
    values.alarmText3 = fields.Text7;
    values.alarmText4 = fields.Text8;
    values.fullScreen = fields.chk_vollbild;
    return composeTelvorDat(values);
}

namespace {
// Only the client of this user writes into the directory, so every file with this prefix is its own.
const QString kConfigTemporaryTag = QStringLiteral("TELVOR.DAT");
} // namespace

IoResult writeConfigFile(const QString& path, const QString& text)
{
    WriteOptions options;
    options.temporaryTag = kConfigTemporaryTag;
    return writeFileAtomic(path, encodeCp1252(text), options);
}

void removeConfigLeftovers(const QString& directory)
{
    const QString prefix = temporaryNamePrefix(kConfigTemporaryTag);
    // A directory that cannot be listed leaves the leftovers for the next start: they harm nobody.
    for (const QString& name : listDirectory(directory).names) {
        if (name.startsWith(prefix))
            removeFile(directory + QLatin1Char('/') + name);
    }
}

ConfigLocation locateConfigFile(const QString& userDirectory, const QString& workstationDirectory)
{
    QStringList directories{userDirectory};
    if (!workstationDirectory.isEmpty())
        directories.append(workstationDirectory);
    for (const QString& directory : directories) {
        const QString path = directory + QLatin1Char('/') + kConfigFileName;
        const Probe probe = probePath(path);
        if (probe.presence != Presence::Absent)
            return ConfigLocation{probe.presence, path, probe.error};
    }
    return ConfigLocation{};
}

} // namespace telvor
