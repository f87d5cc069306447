#include "common/TelvorDat.h"

#include "common/FileIo.h"
#include "common/Numbers.h"

namespace telvor {

namespace {

QString stateLine(int state)
{
    return QLatin1Char(' ') + QString::number(state) + QLatin1Char(' ');
}

} // namespace

TelvorDatText readTelvorDat(const QString& text, int fieldCount)
{
    TelvorDatText file;
    file.record = readBracketRecord(text, fieldCount);
    LineReader reader(text);
    for (std::optional<QString>& line : file.lines)
        line = reader.readLine();
    return file;
}

QString composeTelvorDat(const TelvorDatValues& values)
{
    const QString crlf = QStringLiteral("\r\n");
    return joinBracketRecord(values.fields) + crlf + stateLine(values.buttonTestOff) + crlf + values.alarmText2 + crlf +
           values.alarmText3 + crlf + values.alarmText4 + crlf + stateLine(values.fullScreen) + crlf;
}

std::optional<QString> normalisedStationId(const QString& field)
{
    const std::optional<qint16> id = lenientInt16(field);
    if (!id)
        return std::nullopt;
    return QString::number(*id);
}

} // namespace telvor
