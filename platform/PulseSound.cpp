#include "platform/PulseSound.h"

#include <QFile>

#include <pulse/channelmap.h>
#include <pulse/error.h>
#include <pulse/sample.h>
#include <pulse/simple.h>
#include <pulse/timeval.h>
#include <sndfile.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <numbers>
#include <optional>
#include <thread>
#include <vector>

namespace telvor {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr const char* kApplicationName = "telvor";
constexpr const char* kWaveStreamName = "Alarmsignal";
constexpr const char* kBeepStreamName = "Alarmton";

constexpr std::uint32_t kBeepRate = 44100;
/**
 * Silence in front of every beep and every file: a sink that has been idle, or one that has to make
 * room for a new stream, starts playing it late and would cut off its first milliseconds.
 */
constexpr int kLeadInMs = 50;
/** Linear fade at both ends of a beep; a tone that starts or stops at full amplitude clicks. */
constexpr int kBeepFadeMs = 2;
constexpr double kBeepAmplitude = 0.6 * 32767.0;
/** Data is written in pieces of this length, so that a replaced WAV stops within about this time. */
constexpr int kChunkMs = 50;

/**
 * The server buffers up to half a second ahead: enough that a busy machine does not starve the
 * stream, small enough that the rest of a file that is played out before the stream is closed
 * stays short. Playback starts once 100 ms are queued.
 */
pa_buffer_attr bufferAttr(const pa_sample_spec& spec)
{
    pa_buffer_attr attr;
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.tlength = static_cast<std::uint32_t>(pa_usec_to_bytes(500 * PA_USEC_PER_MSEC, &spec));
    attr.prebuf = static_cast<std::uint32_t>(pa_usec_to_bytes(100 * PA_USEC_PER_MSEC, &spec));
    attr.minreq = static_cast<std::uint32_t>(-1);
    attr.fragsize = static_cast<std::uint32_t>(-1);
    return attr;
}

/** One write of the whole line, so that lines of two threads do not interleave. */
void printLine(const QString& text)
{
    QByteArray line = text.toLocal8Bit();
    line.append('\n');
    const char* data = line.constData();
    auto left = static_cast<size_t>(line.size());
    while (left > 0) {
        const ssize_t written = ::write(STDERR_FILENO, data, left);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return;
        }
        data += written;
        left -= static_cast<size_t>(written);
    }
}

void reportUnplayable(const QString& path, const QString& reason)
{
    printLine(QStringLiteral("%1: cannot play \"%2\": %3").arg(QLatin1String(kApplicationName), path, reason));
}

struct SndFileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using SndFilePtr = std::unique_ptr<SNDFILE, SndFileCloser>;

struct PaSimpleCloser {
    void operator()(pa_simple* stream) const { pa_simple_free(stream); }
};
using PaSimplePtr = std::unique_ptr<pa_simple, PaSimpleCloser>;

/** A WAV file that has been opened and checked, waiting for the worker. */
struct WaveJob {
    QString path;
    SndFilePtr file;
    SF_INFO info{};
};

} // namespace

struct PulseSound::Impl {
    Impl(milliseconds reconnect, milliseconds idleClose) : reconnectInterval(reconnect), beepIdleClose(idleClose)
    {
        worker = std::thread([this] { run(); });
    }

    ~Impl()
    {
        {
            std::lock_guard lock(mutex);
            quit = true;
        }
        wake.notify_all();
        worker.join();
        std::lock_guard beepLock(beepMutex);
        beepStream.reset();
    }

    // --- reporting, shared by both threads --------------------------------------------------

    /** Reports a missing or failing server once per outage. */
    void noteServerFailure(const QString& reason)
    {
        if (!serverDown.exchange(true)) {
            printLine(QStringLiteral("%1: no sound server: %2").arg(QLatin1String(kApplicationName), reason));
        }
    }

    void noteServerReachable()
    {
        if (serverDown.exchange(false)) {
            printLine(QStringLiteral("%1: sound server reachable again").arg(QLatin1String(kApplicationName)));
        }
    }

    static PaSimplePtr connect(const char* streamName, const pa_sample_spec& spec, const pa_channel_map* map,
                               QString* failure)
    {
        const pa_buffer_attr attr = bufferAttr(spec);
        int error = 0;
        pa_simple* stream = pa_simple_new(nullptr, kApplicationName, PA_STREAM_PLAYBACK, nullptr, streamName, &spec,
                                          map, &attr, &error);
        if (!stream) {
            *failure = QString::fromUtf8(pa_strerror(error));
        }
        return PaSimplePtr(stream);
    }

    // --- WAV playback (worker thread) --------------------------------------------------------

    void submit(WaveJob job)
    {
        {
            std::lock_guard lock(mutex);
            pending = std::move(job); // an older job that never started is dropped (and its file closed) here
        }
        wake.notify_all();
    }

    /** True when the current playback must end: a newer file is waiting, or the object goes away. */
    bool interrupted()
    {
        std::lock_guard lock(mutex);
        return quit || pending.has_value();
    }

    /** Waits up to `duration`; false when interrupted meanwhile. */
    bool waitUninterrupted(std::chrono::microseconds duration)
    {
        std::unique_lock lock(mutex);
        return !wake.wait_for(lock, duration, [this] { return quit || pending.has_value(); });
    }

    void run()
    {
        std::unique_lock lock(mutex);
        while (!quit) {
            if (pending) {
                WaveJob job = std::move(*pending);
                pending.reset();
                lock.unlock();
                play(job);
                lock.lock();
                continue;
            }
            if (beepCloseAt) {
                if (wake.wait_until(lock, *beepCloseAt) == std::cv_status::timeout) {
                    lock.unlock();
                    closeIdleBeepStream();
                    lock.lock();
                }
            } else {
                wake.wait(lock);
            }
        }
    }

    void play(WaveJob& job)
    {
        const auto channels = static_cast<std::uint8_t>(job.info.channels);
        const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, static_cast<std::uint32_t>(job.info.samplerate), channels};
        // WAV files order their channels as WAVE_FORMAT_EXTENSIBLE does; extra channels become aux channels.
        pa_channel_map map;
        pa_channel_map_init_extend(&map, channels, PA_CHANNEL_MAP_WAVEEX);

        QString failure;
        PaSimplePtr stream = connect(kWaveStreamName, spec, &map, &failure);
        if (!stream) {
            noteServerFailure(failure);
            return;
        }
        noteServerReachable();

        const sf_count_t chunkFrames = std::max<sf_count_t>(1, job.info.samplerate * kChunkMs / 1000);
        std::vector<float> buffer(static_cast<size_t>(chunkFrames) * channels);
        int error = 0;
        const std::vector<float> leadIn(static_cast<size_t>(job.info.samplerate) * kLeadInMs / 1000 * channels, 0.0F);
        if (!leadIn.empty() &&
            pa_simple_write(stream.get(), leadIn.data(), leadIn.size() * sizeof(float), &error) < 0) {
            noteServerFailure(QString::fromUtf8(pa_strerror(error)));
            return;
        }
        for (;;) {
            if (interrupted()) {
                pa_simple_flush(stream.get(), &error);
                return;
            }
            const sf_count_t frames = sf_readf_float(job.file.get(), buffer.data(), chunkFrames);
            if (frames <= 0) {
                break;
            }
            const size_t bytes = static_cast<size_t>(frames) * channels * sizeof(float);
            if (pa_simple_write(stream.get(), buffer.data(), bytes, &error) < 0) {
                noteServerFailure(QString::fromUtf8(pa_strerror(error)));
                return;
            }
        }
        if (sf_error(job.file.get()) != SF_ERR_NO_ERROR) {
            // What was decoded up to the fault still plays.
            reportUnplayable(job.path, QString::fromUtf8(sf_strerror(job.file.get())));
        }

        // Let the queued rest play out while still listening for a replacement; the final drain
        // then only waits for the little that is left (or starts a file shorter than the prebuffer).
        const pa_usec_t queued = pa_simple_get_latency(stream.get(), &error);
        if (queued != static_cast<pa_usec_t>(-1) && !waitUninterrupted(std::chrono::microseconds(queued))) {
            pa_simple_flush(stream.get(), &error);
            return;
        }
        if (pa_simple_drain(stream.get(), &error) < 0) {
            noteServerFailure(QString::fromUtf8(pa_strerror(error)));
        }
    }

    // --- beeps (calling thread; the worker only closes an idle connection) -------------------

    /** Writes lead-in and tone and waits until they have been played; false on any server error. */
    static bool writeTone(pa_simple* stream, int frequencyHz, int durationMs)
    {
        const std::int64_t leadIn = std::int64_t{kBeepRate} * kLeadInMs / 1000;
        const std::int64_t toneSamples = std::int64_t{kBeepRate} * durationMs / 1000;
        const std::int64_t fade = std::min<std::int64_t>(std::int64_t{kBeepRate} * kBeepFadeMs / 1000, toneSamples / 2);
        // A tone at or above half the sample rate cannot be represented; it would sound as a
        // different, aliased pitch, so it is played as silence of the same length.
        const bool audible = frequencyHz > 0 && frequencyHz < static_cast<int>(kBeepRate / 2);
        const double step = 2.0 * std::numbers::pi * frequencyHz / kBeepRate;

        const std::int64_t total = leadIn + toneSamples;
        const std::int64_t chunk = std::int64_t{kBeepRate} * kChunkMs / 1000;
        std::vector<std::int16_t> buffer(static_cast<size_t>(chunk));
        double phase = 0.0;
        int error = 0;
        for (std::int64_t start = 0; start < total; start += chunk) {
            const std::int64_t count = std::min(chunk, total - start);
            for (std::int64_t k = 0; k < count; ++k) {
                const std::int64_t i = start + k - leadIn; // index within the tone
                double value = 0.0;
                if (i >= 0 && audible) {
                    const std::int64_t edge = std::min(i, toneSamples - 1 - i);
                    const double gain =
                        edge < fade ? static_cast<double>(edge + 1) / static_cast<double>(fade + 1) : 1.0;
                    value = kBeepAmplitude * gain * std::sin(phase);
                    phase += step;
                    if (phase >= 2.0 * std::numbers::pi) {
                        phase -= 2.0 * std::numbers::pi;
                    }
                }
                buffer[static_cast<size_t>(k)] = static_cast<std::int16_t>(std::lround(value));
            }
            if (pa_simple_write(stream, buffer.data(), static_cast<size_t>(count) * sizeof(std::int16_t), &error) < 0) {
                return false;
            }
        }
        return pa_simple_drain(stream, &error) >= 0;
    }

    void beep(int frequencyHz, int durationMs)
    {
        if (durationMs <= 0) {
            return;
        }
        const Clock::time_point toneEnd = Clock::now() + milliseconds(durationMs);
        {
            // No idle deadline while a beep runs, so the worker never waits for this beep's lock.
            std::lock_guard lock(mutex);
            beepCloseAt.reset();
        }
        bool played = false;
        {
            std::lock_guard beepLock(beepMutex);
            static const pa_sample_spec spec{PA_SAMPLE_S16NE, kBeepRate, 1};
            // A kept connection may have died with a restarted server since the last beep: such
            // a failure earns one fresh attempt at once. A fresh connection that fails is an outage.
            for (int attempt = 0; attempt < 2 && !played; ++attempt) {
                const bool reused = beepStream != nullptr;
                if (!beepStream) {
                    if (Clock::now() < nextConnectAttempt) {
                        break;
                    }
                    QString failure;
                    beepStream = connect(kBeepStreamName, spec, nullptr, &failure);
                    if (!beepStream) {
                        nextConnectAttempt = Clock::now() + reconnectInterval;
                        noteServerFailure(failure);
                        break;
                    }
                }
                played = writeTone(beepStream.get(), frequencyHz, durationMs);
                if (played) {
                    noteServerReachable();
                } else {
                    beepStream.reset();
                    if (!reused) {
                        nextConnectAttempt = Clock::now() + reconnectInterval;
                        noteServerFailure(QStringLiteral("connection lost while playing"));
                    }
                }
            }
        }
        if (!played) {
            // The caller's signal is timed by the beeps; keep that rhythm in silence.
            std::this_thread::sleep_until(toneEnd);
        }
        {
            std::lock_guard lock(mutex);
            beepCloseAt = Clock::now() + beepIdleClose;
        }
        wake.notify_all();
    }

    void closeIdleBeepStream()
    {
        std::unique_lock beepLock(beepMutex, std::try_to_lock);
        if (!beepLock.owns_lock()) {
            return; // a beep is running (and has cleared the deadline); it sets a new one when it ends
        }
        std::lock_guard lock(mutex);
        if (beepCloseAt && Clock::now() >= *beepCloseAt) {
            beepStream.reset();
            beepCloseAt.reset();
        }
    }

    const milliseconds reconnectInterval;
    const milliseconds beepIdleClose;
    std::atomic<bool> serverDown{false};

    // Guarded by mutex.
    std::mutex mutex;
    std::condition_variable wake;
    std::optional<WaveJob> pending;
    std::optional<Clock::time_point> beepCloseAt;
    bool quit = false;

    // Guarded by beepMutex (taken before mutex when both are needed).
    std::mutex beepMutex;
    PaSimplePtr beepStream;
    Clock::time_point nextConnectAttempt{};

    std::thread worker;
};

PulseSound::PulseSound(std::chrono::milliseconds reconnectInterval, std::chrono::milliseconds beepIdleClose)
    : d(std::make_unique<Impl>(reconnectInterval, beepIdleClose))
{
}

PulseSound::~PulseSound() = default;

void PulseSound::playWave(const QString& path)
{
    if (path.isEmpty()) {
        reportUnplayable(path, QStringLiteral("no file name"));
        return;
    }
    // Only a regular file is read: opening a FIFO or a device could block this thread, hence
    // the non-blocking open and the type check on what was actually opened.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        reportUnplayable(path, QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        reportUnplayable(path, QStringLiteral("not a regular file"));
        return;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);

    WaveJob job;
    job.path = path;
    job.file.reset(sf_open_fd(fd, SFM_READ, &job.info, SF_TRUE)); // closes fd also when it fails
    if (!job.file) {
        reportUnplayable(path, QString::fromUtf8(sf_strerror(nullptr)));
        return;
    }
    if (job.info.channels < 1 || job.info.channels > static_cast<int>(PA_CHANNELS_MAX) || job.info.samplerate < 1 ||
        job.info.samplerate > static_cast<int>(PA_RATE_MAX)) {
        reportUnplayable(
            path,
            QStringLiteral("unsupported layout: %1 channels at %2 Hz").arg(job.info.channels).arg(job.info.samplerate));
        return;
    }
    if (job.info.frames == 0) {
        return; // nothing to hear; not worth a connection (nor an error)
    }
    d->submit(std::move(job));
}

void PulseSound::beep(int frequencyHz, int durationMs)
{
    d->beep(frequencyHz, durationMs);
}

} // namespace telvor
