#include "screensaver/core/SaverSettings.h"

#include "common/SettingsNames.h"
#include "screensaver/core/LocaleNumber.h"

#include <cmath>
#include <limits>
#include <optional>

namespace telvor {

namespace {

constexpr int kDefaultRefreshMs = 1000;

} // namespace

int refreshIntervalMs(const QString& stored, const QLocale& locale)
{
    // Written by hand, or by another program: a text no timer can run with refreshes as if absent.
    const std::optional<double> number = localeNumber(stored, locale);
    if (!number || !std::isfinite(*number))
        return kDefaultRefreshMs;
    const double whole = std::floor(*number);
    if (whole < 0 || whole > std::numeric_limits<int>::max())
        return kDefaultRefreshMs;
    return static_cast<int>(whole);
}

SaverSettings readSaverSettings(const SettingsStore& store, const QLocale& locale)
{
    SaverSettings read;
    read.refreshIntervalMs =
        refreshIntervalMs(store.read(settings::kSection, settings::kInterval, settings::kDefaultInterval), locale);
    read.storedPassword = readPassword(store);
    read.exchangePath = store.read(settings::kSection, settings::kPath, settings::kDefaultPath);
    return read;
}

QString readPassword(const SettingsStore& store)
{
    return store.read(settings::kSection, settings::kPassword, QString());
}

} // namespace telvor
