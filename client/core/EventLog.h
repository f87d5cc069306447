#pragma once

#include "common/Clock.h"

#include <QLocale>
#include <QString>

#include <functional>
#include <optional>

namespace telvor {

/**
 * The station's event log telvor.log: one line per entry with date, time and text, appended in
 * the system's code page with CR LF. A log that cannot be written never disturbs the caller; the
 * trouble is reported once on standard error, and its end too.
 */
class EventLog final {
public:
    using Sink = std::function<void(const QString&)>;
    EventLog(const Clock& clock, QLocale locale, Sink standardError);

    /**
     * Appends an entry when logfileaktive is exactly "1" and returns the text the status box shows
     * (date, two blanks, time, two blanks, text); nothing when logging is off.
     */
    std::optional<QString> write(const QString& directory, const QString& logfileaktive, const QString& text);

private:
    const Clock& m_clock;
    QLocale m_locale;
    QString m_timeFormat;
    Sink m_standardError;
    bool m_failing = false;
};

} // namespace telvor
