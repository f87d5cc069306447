#pragma once

#include "client/core/ClientViews.h"
#include "client/core/EventLog.h"
#include "client/core/StationConfig.h"

#include <QString>

namespace telvor {

/**
 * writeLog as the station's concerns use it: the entry goes to telvor.log when logging is on and
 * replaces what the status box meldungtxt of the setup window shows.
 */
class ClientLog final {
public:
    ClientLog(EventLog& log, const StationConfig& config, SetupFields& fields, SetupView& setup);

    /** Appends an entry to the event log (when logging is on) and shows it in meldungtxt. */
    void writeLog(const QString& text);
    /** writeLog as if logging were switched as logfileaktive says. */
    void writeLog(const QString& text, const QString& logfileaktive);
    /** An entry of the event log alone: reports of outages never replace the text of meldungtxt. */
    void writeLogOnly(const QString& text);

private:
    EventLog& m_log;
    const StationConfig& m_config;
    SetupFields& m_fields;
    SetupView& m_setup;
};

} // namespace telvor
