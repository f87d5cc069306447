#pragma once

#include <QObject>

#include <functional>
#include <memory>

class QSocketNotifier;

namespace telvor {

/**
 * SIGTERM as an event of the event loop: the signal is blocked in every thread and read from a
 * signalfd, so that whatever it starts runs as an ordinary handler, never inside a signal handler.
 */
class TerminationSignal final {
public:
    /** Call first in main, before any thread starts: threads inherit the blocked signal. */
    static void blockInEveryThread();

    explicit TerminationSignal(std::function<void()> onTerminate);
    ~TerminationSignal();
    TerminationSignal(const TerminationSignal&) = delete;
    TerminationSignal& operator=(const TerminationSignal&) = delete;

private:
    void read();

    int m_fd = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::function<void()> m_onTerminate;
};

} // namespace telvor
