#pragma once

#include <QString>

namespace telvor {

/** Names of the files in the exchange directory; always upper case, appended directly to the directory. */
inline const QString kMessageFileName = QStringLiteral("MESSAGE.KVT");

/** "MDAT" + ID + ".KVT": a station's alarm text. */
inline QString alarmTextFileName(const QString& stationId)
{
    return QStringLiteral("MDAT") + stationId + QStringLiteral(".KVT");
}

/** "START." + ID: the soft trigger's request to send. */
inline QString triggerFileName(const QString& stationId)
{
    return QStringLiteral("START.") + stationId;
}

/**
 * The exchange directory as file names are appended to it: with its final separator. A directory
 * written by hand without one would otherwise put every file beside it, where no station looks.
 */
inline QString withFinalSeparator(const QString& dir)
{
    return dir.isEmpty() || dir.endsWith(QLatin1Char('/')) ? dir : dir + QLatin1Char('/');
}

/** The alarm text file's content: four lines joined by CR, nothing after the last. */
QString alarmTextContent(const QString& line1, const QString& line2, const QString& line3, const QString& line4);

/**
 * False for an ID read from the share that would name a file outside the exchange directory, or
 * no sane station: such a slot counts as one without alarm text.
 */
bool isSafeStationId(const QString& id);

} // namespace telvor
