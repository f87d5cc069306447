#pragma once

#include "common/Clock.h"
#include "common/TaskQueue.h"

#include <QLocale>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace telvor {

/**
 * The station's event log telvor.log: one line per entry with date, time and text, appended in
 * the system's code page with CR LF. The append runs on the writer's queue, so a per-user
 * directory on a hung network home never stops the caller. A log that cannot be written never
 * disturbs the caller; the trouble is reported once on standard error, and its end too.
 */
class EventLog final {
public:
    using Sink = std::function<void(const QString&)>;
    EventLog(const Clock& clock, const QLocale& locale, TaskQueue& writer, Sink standardError);

    /**
     * Appends an entry when logfileaktive is exactly "1" and returns the text the status box shows
     * (date, two blanks, time, two blanks, text); nothing when logging is off.
     */
    std::optional<QString> write(const QString& directory, const QString& logfileaktive, const QString& text);

private:
    struct Health;

    const Clock& m_clock;
    QLocale m_locale;
    QString m_timeFormat;
    TaskQueue& m_writer;
    /** Shared with the queued appends, which may outlive this object on the writer's thread. */
    std::shared_ptr<Health> m_health;
};

} // namespace telvor
