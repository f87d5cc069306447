#include "common/ExchangeNames.h"

namespace telvor {

namespace {

constexpr int kLongestId = 64;

} // namespace

QString alarmTextContent(const QString& line1, const QString& line2, const QString& line3, const QString& line4)
{
    // Readers split on CR alone; no line end follows the last line.
    const QChar cr(u'\r');
    return line1 + cr + line2 + cr + line3 + cr + line4;
}

bool isSafeStationId(const QString& id)
{
    return id.size() <= kLongestId && !id.contains(QLatin1Char('/')) && !id.contains(QStringLiteral(".."));
}

} // namespace telvor
