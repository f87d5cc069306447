#pragma once

#include "common/SettingsStore.h"

#include <QLocale>
#include <QString>

namespace telvor {

/** What the screen-saver window reads from its settings store when it loads. */
struct SaverSettings {
    /** tmrRefresh's interval; 0: no refresh at all. */
    int refreshIntervalMs = 0;
    /** The exchange directory as stored; empty: none. */
    QString exchangePath;
    /** Empty: no password guards the end. */
    QString storedPassword;
};

/** The stored "Interval" read as frmConfig checks it, as whole milliseconds a timer can take. */
int refreshIntervalMs(const QString& stored, const QLocale& locale);

SaverSettings readSaverSettings(const SettingsStore& store, const QLocale& locale);

/** The stored password; empty when there is none. */
QString readPassword(const SettingsStore& store);

} // namespace telvor
