#include "client/core/EventLog.h"

#include "common/Cp1252.h"
#include "common/FileIo.h"

#include <QRegularExpression>

#include <utility>

namespace telvor {
namespace {

/** The locale's full time of day (with seconds) without the time zone that Qt's long format adds. */
QString timeFormatWithoutZone(const QLocale& locale)
{
    QString format = locale.timeFormat(QLocale::LongFormat);
    static const QRegularExpression zone(QStringLiteral("\\s*\\bt+\\b\\s*"));
    format.replace(zone, QStringLiteral(" "));
    return format.trimmed();
}

} // namespace

/** Whether the last append failed; touched only by the appends, one after the other. */
struct EventLog::Health {
    Sink standardError;
    bool failing = false;
};

EventLog::EventLog(const Clock& clock, const QLocale& locale, TaskQueue& writer, Sink standardError)
    : m_clock(clock), m_locale(locale), m_timeFormat(timeFormatWithoutZone(m_locale)), m_writer(writer),
      m_health(std::make_shared<Health>(Health{std::move(standardError), false}))
{
}

std::optional<QString> EventLog::write(const QString& directory, const QString& logfileaktive, const QString& text)
{
    if (logfileaktive != QLatin1String("1"))
        return std::nullopt;

    const QDateTime now = m_clock.now();
    const QString entry = m_locale.toString(now.date(), QLocale::ShortFormat) + QStringLiteral("  ") +
                          m_locale.toString(now.time(), m_timeFormat) + QStringLiteral("  ") + text;
    const QString path = directory + QStringLiteral("/telvor.log");
    const QByteArray line = encodeCp1252(entry) + QByteArrayLiteral("\r\n");
    m_writer.post([health = m_health, path, line] {
        const IoResult result = appendToFile(path, line);
        if (result.ok() == !health->failing)
            return;
        health->failing = !result.ok();
        if (!health->standardError)
            return;
        health->standardError(health->failing
                                  ? QStringLiteral("telvor: Ereignisprotokoll %1 kann nicht geschrieben werden: %2")
                                        .arg(path, result.errorText())
                                  : QStringLiteral("telvor: Ereignisprotokoll %1 wird wieder geschrieben").arg(path));
    });
    return entry;
}

} // namespace telvor
