#include "client/core/ConfigFile.h"

#include "common/BracketRecord.h"
#include "common/Numbers.h"

namespace telvor {
namespace {

/** A check-box state as the file holds it: the digit between two blanks. */
QString stateLine(int state)
{
    return QLatin1Char(' ') + QString::number(state) + QLatin1Char(' ');
}

} // namespace

QString composeConfigFile(const StationConfig& config, const SetupFields& fields)
{
    const QString record = joinBracketRecord({
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
    });
    const QString crlf = QStringLiteral("\r\n");
    return record + crlf + stateLine(fields.alarmtestaus) + crlf + fields.Text6 + crlf + fields.Text7 + crlf +
           fields.Text8 + crlf + stateLine(fields.chk_vollbild) + crlf;
}

} // namespace telvor
