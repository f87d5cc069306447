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

EventLog::EventLog(const Clock& clock, QLocale locale, Sink standardError)
    : m_clock(clock), m_locale(std::move(locale)), m_timeFormat(timeFormatWithoutZone(m_locale)),
      m_standardError(std::move(standardError))
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
    const IoResult result = appendToFile(path, encodeCp1252(entry) + QByteArrayLiteral("\r\n"));
    if (!result.ok() && !m_failing) {
        m_failing = true;
        if (m_standardError)
            m_standardError(QStringLiteral("telvor: Ereignisprotokoll %1 kann nicht geschrieben werden: %2")
                                .arg(path, result.errorText()));
    } else if (result.ok() && m_failing) {
        m_failing = false;
        if (m_standardError)
            m_standardError(QStringLiteral("telvor: Ereignisprotokoll %1 wird wieder geschrieben").arg(path));
    }
    return entry;
}

} // namespace telvor
