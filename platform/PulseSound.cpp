#include "platform/PulseSound.h"

#include "common/StandardError.h"

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
#include <deque>
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
constexpr const char* kToneStreamName = "Alarmton";

constexpr std::uint32_t kToneRate = 44100;
/**
 * Silence in front of every tone and every file: a sink that has been idle, or one that has to make
 * room for a new stream, starts playing it late and would cut off its first milliseconds.
 */
constexpr int kLeadInMs = 50;
/** Linear fade at both ends of a tone; a tone that starts or stops at full amplitude clicks. */
constexpr int kToneFadeMs = 2;
constexpr double kToneAmplitude = 0.6 * 32767.0;
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

struct SndFileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using SndFilePtr = std::unique_ptr<SNDFILE, SndFileCloser>;

struct PaSimpleCloser {
    void operator()(pa_simple* stream) const { pa_simple_free(stream); }
};
using PaSimplePtr = std::unique_ptr<pa_simple, PaSimpleCloser>;

/** A WAV file as the check left it: open and decoding, or a problem that says why it cannot be played. */
struct CheckedWave {
    SndFilePtr file;
    SF_INFO info{};
    /** Frames per piece written to the server. */
    sf_count_t chunkFrames = 0;
    /** The first piece, decoded by the check: a file counts as playable only once sound came out of it. */
    std::vector<float> firstChunk;
    QString problem;
};

/** Opens and checks a file; on the worker, since the file may lie on a share that does not answer. */
CheckedWave checkWave(const QString& path)
{
    CheckedWave wave;
    if (path.isEmpty()) {
        wave.problem = QStringLiteral("no file name");
        return wave;
    }
    // Only a regular file is read: opening a FIFO or a device could block for good, hence the
    // non-blocking open and the type check on what was actually opened.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        wave.problem = QString::fromLocal8Bit(std::strerror(errno));
        return wave;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        wave.problem = QStringLiteral("not a regular file");
        return wave;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);

    wave.file.reset(sf_open_fd(fd, SFM_READ, &wave.info, SF_TRUE)); // closes fd also when it fails
    if (!wave.file) {
        wave.problem = QString::fromUtf8(sf_error_number(sf_error(nullptr)));
        return wave;
    }
    const SF_INFO& info = wave.info;
    if (info.channels < 1 || info.channels > static_cast<int>(PA_CHANNELS_MAX) || info.samplerate < 1 ||
        info.samplerate > static_cast<int>(PA_RATE_MAX)) {
        wave.problem =
            QStringLiteral("unsupported layout: %1 channel(s) at %2 Hz").arg(info.channels).arg(info.samplerate);
        wave.file.reset();
        return wave;
    }
    wave.chunkFrames = std::max<sf_count_t>(1, sf_count_t{info.samplerate} * kChunkMs / 1000);
    wave.firstChunk.resize(static_cast<size_t>(wave.chunkFrames) * static_cast<size_t>(info.channels));
    const sf_count_t frames = sf_readf_float(wave.file.get(), wave.firstChunk.data(), wave.chunkFrames);
    if (frames <= 0) {
        // A header without sound would leave the alarm silent: that is no signal to play.
        wave.problem = sf_error(wave.file.get()) != SF_ERR_NO_ERROR ? QString::fromUtf8(sf_strerror(wave.file.get()))
                                                                    : QStringLiteral("no audio data");
        wave.file.reset();
        return wave;
    }
    wave.firstChunk.resize(static_cast<size_t>(frames) * static_cast<size_t>(info.channels));
    return wave;
}

struct ToneRequest {
    int count;
    int frequencyHz;
    int durationMs;
};

} // namespace

struct PulseSound::Impl {
    Impl(milliseconds reconnect, milliseconds idleClose) : reconnectInterval(reconnect), toneIdleClose(idleClose)
    {
        waveWorker = std::thread([this] { runWaves(); });
        toneWorker = std::thread([this] { runTones(); });
    }

    ~Impl()
    {
        {
            std::lock_guard lock(waveMutex);
            waveQuit = true;
        }
        waveWake.notify_all();
        {
            std::lock_guard lock(toneMutex);
            toneQuit = true;
        }
        toneWake.notify_all();
        waveWorker.join();
        toneWorker.join();
    }

    // --- reporting, shared by both workers ---------------------------------------------------

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

    // --- WAV files (caller's side) -------------------------------------------------------------

    void requestWave(const QString& path)
    {
        {
            std::lock_guard lock(waveMutex);
            waveRequest = path; // a request that the worker has not taken yet is simply replaced
            waveState = WaveStatus{};
        }
        waveWake.notify_all();
    }

    WaveStatus currentWaveStatus() const
    {
        std::lock_guard lock(waveMutex);
        return waveState;
    }

    // --- WAV files (wave worker) -------------------------------------------------------------

    /** True when the current file must be left: a newer one is waiting, or the object goes away. */
    bool waveInterrupted()
    {
        std::lock_guard lock(waveMutex);
        return waveQuit || waveRequest.has_value();
    }

    /** Waits up to `duration`; false when interrupted meanwhile. */
    bool waitUninterrupted(std::chrono::microseconds duration)
    {
        std::unique_lock lock(waveMutex);
        return !waveWake.wait_for(lock, duration, [this] { return waveQuit || waveRequest.has_value(); });
    }

    void runWaves()
    {
        std::unique_lock lock(waveMutex);
        for (;;) {
            waveWake.wait(lock, [this] { return waveQuit || waveRequest.has_value(); });
            if (waveQuit) {
                return;
            }
            const QString path = std::move(*waveRequest);
            waveRequest.reset();
            // The file system is touched only without the lock, so that the caller never waits for it.
            lock.unlock();
            CheckedWave wave = checkWave(path);
            lock.lock();
            const bool superseded = waveQuit || waveRequest.has_value();
            if (!superseded) {
                waveState = wave.problem.isEmpty() ? WaveStatus{WaveStatus::Check::Playable, {}}
                                                   : WaveStatus{WaveStatus::Check::Unplayable, wave.problem};
            }
            lock.unlock();
            if (!superseded && wave.problem.isEmpty()) {
                play(path, wave);
            }
            wave.file.reset(); // closing may wait for the file system as well
            lock.lock();
        }
    }

    void play(const QString& path, CheckedWave& wave)
    {
        const auto channels = static_cast<std::uint8_t>(wave.info.channels);
        const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, static_cast<std::uint32_t>(wave.info.samplerate), channels};
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

        int error = 0;
        const std::vector<float> leadIn(static_cast<size_t>(wave.info.samplerate) * kLeadInMs / 1000 * channels, 0.0F);
        if (!leadIn.empty() &&
            pa_simple_write(stream.get(), leadIn.data(), leadIn.size() * sizeof(float), &error) < 0) {
            noteServerFailure(QString::fromUtf8(pa_strerror(error)));
            return;
        }
        std::vector<float> buffer = std::move(wave.firstChunk);
        auto frames = static_cast<sf_count_t>(buffer.size() / channels);
        buffer.resize(static_cast<size_t>(wave.chunkFrames) * channels);
        while (frames > 0) {
            if (waveInterrupted()) {
                pa_simple_flush(stream.get(), &error);
                return;
            }
            const size_t bytes = static_cast<size_t>(frames) * channels * sizeof(float);
            if (pa_simple_write(stream.get(), buffer.data(), bytes, &error) < 0) {
                noteServerFailure(QString::fromUtf8(pa_strerror(error)));
                return;
            }
            frames = sf_readf_float(wave.file.get(), buffer.data(), wave.chunkFrames);
        }
        if (sf_error(wave.file.get()) != SF_ERR_NO_ERROR) {
            // What was decoded up to the fault still plays; the caller has been told that the file plays.
            printLine(QStringLiteral("%1: \"%2\" breaks off: %3")
                          .arg(QLatin1String(kApplicationName), path, QString::fromUtf8(sf_strerror(wave.file.get()))));
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

    // --- tones (caller's side) -----------------------------------------------------------------

    void queueTones(int count, int frequencyHz, int durationMs)
    {
        if (count <= 0 || durationMs <= 0) {
            return;
        }
        {
            std::lock_guard lock(toneMutex);
            toneQueue.push_back({count, frequencyHz, durationMs});
            // Counted here, not by the worker, so that the caller sees its tones as playing at once.
            tonesUnfinished += count;
        }
        toneWake.notify_all();
    }

    bool anyTonesPlaying() const
    {
        std::lock_guard lock(toneMutex);
        return tonesUnfinished > 0;
    }

    // --- tones (tone worker; the connection belongs to it alone) -------------------------------

    void runTones()
    {
        std::unique_lock lock(toneMutex);
        Clock::time_point closeAt{}; // of the connection, which is kept only after a tone
        const auto woken = [this] { return toneQuit || !toneQueue.empty(); };
        while (!toneQuit) {
            if (!toneQueue.empty()) {
                ToneRequest& next = toneQueue.front();
                const int frequencyHz = next.frequencyHz;
                const int durationMs = next.durationMs;
                if (--next.count == 0) {
                    toneQueue.pop_front();
                }
                lock.unlock();
                soundTone(frequencyHz, durationMs);
                lock.lock();
                --tonesUnfinished;
                closeAt = Clock::now() + toneIdleClose;
            } else if (toneStream) {
                if (!toneWake.wait_until(lock, closeAt, woken)) {
                    lock.unlock();
                    toneStream.reset();
                    lock.lock();
                }
            } else {
                toneWake.wait(lock, woken);
            }
        }
        lock.unlock();
        toneStream.reset();
    }

    /** Writes lead-in and tone and waits until they have been played; false on any server error. */
    static bool writeTone(pa_simple* stream, int frequencyHz, int durationMs)
    {
        const std::int64_t leadIn = std::int64_t{kToneRate} * kLeadInMs / 1000;
        const std::int64_t toneSamples = std::int64_t{kToneRate} * durationMs / 1000;
        const std::int64_t fade = std::min<std::int64_t>(std::int64_t{kToneRate} * kToneFadeMs / 1000, toneSamples / 2);
        // A tone at or above half the sample rate cannot be represented; it would sound as a
        // different, aliased pitch, so it is played as silence of the same length.
        const bool audible = frequencyHz > 0 && frequencyHz < static_cast<int>(kToneRate / 2);
        const double step = 2.0 * std::numbers::pi * frequencyHz / kToneRate;

        const std::int64_t total = leadIn + toneSamples;
        const std::int64_t chunk = std::int64_t{kToneRate} * kChunkMs / 1000;
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
                    value = kToneAmplitude * gain * std::sin(phase);
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

    /** One tone; returns when it has been played, or after its duration when it cannot be. */
    void soundTone(int frequencyHz, int durationMs)
    {
        const Clock::time_point toneEnd = Clock::now() + milliseconds(durationMs);
        static const pa_sample_spec spec{PA_SAMPLE_S16NE, kToneRate, 1};
        bool played = false;
        // A kept connection may have died with a restarted server since the last tone: such a
        // failure earns one fresh attempt at once. A fresh connection that fails is an outage.
        for (int attempt = 0; attempt < 2 && !played; ++attempt) {
            const bool reused = toneStream != nullptr;
            if (!toneStream) {
                if (Clock::now() < nextConnectAttempt) {
                    break;
                }
                QString failure;
                toneStream = connect(kToneStreamName, spec, nullptr, &failure);
                if (!toneStream) {
                    nextConnectAttempt = Clock::now() + reconnectInterval;
                    noteServerFailure(failure);
                    break;
                }
            }
            played = writeTone(toneStream.get(), frequencyHz, durationMs);
            if (played) {
                noteServerReachable();
            } else {
                toneStream.reset();
                if (!reused) {
                    nextConnectAttempt = Clock::now() + reconnectInterval;
                    noteServerFailure(QStringLiteral("connection lost while playing"));
                }
            }
        }
        if (!played) {
            // The caller's signal is timed by the tones; keep that rhythm in silence.
            std::unique_lock lock(toneMutex);
            toneWake.wait_until(lock, toneEnd, [this] { return toneQuit; });
        }
    }

    const milliseconds reconnectInterval;
    const milliseconds toneIdleClose;
    std::atomic<bool> serverDown{false};

    // Guarded by waveMutex.
    mutable std::mutex waveMutex;
    std::condition_variable waveWake;
    std::optional<QString> waveRequest; ///< the latest file, until the wave worker takes it
    WaveStatus waveState;
    bool waveQuit = false;

    // Guarded by toneMutex.
    mutable std::mutex toneMutex;
    std::condition_variable toneWake;
    std::deque<ToneRequest> toneQueue;
    std::int64_t tonesUnfinished = 0; ///< queued plus the one sounding now
    bool toneQuit = false;

    // Tone worker only.
    PaSimplePtr toneStream;
    Clock::time_point nextConnectAttempt{};

    // Started by the constructor once every member above is in place, joined by the destructor.
    std::thread waveWorker;
    std::thread toneWorker;
};

PulseSound::PulseSound(std::chrono::milliseconds reconnectInterval, std::chrono::milliseconds toneIdleClose)
    : d(std::make_unique<Impl>(reconnectInterval, toneIdleClose))
{
}

PulseSound::~PulseSound() = default;

void PulseSound::playWave(const QString& path)
{
    d->requestWave(path);
}

WaveStatus PulseSound::waveStatus() const
{
    return d->currentWaveStatus();
}

void PulseSound::startTones(int count, int frequencyHz, int durationMs)
{
    d->queueTones(count, frequencyHz, durationMs);
}

bool PulseSound::tonesPlaying() const
{
    return d->anyTonesPlaying();
}

} // namespace telvor
