#pragma once

#include <QSet>
#include <QString>

#include <functional>

namespace telvor {

/**
 * Reports a failing operation once per outage, not once per tick, and reports its end, so that a
 * share that is away for an hour gives two lines, not seven hundred.
 */
class FailureReporter final {
public:
    using Sink = std::function<void(const QString&)>;
    FailureReporter(Sink standardError, Sink eventLog);

    /** what names the operation ("MESSAGE.KVT lesen"); detail says why it failed. */
    void failed(const QString& what, const QString& detail);
    void succeeded(const QString& what);

private:
    void say(const QString& text);

    Sink m_standardError;
    Sink m_eventLog;
    QSet<QString> m_failing;
};

} // namespace telvor
