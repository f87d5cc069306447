#pragma once

#include "ToneAnalysis.h"

#include <QProcess>
#include <QString>
#include <QStringList>

#include <functional>

namespace telvor::test {

/**
 * A PulseAudio server of the test's own, on a private socket, with one null sink ("null") whose
 * monitor can be recorded. Works as root and without a sound card or D-Bus:
 *
 *   env -u DISPLAY -u DBUS_SESSION_BUS_ADDRESS HOME=DIR/home XDG_RUNTIME_DIR=DIR/run (mode 0700) \
 *   pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit --use-pid-file=no \
 *       --system=false --log-target=stderr \
 *       -L "module-null-sink sink_name=null rate=44100" \
 *       -L "module-native-protocol-unix auth-anonymous=1 socket=DIR/pulse.sock"
 *
 * Clients then use PULSE_SERVER=unix:DIR/pulse.sock. As root pulseaudio warns that it is not meant
 * to run as root outside --system mode, and runs anyway. Running in the foreground makes the
 * server a child of the test, stopped by its own process id. A server that reaches a session bus
 * claims the name org.PulseAudio1 there and exits when another server (a desktop's) holds it; with
 * neither a bus address nor a display (through which the bus of an X session is found) it finds
 * no bus and runs without one.
 */
class PulseServer final {
public:
    /** `dir` holds the socket and the server's private home; it must outlive the server. */
    explicit PulseServer(QString dir);
    ~PulseServer();

    PulseServer(const PulseServer&) = delete;
    PulseServer& operator=(const PulseServer&) = delete;

    /** Starts the server and waits until it answers; the reason when it cannot, else empty. */
    [[nodiscard]] QString start();
    void stop();
    [[nodiscard]] QString serverString() const;
    /** Number of playback streams connected now, or -1 when the server cannot be asked. */
    [[nodiscard]] int playbackStreams() const;

private:
    QString m_dir;
    QProcess m_process;
};

/** Records the null sink's monitor (mono s16le, 44100 Hz) into a file while the code plays. */
class Recorder final {
public:
    Recorder(const PulseServer& server, QString file);
    ~Recorder();

    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    /** Starts recording and waits until audio arrives; the reason when it cannot, else empty. */
    [[nodiscard]] QString start();
    /** What has been recorded so far. */
    [[nodiscard]] Samples samples() const;
    /** Waits until the recording holds a sound followed by `quietMs` of silence. */
    [[nodiscard]] bool waitForSoundThenQuiet(int quietMs, int timeoutMs = 20000) const;
    /** Waits until `ms` more milliseconds have been recorded. */
    [[nodiscard]] bool waitForMore(int ms, int timeoutMs = 10000) const;
    /** Ends the recording and returns it. */
    Samples stop();

private:
    QString m_server;
    QString m_file;
    QProcess m_process;
};

/** Redirects file descriptor 2 into a file while it lives, so that lines written there can be read back. */
class StderrCapture final {
public:
    explicit StderrCapture(QString file);
    ~StderrCapture();

    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

    /** The lines written so far that start with `prefix`. */
    [[nodiscard]] QStringList lines(const QString& prefix = QStringLiteral("telvor:")) const;
    /** Everything written so far, for failure messages. */
    [[nodiscard]] QString all() const;

private:
    QString m_file;
    int m_saved = -1;
};

/**
 * A FUSE mount whose server never answers, like a share whose file server hangs: every lookup
 * below it blocks until release(), which then fails it with ENOTCONN. Needs root and /dev/fuse.
 */
class HungMount final {
public:
    /** `dir` becomes the mount point. */
    explicit HungMount(QString dir);
    ~HungMount();

    HungMount(const HungMount&) = delete;
    HungMount& operator=(const HungMount&) = delete;

    /** Mounts; the reason when it cannot, else empty. */
    [[nodiscard]] QString start();
    /** Ends the hang: what waits below the mount fails, and so does everything after. */
    void release();
    /**
     * Runs `calls` on this thread; when they have not returned after `timeoutMs` (they wait for the
     * mount), another thread releases the mount so that they can. False in that case.
     */
    [[nodiscard]] bool returnsWhileHung(const std::function<void()>& calls, int timeoutMs = 10000);

private:
    QString m_dir;
    int m_fd = -1;
    bool m_mounted = false;
};

/**
 * Gives the process a mount namespace of its own, so that a mount made by a test disappears with
 * the process however it ends. Call it first in main(), while the process has one thread: only the
 * calling thread and the threads it starts afterwards move. Without the right to do so the test's
 * mounts are made where it runs, and removed by their destructors.
 */
void usePrivateMounts();

} // namespace telvor::test
