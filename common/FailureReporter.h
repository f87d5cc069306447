#pragma once

#include <QSet>
#include <QString>

#include <functional>

namespace telvor {

/**
 * Reports a failing operation once per outage, not once per tick, and reports its end, so that a
 * share that is away for an hour gives two lines, not seven hundred. Each line goes to standard
 * error (after the program's name) and to the event log.
 */
class FailureReporter final {
public:
    using Sink = std::function<void(const QString&)>;
    FailureReporter(QString programName, Sink standardError, Sink eventLog);

    /** what names the operation ("MESSAGE.KVT lesen"); detail says why it failed. */
    void failed(const QString& what, const QString& detail);
    void succeeded(const QString& what);
    /** For outages with texts of their own: failText when key starts failing, endText when it ends. */
    void setFailing(const QString& key, bool failing, const QString& failText, const QString& endText);

private:
    void say(const QString& text);

    QString m_programName;
    Sink m_standardError;
    Sink m_eventLog;
    QSet<QString> m_failing;
};

} // namespace telvor
