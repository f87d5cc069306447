#include "PulseFixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>
#include <utility>

namespace telvor::test {

namespace {

/** A helper process ends with the test, also when the test crashes, instead of lingering on. */
void endWithParent(QProcess& process)
{
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
}

QProcessEnvironment clientEnvironment(const QString& server)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PULSE_SERVER"), server);
    return env;
}

} // namespace

PulseServer::PulseServer(QString dir) : m_dir(std::move(dir))
{
}

PulseServer::~PulseServer()
{
    stop();
}

QString PulseServer::start()
{
    QDir(m_dir).mkpath(QStringLiteral("home"));
    QDir(m_dir).mkpath(QStringLiteral("run"));
    QFile::setPermissions(m_dir + QStringLiteral("/run"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), m_dir + QStringLiteral("/home"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir + QStringLiteral("/run"));
    env.remove(QStringLiteral("PULSE_SERVER"));
    // Keeps the server off every session bus (see above), the private desktop's included.
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    m_process.setProcessEnvironment(env);
    endWithParent(m_process);
    m_process.setStandardOutputFile(m_dir + QStringLiteral("/server.log"));
    m_process.setStandardErrorFile(m_dir + QStringLiteral("/server.log"), QIODevice::Append);
    m_process.start(QStringLiteral("pulseaudio"),
                    {QStringLiteral("-n"), QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
                     QStringLiteral("--disallow-exit"), QStringLiteral("--use-pid-file=no"),
                     QStringLiteral("--system=false"), QStringLiteral("--log-target=stderr"), QStringLiteral("-L"),
                     QStringLiteral("module-null-sink sink_name=null rate=44100"), QStringLiteral("-L"),
                     QStringLiteral("module-native-protocol-unix auth-anonymous=1 socket=%1/pulse.sock").arg(m_dir)});
    if (!m_process.waitForStarted(5000)) {
        return QStringLiteral("cannot run pulseaudio: %1").arg(m_process.errorString());
    }
    const bool answers = QTest::qWaitFor(
        [this] {
            if (m_process.state() != QProcess::Running) {
                return true;
            }
            QProcess info;
            info.setProcessEnvironment(clientEnvironment(serverString()));
            info.start(QStringLiteral("pactl"), {QStringLiteral("info")});
            return info.waitForFinished(5000) && info.exitStatus() == QProcess::NormalExit && info.exitCode() == 0;
        },
        15000);
    if (!answers || m_process.state() != QProcess::Running) {
        QFile log(m_dir + QStringLiteral("/server.log"));
        log.open(QIODevice::ReadOnly);
        stop();
        return QStringLiteral("pulseaudio did not come up: %1").arg(QString::fromLocal8Bit(log.readAll()).trimmed());
    }
    return {};
}

void PulseServer::stop()
{
    if (m_process.state() == QProcess::NotRunning) {
        return;
    }
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QString PulseServer::serverString() const
{
    return QStringLiteral("unix:%1/pulse.sock").arg(m_dir);
}

int PulseServer::playbackStreams() const
{
    QProcess list;
    list.setProcessEnvironment(clientEnvironment(serverString()));
    list.start(QStringLiteral("pactl"),
               {QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("sink-inputs")});
    if (!list.waitForFinished(5000) || list.exitCode() != 0) {
        return -1;
    }
    const QByteArray out = list.readAllStandardOutput().trimmed();
    return out.isEmpty() ? 0 : static_cast<int>(out.count('\n')) + 1;
}

Recorder::Recorder(const PulseServer& server, QString file) : m_server(server.serverString()), m_file(std::move(file))
{
}

Recorder::~Recorder()
{
    stop();
}

QString Recorder::start()
{
    QFile::remove(m_file);
    m_process.setProcessEnvironment(clientEnvironment(m_server));
    endWithParent(m_process);
    m_process.setStandardOutputFile(m_file);
    m_process.start(QStringLiteral("parec"),
                    {QStringLiteral("-d"), QStringLiteral("null.monitor"), QStringLiteral("--format=s16le"),
                     QStringLiteral("--channels=1"), QStringLiteral("--rate=%1").arg(kRecordRate),
                     QStringLiteral("--latency-msec=10"), QStringLiteral("--raw")});
    if (!m_process.waitForStarted(5000)) {
        return QStringLiteral("cannot run parec: %1").arg(m_process.errorString());
    }
    if (!waitForMore(200)) {
        return QStringLiteral("parec records nothing: %1")
            .arg(QString::fromLocal8Bit(m_process.readAllStandardError()));
    }
    return {};
}

Samples Recorder::samples() const
{
    QFile file(m_file);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray raw = file.readAll();
    Samples result(static_cast<size_t>(raw.size() / 2));
    for (qsizetype i = 0; i < static_cast<qsizetype>(result.size()); ++i) {
        const auto lo = static_cast<unsigned char>(raw[2 * i]);
        const auto hi = static_cast<unsigned char>(raw[(2 * i) + 1]);
        result[static_cast<size_t>(i)] = static_cast<std::int16_t>(static_cast<std::uint16_t>(lo | (hi << 8)));
    }
    return result;
}

bool Recorder::waitForSoundThenQuiet(int quietMs, int timeoutMs) const
{
    const auto quiet = static_cast<std::int64_t>(quietMs) * kRecordRate / 1000;
    return QTest::qWaitFor(
        [&] {
            const Samples now = samples();
            const std::vector<Burst> bursts = findBursts(now);
            return !bursts.empty() && static_cast<std::int64_t>(now.size()) - bursts.back().end >= quiet;
        },
        timeoutMs);
}

bool Recorder::waitForMore(int ms, int timeoutMs) const
{
    const size_t target = QFileInfo(m_file).size() + static_cast<size_t>(ms) * kRecordRate / 1000 * 2;
    return QTest::qWaitFor([&] { return static_cast<size_t>(QFileInfo(m_file).size()) >= target; }, timeoutMs);
}

Samples Recorder::stop()
{
    if (m_process.state() != QProcess::NotRunning) {
        // parec writes out what it holds on SIGINT; the recording's tail would be lost otherwise.
        ::kill(static_cast<pid_t>(m_process.processId()), SIGINT);
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    return samples();
}

StderrCapture::StderrCapture(QString file) : m_file(std::move(file))
{
    std::fflush(stderr);
    m_saved = ::dup(STDERR_FILENO);
    const int fd = ::open(QFile::encodeName(m_file).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND, 0600);
    if (fd >= 0) {
        ::dup2(fd, STDERR_FILENO);
        ::close(fd);
    }
}

StderrCapture::~StderrCapture()
{
    std::fflush(stderr);
    if (m_saved >= 0) {
        ::dup2(m_saved, STDERR_FILENO);
        ::close(m_saved);
    }
}

QStringList StderrCapture::lines(const QString& prefix) const
{
    QStringList result;
    for (const QString& line : all().split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (line.startsWith(prefix)) {
            result.append(line);
        }
    }
    return result;
}

QString StderrCapture::all() const
{
    QFile file(m_file);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromLocal8Bit(file.readAll());
}

HungMount::HungMount(QString dir) : m_dir(std::move(dir))
{
}

HungMount::~HungMount()
{
    release();
    if (m_mounted) {
        ::umount2(QFile::encodeName(m_dir).constData(), MNT_DETACH);
    }
}

QString HungMount::start()
{
    QDir().mkpath(m_dir);
    // Close-on-exec: a helper process that kept the device open would keep the mount hanging.
    m_fd = ::open("/dev/fuse", O_RDWR | O_CLOEXEC);
    if (m_fd < 0) {
        return QStringLiteral("cannot open /dev/fuse: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
    }
    const QByteArray options = QStringLiteral("fd=%1,rootmode=40000,user_id=%2,group_id=%3")
                                   .arg(m_fd)
                                   .arg(::getuid())
                                   .arg(::getgid())
                                   .toLatin1();
    // The kernel's first request (INIT) is never read, so every request after it waits.
    if (::mount("telvor-hung", QFile::encodeName(m_dir).constData(), "fuse", MS_NOSUID | MS_NODEV,
                options.constData()) != 0) {
        const QString why = QString::fromLocal8Bit(std::strerror(errno));
        release();
        return QStringLiteral("cannot mount a FUSE file system: %1").arg(why);
    }
    m_mounted = true;
    return {};
}

void HungMount::release()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

bool HungMount::returnsWhileHung(const std::function<void()>& calls, int timeoutMs)
{
    std::mutex mutex;
    std::condition_variable returned;
    bool done = false;
    bool released = false;
    std::thread watchdog([&] {
        std::unique_lock lock(mutex);
        if (!returned.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return done; })) {
            released = true;
            lock.unlock();
            release();
        }
    });
    calls();
    {
        std::lock_guard lock(mutex);
        done = true;
    }
    returned.notify_all();
    watchdog.join();
    return !released;
}

void usePrivateMounts()
{
    // Private propagation, or the mounts would still show up in the namespace we came from.
    if (::unshare(CLONE_NEWNS) == 0) {
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr);
    }
}

} // namespace telvor::test
