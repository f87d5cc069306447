#include "client/core/FailureReporter.h"

#include <utility>

namespace telvor {

FailureReporter::FailureReporter(Sink standardError, Sink eventLog)
    : m_standardError(std::move(standardError)), m_eventLog(std::move(eventLog))
{
}

void FailureReporter::failed(const QString& what, const QString& detail)
{
    if (m_failing.contains(what))
        return;
    m_failing.insert(what);
    say(QStringLiteral("Fehler: %1: %2").arg(what, detail));
}

void FailureReporter::succeeded(const QString& what)
{
    if (m_failing.remove(what))
        say(QStringLiteral("Wieder in Ordnung: %1").arg(what));
}

void FailureReporter::say(const QString& text)
{
    if (m_standardError)
        m_standardError(QStringLiteral("telvor: ") + text);
    if (m_eventLog)
        m_eventLog(text);
}

} // namespace telvor
