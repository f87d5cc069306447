#pragma once

#include <QString>

namespace telvor::settings {

/** The screen saver's settings store, shared with the client's hand-over. */
inline const QString kApplication = QStringLiteral("PendraSaver");
inline const QString kSection = QStringLiteral("Config");
inline const QString kInterval = QStringLiteral("Interval");
inline const QString kPath = QStringLiteral("Pfad");
inline const QString kPassword = QStringLiteral("Password");

inline const QString kDefaultInterval = QStringLiteral("1000");
/** Where an office mounts its alarm share unless the setup names another directory. */
inline const QString kDefaultPath = QStringLiteral("/mnt/alarm/");

} // namespace telvor::settings
