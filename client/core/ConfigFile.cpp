#include "client/core/ConfigFile.h"

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
