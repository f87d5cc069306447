#pragma once

#include "ToneAnalysis.h"

#include <QProcess>
#include <QString>
#include <QStringList>

namespace telvor::test {

/**
 * A PulseAudio server of the test's own, on a private socket, with one null sink ("null") whose
 * monitor can be recorded. Works as root and without a sound card or D-Bus:
 *
 *   HOME=DIR/home XDG_RUNTIME_DIR=DIR/run (mode 0700) \
 *   pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit --use-pid-file=no \
 *       --system=false --log-target=stderr \
 *       -L "module-null-sink sink_name=null rate=44100" \
 *       -L "module-native-protocol-unix auth-anonymous=1 socket=DIR/pulse.sock"
 *
 * Clients then use PULSE_SERVER=unix:DIR/pulse.sock. As root pulseaudio warns that it is not meant
 * to run as root outside --system mode, and runs anyway. Running in the foreground makes the
 * server a child of the test, stopped by its own process id.
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
    QString dir_;
    QProcess process_;
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
    QString server_;
    QString file_;
    QProcess process_;
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
    QString file_;
    int saved_ = -1;
};

} // namespace telvor::test
