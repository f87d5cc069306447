#include "platform/LinuxSerialPort.h"

#include "common/RetryOnInterrupt.h"

#include <QFile>
#include <QMetaObject>
#include <QObject>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <mutex>
#include <system_error>
#include <thread>

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h> // NOLINT(modernize-deprecated-headers): clock_gettime is POSIX, not in <ctime>
#include <unistd.h>

namespace telvor {

namespace {

constexpr int kPollIntervalMs = 10;
/** Quiet polls after a change before the watcher blocks in the driver's wait again (see Watcher::run). */
constexpr int kQuietPollsBeforeWait = 10;
/** A chattering line can move the counter by thousands between two looks; this many events keep order and end state. */
constexpr long kMaxBurst = 16;
constexpr int kLastPort = 256;

int ioctlRetry(int fd, unsigned long request, void* argument)
{
    return retryOnInterrupt([&] { return ::ioctl(fd, request, argument); });
}

SerialOpenError classify(int sysError)
{
    switch (sysError) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case EIO:
        return SerialOpenError::NotPresent;
    case EACCES:
    case EPERM:
        return SerialOpenError::AccessDenied;
    case EBUSY:
        return SerialOpenError::Busy;
    default:
        return SerialOpenError::Failed;
    }
}

/** A device that refuses terminal or modem-line requests has no serial line a button could be wired to. */
SerialOpenError classifyLineRequest(int sysError)
{
    return sysError == ENOTTY || sysError == EINVAL ? SerialOpenError::NotPresent : classify(sysError);
}

void onWakeSignal(int)
{
}

/** Milliseconds of CLOCK_MONOTONIC: the time base of every event's stamp. */
qint64 monotonicMs()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

/**
 * The signal that interrupts the watcher's blocking wait in the driver, or 0 when none could be
 * claimed. A real-time signal that neither Qt nor the C library uses; it is taken only while no one
 * else handles it, and it is installed without SA_RESTART so that the wait returns with EINTR.
 */
int wakeSignal()
{
    static const int number = [] {
        const int candidate = SIGRTMIN + 6;
        if (candidate > SIGRTMAX) {
            return 0;
        }
        struct sigaction previous {};
        if (::sigaction(candidate, nullptr, &previous) != 0) {
            return 0;
        }
        const bool ours = (previous.sa_flags & SA_SIGINFO) == 0 && previous.sa_handler == onWakeSignal;
        const bool unclaimed =
            (previous.sa_flags & SA_SIGINFO) == 0 && (previous.sa_handler == SIG_DFL || previous.sa_handler == SIG_IGN);
        if (ours) {
            return candidate;
        }
        if (!unclaimed) {
            return 0;
        }
        struct sigaction action {};
        action.sa_handler = onWakeSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;
        return ::sigaction(candidate, &action, nullptr) == 0 ? candidate : 0;
    }();
    return number;
}

/** The line as open() found it: where the watcher starts counting changes from. */
struct LineStart {
    bool dsr = false;
    bool counted = false; ///< the driver keeps a DSR change counter (TIOCGICOUNT)
    long count = 0;
};

} // namespace

/**
 * Follows the DSR line of one open tty on its own thread and reports every change in order.
 *
 * While the line is quiet the thread blocks in TIOCMIWAIT, which costs nothing. That wait cannot be
 * ended from outside: closing the descriptor does not wake it, since the ioctl holds its own
 * reference to the file. So stopping sends a real-time signal to the thread, again every few
 * milliseconds until it has left (a signal that lands just before the thread enters the wait is
 * lost, the next one is not). Where no signal can be claimed, or the driver answers the wait with
 * EINVAL, ENOTTY or ENOIOCTLCMD (or any other error), the thread polls TIOCMGET every 10 ms in
 * poll(), which an eventfd wakes at once.
 *
 * The wait only sees changes after it has begun, so a change between our last look and the start of
 * the wait would stay unseen until the next one; with a bouncing contact that is quite possible. For
 * this reason the thread polls for a while after every change and blocks only once the line has
 * been quiet, and the driver's DSR counter (TIOCGICOUNT) tells how many changes happened between two
 * looks, so that a press shorter than a poll is still reported as press and release.
 */
class LinuxSerialPort::Watcher final {
public:
    using ChangeSink = std::function<void(bool dsr, qint64 stampMs)>;
    using LostSink = std::function<void(int sysError)>;

    /** Throws std::system_error when no thread can be started. */
    Watcher(int fd, const LineStart& start, ChangeSink change, LostSink lost)
        : m_fd(fd), m_dsr(start.dsr), m_counted(start.counted), m_lastCount(start.count), m_change(std::move(change)),
          m_lost(std::move(lost))
    {
        m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (m_wakeFd < 0) {
            throw std::system_error(errno, std::generic_category(), "eventfd");
        }
        try {
            m_thread = std::thread(&Watcher::run, this);
        } catch (...) {
            ::close(m_wakeFd);
            throw;
        }
    }

    ~Watcher()
    {
        m_stop.store(true);
        const std::uint64_t one = 1;
        const ssize_t written = ::write(m_wakeFd, &one, sizeof one);
        (void)written; // the signal below ends the wait in any case
        const int wake = wakeSignal();
        {
            std::unique_lock lock(m_mutex);
            while (!m_finished) {
                if (wake != 0) {
                    ::pthread_kill(m_thread.native_handle(), wake);
                }
                m_finishedChanged.wait_for(lock, std::chrono::milliseconds(5));
            }
        }
        m_thread.join();
        ::close(m_wakeFd);
    }

    Watcher(const Watcher&) = delete;
    Watcher& operator=(const Watcher&) = delete;

    /** True once the line could no longer be read (the device is gone); the thread has then ended. */
    [[nodiscard]] bool lost() const { return m_gone.load(); }

private:
    void run()
    {
        const int wake = wakeSignal();
        if (wake != 0) {
            sigset_t set;
            sigemptyset(&set);
            sigaddset(&set, wake);
            ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
        }
        bool canWait = wake != 0;
        bool woke = false;
        int quietPolls = 0;
        while (!m_stop.load()) {
            const long changes = look(woke);
            if (changes < 0) {
                const int sysError = errno;
                m_gone.store(true);
                m_lost(sysError);
                break;
            }
            woke = false;
            quietPolls = changes > 0 ? 0 : quietPolls + 1;
            if (canWait && quietPolls >= kQuietPollsBeforeWait) {
                if (::ioctl(m_fd, TIOCMIWAIT, static_cast<unsigned long>(TIOCM_DSR)) == 0) {
                    woke = true;
                    quietPolls = 0;
                } else if (errno != EINTR) {
                    // No wait in this driver; a device that has gone shows itself at the next look.
                    canWait = false;
                }
                continue;
            }
            pause();
        }
        const std::lock_guard lock(m_mutex);
        m_finished = true;
        m_finishedChanged.notify_all();
    }

    /** Reads the line and reports what changed since the last look; -1 (errno set) when it cannot be read. */
    long look(bool woke)
    {
        // The counter is read before the level: a change between the two then shows in the level
        // first, and the counter catches up at the next look (see the credit below).
        serial_icounter_struct counter{};
        if (m_counted && ioctlRetry(m_fd, TIOCGICOUNT, &counter) != 0) {
            m_counted = false;
        }
        int bits = 0;
        if (ioctlRetry(m_fd, TIOCMGET, &bits) != 0) {
            return -1;
        }
        // The moment of this look: every change found now happened at most one poll before it.
        const qint64 stamp = monotonicMs();
        const bool dsr = (bits & TIOCM_DSR) != 0;
        const bool flipped = dsr != m_dsr;
        long changes = 0;
        if (m_counted) {
            changes = std::max(0L, static_cast<long>(counter.dsr) - m_lastCount);
            m_lastCount = counter.dsr;
            if ((changes % 2 == 1) != flipped) {
                // The level moved once more than the counter shows: report it now, count it as done.
                ++changes;
                ++m_lastCount;
            }
        } else if (flipped) {
            changes = 1;
        } else if (woke) {
            changes = 2; // the driver saw a change, yet the level is back: a press and a release
        }
        if (changes > kMaxBurst) {
            changes = kMaxBurst + (flipped ? 1 : 0);
        }
        for (long i = 0; i < changes; ++i) {
            m_dsr = !m_dsr;
            m_change(m_dsr, stamp);
        }
        return changes;
    }

    void pause()
    {
        pollfd wake{m_wakeFd, POLLIN, 0};
        ::poll(&wake, 1, kPollIntervalMs);
    }

    const int m_fd;
    int m_wakeFd = -1;
    bool m_dsr;
    bool m_counted;
    long m_lastCount;
    ChangeSink m_change;
    LostSink m_lost;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_gone{false};
    std::mutex m_mutex;
    std::condition_variable m_finishedChanged;
    bool m_finished = false;
    std::thread m_thread;
};

LinuxSerialPort::LinuxSerialPort() : m_path(portDevice(1)), m_receiver(std::make_unique<QObject>())
{
}

LinuxSerialPort::~LinuxSerialPort()
{
    close();
}

QString LinuxSerialPort::portDevice(int number)
{
    if (number < 1 || number > kLastPort) {
        return {};
    }
    return QStringLiteral("/dev/ttyS%1").arg(number - 1);
}

bool LinuxSerialPort::setPortNumber(int number)
{
    const QString device = portDevice(number);
    if (device.isEmpty()) {
        return false;
    }
    m_path = device;
    return true;
}

bool LinuxSerialPort::setDevicePath(const QString& path)
{
    // A NUL would cut the path short on its way to the kernel and open some other device.
    if (!path.startsWith(QLatin1Char('/')) || path.contains(QChar(u'\0'))) {
        return false;
    }
    m_path = path;
    return true;
}

QString LinuxSerialPort::devicePath() const
{
    return m_path;
}

SerialOpenResult LinuxSerialPort::open()
{
    if (isOpen()) {
        return {};
    }
    release(); // a port that was lost and not yet cleaned up

    const QByteArray native = QFile::encodeName(m_path);
    const int fd = ::open(native.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int sysError = errno;
        return {classify(sysError), sysError};
    }
    const auto fail = [fd](SerialOpenError error, int sysError) {
        ::close(fd);
        return SerialOpenResult{error, sysError};
    };

    termios settings{};
    if (::tcgetattr(fd, &settings) != 0) {
        const int sysError = errno;
        return fail(classifyLineRequest(sysError), sysError);
    }
    // Keeps other programs (a modem manager, a terminal) off the line; not every tty offers it.
    ioctlRetry(fd, TIOCEXCL, nullptr);
    // Without CLOCAL a carrier that drops hangs the tty up, and wirings that feed DTR to DSR and DCD
    // together would lose the port at the first release of the button.
    if ((settings.c_cflag & CLOCAL) == 0) {
        settings.c_cflag |= CLOCAL;
        ::tcsetattr(fd, TCSANOW, &settings);
    }

    int bits = 0;
    if (ioctlRetry(fd, TIOCMGET, &bits) != 0) {
        // A tty without modem lines (a pseudo terminal, a console) can never report the button.
        const int sysError = errno;
        return fail(classifyLineRequest(sysError), sysError);
    }
    // The usual button wiring feeds DTR back into DSR; a port that will not raise them still opens.
    int outputs = TIOCM_DTR | TIOCM_RTS;
    ioctlRetry(fd, TIOCMBIS, &outputs);

    // Where the changes are counted from: after DTR and RTS have come up.
    LineStart start;
    serial_icounter_struct counter{};
    if (ioctlRetry(fd, TIOCGICOUNT, &counter) == 0) {
        start.counted = true;
        start.count = counter.dsr;
    }
    if (ioctlRetry(fd, TIOCMGET, &bits) != 0) {
        const int sysError = errno;
        return fail(classifyLineRequest(sysError), sysError);
    }
    start.dsr = (bits & TIOCM_DSR) != 0;

    ++m_session;
    const std::uint64_t session = m_session;
    QObject* receiver = m_receiver.get();
    auto change = [this, receiver, session](bool dsr, qint64 stampMs) {
        QMetaObject::invokeMethod(
            receiver,
            [this, session, dsr, stampMs] {
                deliver(session, SerialEvent{dsr, stampMs});
            },
            Qt::QueuedConnection);
    };
    auto lost = [this, receiver, session](int sysError) {
        QMetaObject::invokeMethod(
            receiver, [this, session, sysError] { lineLost(session, sysError); }, Qt::QueuedConnection);
    };
    try {
        m_watcher = std::make_unique<Watcher>(fd, start, std::move(change), std::move(lost));
    } catch (const std::system_error& error) {
        return fail(SerialOpenError::Failed, error.code().value());
    }
    m_fd = fd;
    return {};
}

bool LinuxSerialPort::isOpen() const
{
    return m_fd >= 0 && m_watcher && !m_watcher->lost();
}

void LinuxSerialPort::close()
{
    if (m_fd < 0) {
        return;
    }
    ++m_session; // whatever is still queued for the handler stays undelivered
    release();
}

void LinuxSerialPort::release()
{
    if (m_fd < 0) {
        return;
    }
    m_watcher.reset();
    int outputs = TIOCM_DTR | TIOCM_RTS;
    ioctlRetry(m_fd, TIOCMBIC, &outputs);
    ::close(m_fd);
    m_fd = -1;
}

bool LinuxSerialPort::dsrHolding() const
{
    if (!isOpen()) {
        return false;
    }
    int bits = 0;
    return ioctlRetry(m_fd, TIOCMGET, &bits) == 0 && (bits & TIOCM_DSR) != 0;
}

void LinuxSerialPort::setEventHandler(std::function<void(const SerialEvent&)> handler)
{
    m_handler = std::move(handler);
}

void LinuxSerialPort::setLostHandler(std::function<void(int)> handler)
{
    m_lostHandler = std::move(handler);
}

void LinuxSerialPort::deliver(std::uint64_t session, const SerialEvent& event)
{
    if (session != m_session || m_fd < 0 || !m_handler) {
        return;
    }
    // A copy, so that a handler which replaces itself or closes the port does not pull the rug.
    const auto handler = m_handler;
    handler(event);
}

void LinuxSerialPort::lineLost(std::uint64_t session, int sysError)
{
    if (session != m_session) {
        return; // a port closed or opened anew meanwhile
    }
    release();
    if (m_lostHandler) {
        const auto handler = m_lostHandler; // the handler may reopen the port
        handler(sysError);
    }
}

} // namespace telvor
