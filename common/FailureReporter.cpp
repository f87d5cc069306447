#include "common/FailureReporter.h"

#include <utility>

namespace telvor {

FailureReporter::FailureReporter(QString programName, Sink standardError, Sink eventLog)
    : m_programName(std::move(programName)), m_standardError(std::move(standardError)), m_eventLog(std::move(eventLog))
{
}

void FailureReporter::failed(const QString& what, const QString& detail)
{
    setFailing(what, true, QStringLiteral("Fehler: %1: %2").arg(what, detail), QString());
}

void FailureReporter::succeeded(const QString& what)
{
    setFailing(what, false, QString(), QStringLiteral("Wieder in Ordnung: %1").arg(what));
}

void FailureReporter::setFailing(const QString& key, bool failing, const QString& failText, const QString& endText)
{
    if (failing == m_failing.contains(key))
        return;
    if (failing)
        m_failing.insert(key);
    else
        m_failing.remove(key);
    say(failing ? failText : endText);
}

void FailureReporter::say(const QString& text)
{
    if (m_standardError)
        m_standardError(m_programName + QStringLiteral(": ") + text);
    if (m_eventLog)
        m_eventLog(text);
}

} // namespace telvor
