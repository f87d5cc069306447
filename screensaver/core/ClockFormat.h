#pragma once

#include <QLocale>
#include <QString>

namespace telvor {

/**
 * The locale's time of day with hours, minutes and seconds and without the time zone: its long
 * time format with the zone taken out (the short one has no seconds).
 */
QString clockFormat(const QLocale& locale);

} // namespace telvor
