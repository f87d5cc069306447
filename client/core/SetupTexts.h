#pragma once

#include <QString>

namespace telvor {

/** The setup window's messages; the save shows them in Label2, the path warning in meldungtxt. */
inline const QString kPathWarning = QStringLiteral("Achtung, bitte Pfad prüfen !!");
inline const QString kNoAlarmText = QStringLiteral("Kein Alarmtext !");
inline const QString kNoDirectory = QStringLiteral("Kein Verzeichnis !");
inline const QString kNoStationId = QStringLiteral("Keine ID");
inline const QString kForbiddenCharacter = QStringLiteral("Unzulässiges Zeichen !");
inline const QString kSetupDone = QStringLiteral("Setup ausgeführt");

} // namespace telvor
