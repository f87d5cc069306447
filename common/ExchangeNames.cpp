#include "common/ExchangeNames.h"

namespace telvor {

QString alarmTextContent(const QString& line1, const QString& line2, const QString& line3, const QString& line4)
{
    // Readers split on CR alone; no line end follows the last line.
    const QChar cr(u'\r');
    return line1 + cr + line2 + cr + line3 + cr + line4;
}

} // namespace telvor
