#pragma once

#include "common/FileIo.h"
#include "trigger/TriggerResult.h"

#include <QString>

namespace telvor {

/** Ends every failure message: the user must know that the alarm did not go out. */
inline const QString kNoAlarmRaised = QStringLiteral(" Es wurde kein Alarm ausgelöst.");

/** "Fehler 2 (No such file or directory)": the number and the system's text of a failed file operation. */
inline QString fileErrorText(const IoResult& io)
{
    return QStringLiteral("Fehler %1 (%2)").arg(io.error).arg(io.errorText());
}

inline TriggerResult failedTrigger(TriggerOutcome outcome, const QString& text, const QString& triggerPath = {})
{
    return TriggerResult{outcome, triggerPath, text + kNoAlarmRaised};
}

} // namespace telvor
