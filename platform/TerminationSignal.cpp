#include "platform/TerminationSignal.h"

#include <QSocketNotifier>

#include <csignal>
#include <utility>

#include <pthread.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace telvor {

namespace {

sigset_t terminationSet()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    return set;
}

} // namespace

void TerminationSignal::blockInEveryThread()
{
    const sigset_t set = terminationSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

TerminationSignal::TerminationSignal(std::function<void()> onTerminate) : m_onTerminate(std::move(onTerminate))
{
    const sigset_t set = terminationSet();
    m_fd = ::signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
    if (m_fd < 0)
        return;
    m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { read(); });
}

TerminationSignal::~TerminationSignal()
{
    m_notifier.reset();
    if (m_fd >= 0)
        ::close(m_fd);
}

void TerminationSignal::read()
{
    signalfd_siginfo info{};
    bool received = false;
    while (::read(m_fd, &info, sizeof info) == ssize_t(sizeof info))
        received = true;
    if (received && m_onTerminate)
        m_onTerminate();
}

} // namespace telvor
