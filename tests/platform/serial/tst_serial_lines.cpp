#include "platform/LinuxSerialPort.h"

#include <QCoreApplication>
#include <QList>
#include <QSaveFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <thread>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

namespace telvor {

namespace {

/** What the preloaded modem-line shim tells about the port's requests to the test's pty. */
struct Shim {
    int (*outputs)() = nullptr;   ///< DTR and RTS as the port left them
    int (*exclusive)() = nullptr; ///< how often exclusive use was asked for
    int (*waiting)() = nullptr;   ///< threads blocked in the line-change wait
    int (*waitStart)() = nullptr; ///< the change count that wait started from, -1 when none waits
    long (*reads)() = nullptr;    ///< answers given from the state file so far

    bool resolve()
    {
        return find(outputs, "telvor_shim_outputs") && find(exclusive, "telvor_shim_exclusive") &&
               find(waiting, "telvor_shim_waiting") && find(waitStart, "telvor_shim_wait_start") &&
               find(reads, "telvor_shim_reads");
    }

private:
    template <typename F> static bool find(F& function, const char* name)
    {
        function = reinterpret_cast<F>(::dlsym(RTLD_DEFAULT, name));
        return function != nullptr;
    }
};

/** Waits without running the event loop, as a handler that blocks (a beep) would. */
bool waitWithoutEvents(const std::function<bool()>& condition)
{
    for (int i = 0; i < 20000; ++i) {
        if (condition()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return condition();
}

/** Milliseconds of the clock the port stamps its events with. */
qint64 monotonicMs()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

} // namespace

/**
 * The port against a real tty whose modem lines come from the shim. Every test runs with each kind
 * of driver: one that blocks in the change wait and one that only can be polled, each with and
 * without the DSR change counter.
 */
class TestSerialLines final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase_data();
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void openRaisesOutputsAndTakesTheLine();
    void lineOnAtOpenGivesNoEvent();
    void refusedOutputsStillOpen();
    void pressAndReleaseArriveInOrder();
    void pressShorterThanAPoll();
    void changesWhileTheEventThreadIsBusyArriveAfterwards();
    void vanishedPortStopsAndSaysSoOnce();
    void closeStopsTheWatcherAndDropsQueuedEvents();
    void reopenedPortReportsAgain();

private:
    void writeState(const QString& extra = {});
    /** Returns once the watcher has taken in everything written so far and sits waiting for more. */
    bool settled();
    /** Changes the line (one change, or `changes` changes ending at `dsr`) once the watcher is ready. */
    bool setLine(bool dsr, int changes = 1);
    bool blocking() const { return !m_flags.contains(QLatin1String("nowait")); }
    bool counting() const { return !m_flags.contains(QLatin1String("nocount")); }
    void openPort();

    Shim m_shim;
    QTemporaryDir m_dir;
    int m_master = -1;
    QString m_pty;
    QString m_flags;
    int m_bits = 0;
    int m_count = 0;
    long m_readsAtChange = 0;
    QList<bool> m_events;
    QList<qint64> m_stamps;
    QList<int> m_lost; ///< what the lost handler was told
    std::unique_ptr<LinuxSerialPort> m_port;
};

void TestSerialLines::initTestCase_data()
{
    QTest::addColumn<QString>("flags");
    QTest::newRow("waiting driver with counter") << QString();
    QTest::newRow("waiting driver without counter") << QStringLiteral("nocount");
    QTest::newRow("polled driver with counter") << QStringLiteral("nowait");
    QTest::newRow("polled driver without counter") << QStringLiteral("nowait nocount");
}

void TestSerialLines::initTestCase()
{
    QVERIFY2(m_shim.resolve(), "the modem-line shim is not preloaded");
    QVERIFY(m_dir.isValid());
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    QVERIFY(m_master >= 0);
    QVERIFY(::grantpt(m_master) == 0 && ::unlockpt(m_master) == 0);
    m_pty = QString::fromLocal8Bit(::ptsname(m_master));
    // Set before any port thread exists: the shim reads them on every request.
    qputenv("TELVOR_SHIM_TTY", m_pty.toLocal8Bit());
    qputenv("TELVOR_SHIM_STATE", QFile::encodeName(m_dir.filePath(QStringLiteral("line"))));
}

void TestSerialLines::init()
{
    QFETCH_GLOBAL(QString, flags);
    m_flags = flags;
    m_bits = 0;
    m_count = 0;
    writeState();
    termios settings{};
    QCOMPARE(::tcgetattr(m_master, &settings), 0);
    settings.c_cflag &= ~tcflag_t(CLOCAL); // as a fresh tty comes
    QCOMPARE(::tcsetattr(m_master, TCSANOW, &settings), 0);
    m_events.clear();
    m_port = std::make_unique<LinuxSerialPort>();
    m_stamps.clear();
    m_lost.clear();
    m_port->setEventHandler([this](const SerialEvent& event) {
        m_events.append(event.dsr);
        m_stamps.append(event.stampMs);
    });
    m_port->setLostHandler([this](int sysError) { m_lost.append(sysError); });
    QVERIFY(m_port->setDevicePath(m_pty));
}

void TestSerialLines::cleanup()
{
    m_port.reset();
    QCoreApplication::processEvents();
}

void TestSerialLines::cleanupTestCase()
{
    ::close(m_master);
}

void TestSerialLines::writeState(const QString& extra)
{
    // Replaced whole, so that the shim never reads half a state.
    QSaveFile file(m_dir.filePath(QStringLiteral("line")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("%1 %2 %3 %4\n").arg(m_bits).arg(m_count).arg(m_flags, extra).toLatin1());
    QVERIFY(file.commit());
}

bool TestSerialLines::settled()
{
    if (blocking()) {
        // A wait that started from the latest count was entered after the watcher had looked.
        return waitWithoutEvents([this] { return m_shim.waitStart() == m_count && m_shim.waiting() == 1; });
    }
    // One look takes at most two answers; one more may have been under way while the state changed.
    return waitWithoutEvents([this] { return m_shim.reads() >= m_readsAtChange + 4; });
}

bool TestSerialLines::setLine(bool dsr, int changes)
{
    // Change only while the watcher waits: that is the moment the wait exists for.
    if (blocking() && !settled()) {
        return false;
    }
    m_bits = dsr ? TIOCM_DSR : 0;
    m_count += changes;
    m_readsAtChange = m_shim.reads();
    writeState();
    return true;
}

void TestSerialLines::openPort()
{
    const SerialOpenResult result = m_port->open();
    QVERIFY2(result.ok(), qPrintable(QString::number(result.sysError)));
    QVERIFY(m_port->isOpen());
}

void TestSerialLines::openRaisesOutputsAndTakesTheLine()
{
    const int exclusiveBefore = m_shim.exclusive();
    openPort();
    QCOMPARE(m_shim.outputs() & (TIOCM_DTR | TIOCM_RTS), TIOCM_DTR | TIOCM_RTS);
    QCOMPARE(m_shim.exclusive(), exclusiveBefore + 1);
    // A carrier that comes and goes with the button must not hang the line up (the master shows the
    // settings of its tty).
    termios settings{};
    QCOMPARE(::tcgetattr(m_master, &settings), 0);
    QVERIFY(settings.c_cflag & CLOCAL);
    // Opening the open port again changes nothing.
    QVERIFY(m_port->open().ok());
    QCOMPARE(m_shim.exclusive(), exclusiveBefore + 1);
    m_port->close();
    QVERIFY(!m_port->isOpen());
    QCOMPARE(m_shim.outputs() & (TIOCM_DTR | TIOCM_RTS), 0);
}

void TestSerialLines::lineOnAtOpenGivesNoEvent()
{
    m_bits = TIOCM_DSR;
    writeState();
    openPort();
    QVERIFY(m_port->dsrHolding());
    m_readsAtChange = m_shim.reads();
    QVERIFY(settled());
    QCoreApplication::processEvents();
    QVERIFY(m_events.isEmpty());

    QVERIFY(setLine(false));
    QTRY_COMPARE(m_events, QList<bool>{false});
    QVERIFY(!m_port->dsrHolding());
}

void TestSerialLines::refusedOutputsStillOpen()
{
    writeState(QStringLiteral("nobis"));
    openPort();
    QCOMPARE(m_shim.outputs(), 0);
    writeState();
    QVERIFY(setLine(true));
    QTRY_COMPARE(m_events, QList<bool>{true});
}

void TestSerialLines::pressAndReleaseArriveInOrder()
{
    openPort();
    QVERIFY(!m_port->dsrHolding());

    QVERIFY(setLine(true));
    QTRY_COMPARE(m_events, QList<bool>{true});
    QVERIFY(m_port->dsrHolding());

    QVERIFY(setLine(false));
    QTRY_COMPARE(m_events, (QList<bool>{true, false}));
    QVERIFY(!m_port->dsrHolding());
}

void TestSerialLines::pressShorterThanAPoll()
{
    if (!blocking() && !counting()) {
        QSKIP("a driver that neither waits nor counts cannot show a press between two polls");
    }
    openPort();
    // Pressed and released again before the watcher could look: only the count tells.
    QVERIFY(setLine(false, 2));
    QTRY_COMPARE(m_events, (QList<bool>{true, false}));
    QVERIFY(settled());
    QCoreApplication::processEvents();
    QCOMPARE(m_events.size(), 2);
}

void TestSerialLines::changesWhileTheEventThreadIsBusyArriveAfterwards()
{
    openPort();
    // The event thread is held here, as by a beep, while the button is pressed twice.
    const QList<bool> presses{true, false, true, false};
    const qint64 before = monotonicMs();
    QList<qint64> changedBy;
    for (const bool dsr : presses) {
        QVERIFY(setLine(dsr));
        QVERIFY(settled());
        changedBy.append(monotonicMs());
    }
    QVERIFY(m_events.isEmpty());
    QTRY_COMPARE(m_events, presses);
    // Each change carries the moment it was seen, not the later moment it was handled: that is what
    // tells a long press from a short one after a busy spell.
    for (int i = 0; i < presses.size(); ++i) {
        QVERIFY(m_stamps[i] >= (i == 0 ? before : m_stamps[i - 1]));
        QVERIFY(m_stamps[i] <= changedBy[i]);
    }
}

void TestSerialLines::vanishedPortStopsAndSaysSoOnce()
{
    openPort();
    QVERIFY(setLine(true));
    QTRY_COMPARE(m_events, QList<bool>{true});

    // The adapter is pulled while the button is held.
    QVERIFY(!blocking() || settled());
    writeState(QStringLiteral("gone"));
    QVERIFY(waitWithoutEvents([this] { return !m_port->isOpen(); })); // also while the event thread is busy
    // From then on nothing asks the device any more, not even before the event thread has heard of it.
    const long reads = m_shim.reads();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    QCOMPARE(m_shim.reads(), reads);
    QTRY_COMPARE(m_lost.size(), 1);
    QVERIFY(m_lost.first() != 0);

    // A line that shows up again reaches no one.
    const long readsAfterRelease = m_shim.reads(); // dropping DTR and RTS asked once more
    m_bits = TIOCM_DSR;
    ++m_count;
    writeState();
    QVERIFY(!m_port->dsrHolding());
    QTest::qWait(100);
    QCOMPARE(m_shim.reads(), readsAfterRelease);
    QCOMPARE(m_events, QList<bool>{true});
    QCOMPARE(m_lost.size(), 1);

    // Once the adapter is back, opening again works.
    openPort();
    QVERIFY(m_port->dsrHolding());
    QVERIFY(setLine(false));
    QTRY_COMPARE(m_events, (QList<bool>{true, false}));
    QCOMPARE(m_lost.size(), 1);
}

void TestSerialLines::closeStopsTheWatcherAndDropsQueuedEvents()
{
    openPort();
    QVERIFY(setLine(true));
    QVERIFY(settled());
    // The press is queued for the event thread, which is still busy; the port is closed first.
    m_port->close();
    QVERIFY(!m_port->isOpen());
    QVERIFY(!m_port->dsrHolding());
    QCOMPARE(m_shim.waiting(), 0);

    const long reads = m_shim.reads();
    m_bits = 0;
    ++m_count;
    writeState();
    QTest::qWait(100);
    QVERIFY(m_events.isEmpty());
    QCOMPARE(m_shim.reads(), reads);
}

void TestSerialLines::reopenedPortReportsAgain()
{
    openPort();
    QVERIFY(setLine(true));
    QVERIFY(settled());
    m_port->close();
    openPort();
    QVERIFY(m_port->dsrHolding());
    // Only the new session's changes arrive, the press queued before the close does not.
    QVERIFY(setLine(false));
    QTRY_COMPARE(m_events, QList<bool>{false});
}

} // namespace telvor

QTEST_GUILESS_MAIN(telvor::TestSerialLines)
#include "tst_serial_lines.moc"
