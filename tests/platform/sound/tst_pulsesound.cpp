#include "PulseFixture.h"
#include "ToneAnalysis.h"
#include "platform/PulseSound.h"
#include "tests/support/RequireThat.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <sndfile.h>
#include <sys/stat.h>

#include <fcntl.h>
#include <unistd.h>

#include <memory>
#include <optional>
#include <thread>

using namespace telvor;
using namespace telvor::test;
using namespace std::chrono_literals;

namespace {

QString describe(const std::vector<Burst>& bursts)
{
    QStringList parts;
    for (const Burst& b : bursts) {
        parts.append(QStringLiteral("%1 ms at %2 ms")
                         .arg(b.ms(), 0, 'f', 1)
                         .arg(static_cast<double>(b.begin) * 1000.0 / kRecordRate, 0, 'f', 0));
    }
    return parts.join(QStringLiteral(", "));
}

/** One startTones call of a test row. */
struct ToneCall {
    int count;
    int frequencyHz;
    int durationMs;
};

/** The status once it has left Pending, or nothing when it does not within the timeout. */
std::optional<WaveStatus> settledStatus(const Sound& sound, int timeoutMs = 10000)
{
    std::optional<WaveStatus> settled;
    (void)QTest::qWaitFor(
        [&] {
            const WaveStatus now = sound.waveStatus();
            if (now.check != WaveStatus::Check::Pending) {
                settled = now;
            }
            return settled.has_value();
        },
        timeoutMs);
    return settled;
}

/** Starts tones and waits until they count as played; false when they never do. */
bool playTones(Sound& sound, int count, int frequencyHz, int durationMs)
{
    sound.startTones(count, frequencyHz, durationMs);
    return QTest::qWaitFor([&] { return !sound.tonesPlaying(); }, 20000);
}

} // namespace

Q_DECLARE_METATYPE(QList<ToneCall>)

/** The sound output against a real sound server, judged by what the server's sink actually played. */
class TestPulseSound final : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<PulseServer> m_server;
    QString m_noServer; ///< why the shared server is not there; empty when it runs

    [[nodiscard]] QString path(const QString& name) const { return m_dir.filePath(name); }

    /** Points the code at a socket nobody listens on. */
    void useAbsentServer()
    {
        qputenv("PULSE_SERVER", QFile::encodeName(QStringLiteral("unix:") + path("absent.sock")));
    }

    QString sineFile(const QString& name, double frequency, int ms)
    {
        const QString file = path(name);
        return writeSineFile(file, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1, frequency, ms) ? file : QString();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // The code under test is a sound-server client too; keep its cookie and runtime files out of the real home.
        QDir(m_dir.path()).mkpath(QStringLiteral("client/run"));
        QFile::setPermissions(path("client/run"),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("HOME", QFile::encodeName(path("client")));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(path("client/run")));
        qunsetenv("XDG_CONFIG_HOME");

        QDir(m_dir.path()).mkpath(QStringLiteral("server"));
        m_server = std::make_unique<PulseServer>(path("server"));
        const QString why = m_server->start();
        if (!why.isEmpty()) {
            m_noServer = QStringLiteral("needs a PulseAudio server of its own: ") + why;
        }
    }

    void init()
    {
        if (!m_noServer.isEmpty()) {
            useAbsentServer();
        } else {
            qputenv("PULSE_SERVER", m_server->serverString().toLocal8Bit());
        }
    }

    void cleanupTestCase() { m_server.reset(); }

    /**
     * The client's tone signal: three rounds of three 300 ms tones at 2000 Hz, the next round
     * started once the last has been played. A round counted as played too early would let the
     * pause between two rounds pass while it still sounds.
     */
    void nineTonesInThreeRounds()
    {
        REQUIRE_THAT(m_noServer);
        Recorder recorder(*m_server, path("rounds.raw"));
        REQUIRE_THAT(recorder.start());
        {
            PulseSound sound;
            for (int round = 0; round < 3; ++round) {
                if (round > 0) {
                    // The event thread between two rounds; stretched so the rounds can be told apart.
                    std::this_thread::sleep_for(1000ms);
                }
                sound.startTones(3, 2000, 300);
                // Returned before even the lead-in could have been played: the caller does not wait.
                QVERIFY(sound.tonesPlaying());
                QVERIFY(QTest::qWaitFor([&] { return !sound.tonesPlaying(); }, 20000));
            }
        }
        QVERIFY(recorder.waitForMore(300));
        const Samples samples = recorder.stop();
        const std::vector<Burst> bursts = findBursts(samples);
        qInfo("recorded: %s", qPrintable(describe(bursts)));

        QVERIFY2(bursts.size() == 9, qPrintable(describe(bursts)));
        for (const Burst& burst : bursts) {
            QVERIFY2(burst.ms() > 270 && burst.ms() < 330, qPrintable(describe(bursts)));
            const double frequency = toneFrequency(samples, burst.begin, burst.end);
            QVERIFY2(std::abs(frequency - 2000) < 20, qPrintable(QString::number(frequency)));
        }
        for (size_t i = 0; i + 1 < bursts.size(); ++i) {
            const double gap = gapMs(bursts[i], bursts[i + 1]);
            if (i == 2 || i == 5) {
                QVERIFY2(gap >= 900, qPrintable(describe(bursts)));
            } else {
                QVERIFY2(gap >= 40 && gap < 500, qPrintable(describe(bursts)));
            }
        }
    }

    void tonesAsAsked_data()
    {
        QTest::addColumn<QList<ToneCall>>("calls");
        QTest::addColumn<QList<int>>("heard");     // the pitch of each tone in the recording, in order
        QTest::addColumn<int>("playingAtLeastMs"); // how long tonesPlaying() stays true; 0: not at all
        QTest::newRow("second call while the first sounds")
            << QList<ToneCall>{{2, 2000, 300}, {1, 1000, 300}} << QList<int>{2000, 2000, 1000} << 900;
        // A tone that cannot be represented is not replaced by an aliased one; it still takes its time.
        QTest::newRow("above half the sample rate") << QList<ToneCall>{{1, 30000, 300}} << QList<int>{} << 300;
        QTest::newRow("zero frequency") << QList<ToneCall>{{1, 0, 300}} << QList<int>{} << 300;
        QTest::newRow("negative frequency") << QList<ToneCall>{{1, -2000, 300}} << QList<int>{} << 300;
        QTest::newRow("zero duration") << QList<ToneCall>{{1, 2000, 0}} << QList<int>{} << 0;
        QTest::newRow("negative duration") << QList<ToneCall>{{2, 2000, -300}} << QList<int>{} << 0;
        QTest::newRow("no tones") << QList<ToneCall>{{0, 2000, 300}} << QList<int>{} << 0;
        QTest::newRow("negative count, then a tone")
            << QList<ToneCall>{{-5, 2000, 300}, {1, 2000, 300}} << QList<int>{2000} << 300;
    }

    void tonesAsAsked()
    {
        QFETCH(QList<ToneCall>, calls);
        QFETCH(QList<int>, heard);
        QFETCH(int, playingAtLeastMs);
        REQUIRE_THAT(m_noServer);
        Recorder recorder(*m_server, path("tones.raw"));
        REQUIRE_THAT(recorder.start());
        PulseSound sound;
        QElapsedTimer timer;
        timer.start();
        for (const ToneCall& call : calls) {
            sound.startTones(call.count, call.frequencyHz, call.durationMs);
        }
        QCOMPARE(sound.tonesPlaying(), playingAtLeastMs > 0);
        QVERIFY(QTest::qWaitFor([&] { return !sound.tonesPlaying(); }, 20000));
        // A lower bound only: a busy machine makes the tones late, never early.
        QVERIFY2(timer.elapsed() >= playingAtLeastMs - 50, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(recorder.waitForMore(200));
        const Samples samples = recorder.stop();
        const std::vector<Burst> bursts = findBursts(samples, 300);
        QVERIFY2(bursts.size() == static_cast<size_t>(heard.size()), qPrintable(describe(bursts)));
        for (qsizetype i = 0; i < heard.size(); ++i) {
            const Burst& burst = bursts[static_cast<size_t>(i)];
            QVERIFY2(burst.ms() > 270 && burst.ms() < 330, qPrintable(describe(bursts)));
            const double frequency = toneFrequency(samples, burst.begin, burst.end);
            QVERIFY2(std::abs(frequency - heard[i]) < 20, qPrintable(QString::number(frequency)));
        }
    }

    void waveFilePlaysOnceAndWhole_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("channels");
        QTest::newRow("16-bit mono 44100 Hz") << (SF_FORMAT_WAV | SF_FORMAT_PCM_16) << 44100 << 1;
        QTest::newRow("24-bit stereo 48000 Hz") << (SF_FORMAT_WAV | SF_FORMAT_PCM_24) << 48000 << 2;
        QTest::newRow("float mono 22050 Hz") << (SF_FORMAT_WAV | SF_FORMAT_FLOAT) << 22050 << 1;
        QTest::newRow("8-bit mono 8000 Hz") << (SF_FORMAT_WAV | SF_FORMAT_PCM_U8) << 8000 << 1;
        QTest::newRow("IMA ADPCM stereo 44100 Hz") << (SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM) << 44100 << 2;
        QTest::newRow("six channels 44100 Hz") << (SF_FORMAT_WAV | SF_FORMAT_PCM_16) << 44100 << 6;
    }

    /** Heard once, from its first to its last millisecond; the file counts as playable, before and after. */
    void waveFilePlaysOnceAndWhole()
    {
        QFETCH(int, format);
        QFETCH(int, rate);
        QFETCH(int, channels);
        REQUIRE_THAT(m_noServer);
        const QString file = path("tone.wav");
        QVERIFY(writeSineFile(file, format, rate, channels, 440, 1000));
        Recorder recorder(*m_server, path("wave.raw"));
        REQUIRE_THAT(recorder.start());
        PulseSound sound;
        StderrCapture errors(path("wave.err"));
        sound.playWave(file);
        const std::optional<WaveStatus> settled = settledStatus(sound);
        QVERIFY(settled.has_value());
        QVERIFY2(settled->check == WaveStatus::Check::Playable, qPrintable(settled->problem));
        QVERIFY(recorder.waitForSoundThenQuiet(700));
        QCOMPARE(sound.waveStatus().check, WaveStatus::Check::Playable);
        const Samples samples = recorder.stop();
        const std::vector<Burst> bursts = findBursts(samples);
        qInfo("recorded: %s", qPrintable(describe(bursts)));

        QVERIFY2(bursts.size() == 1, qPrintable(describe(bursts)));
        QVERIFY2(std::abs(bursts[0].ms() - 1000) <= 50, qPrintable(describe(bursts)));
        const double frequency = toneFrequency(samples, bursts[0].begin, bursts[0].end);
        QVERIFY2(std::abs(frequency - 440) < 20, qPrintable(QString::number(frequency)));
        QVERIFY2(errors.lines().isEmpty(), qPrintable(errors.all()));
    }

    /** Only the second file's tone is heard once it has been started. */
    void secondWaveReplacesFirst()
    {
        REQUIRE_THAT(m_noServer);
        const QString first = sineFile(QStringLiteral("first.wav"), 440, 5000);
        const QString second = sineFile(QStringLiteral("second.wav"), 880, 1000);
        QVERIFY(!first.isEmpty() && !second.isEmpty());
        Recorder recorder(*m_server, path("replace.raw"));
        REQUIRE_THAT(recorder.start());
        PulseSound sound;
        sound.playWave(first);
        QVERIFY(QTest::qWaitFor([&] { return !findBursts(recorder.samples()).empty(); }, 10000));
        sound.playWave(second);
        QVERIFY(recorder.waitForSoundThenQuiet(700));
        QCOMPARE(sound.waveStatus().check, WaveStatus::Check::Playable);
        const Samples samples = recorder.stop();

        const std::vector<double> frames = frameFrequencies(samples);
        auto isFirst = [](double f) { return std::abs(f - 440) < 60; };
        auto isSecond = [](double f) { return std::abs(f - 880) < 60; };
        const auto firstSecond = std::find_if(frames.begin(), frames.end(), isSecond);
        QVERIFY2(firstSecond != frames.end(), "the second file was not heard");
        QVERIFY2(std::none_of(firstSecond, frames.end(), isFirst), "the first file went on after the switch");
        const auto firstFrames = std::count_if(frames.begin(), firstSecond, isFirst);
        QVERIFY2(firstFrames > 0, "the first file was not heard");
        QVERIFY2(firstFrames * kFrameMs < 4000, "the first file was not cut short");

        const auto from = static_cast<std::int64_t>(static_cast<double>(firstSecond - frames.begin()) * kFrameMs *
                                                    kRecordRate / 1000.0);
        const Samples tail(samples.begin() + from, samples.end());
        const std::vector<Burst> bursts = findBursts(tail);
        QVERIFY2(bursts.size() == 1, qPrintable(describe(bursts)));
        QVERIFY2(std::abs(bursts[0].ms() - 1000) <= 50, qPrintable(describe(bursts)));
        const double frequency = toneFrequency(tail, bursts[0].begin, bursts[0].end);
        QVERIFY2(std::abs(frequency - 880) < 20, qPrintable(QString::number(frequency)));
    }

    void destructionStopsTheSound_data()
    {
        QTest::addColumn<bool>("tones");
        QTest::newRow("a long file") << false;
        QTest::newRow("twenty queued tones") << true;
    }

    /** Ending the sound output neither lets a long file play out nor waits for the queued tones. */
    void destructionStopsTheSound()
    {
        QFETCH(bool, tones);
        REQUIRE_THAT(m_noServer);
        const QString file = sineFile(QStringLiteral("long.wav"), 440, 5000);
        QVERIFY(!file.isEmpty());
        Recorder recorder(*m_server, path("destroy.raw"));
        REQUIRE_THAT(recorder.start());
        {
            PulseSound sound;
            if (tones) {
                sound.startTones(20, 2000, 300);
            } else {
                sound.playWave(file);
            }
            QVERIFY(QTest::qWaitFor([&] { return !findBursts(recorder.samples()).empty(); }, 10000));
        }
        QVERIFY(recorder.waitForMore(1000));
        const std::vector<Burst> bursts = findBursts(recorder.stop());
        if (tones) {
            QVERIFY2(!bursts.empty() && bursts.size() <= 2, qPrintable(describe(bursts)));
        } else {
            QVERIFY2(bursts.size() == 1 && bursts[0].ms() < 4000, qPrintable(describe(bursts)));
        }
    }

    void unplayableFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        // A name without content is not created unless the case makes it.
        QTest::newRow("missing") << "absent.wav" << QByteArray();
        QTest::newRow("empty name") << "" << QByteArray();
        QTest::newRow("directory") << "dir" << QByteArray();
        QTest::newRow("fifo") << "fifo" << QByteArray();
        QTest::newRow("empty file") << "empty.wav" << QByteArray("");
        QTest::newRow("text") << "text.wav" << QByteArray("this is no sound\n");
        QTest::newRow("truncated header") << "cut.wav" << QByteArray("RIFF\x24\0\0\0WAVEfmt ", 16);
        QTest::newRow("no audio frames") << "silent.wav" << QByteArray();
        QTest::newRow("more channels than the server takes") << "channels.wav" << QByteArray();
        QTest::newRow("higher rate than the server takes") << "rate.wav" << QByteArray();
    }

    /**
     * The status says why, and nothing else happens: no line on standard error (the caller reports
     * it), no attempt to play it, no hang (a FIFO would block a plain open).
     */
    void unplayableFile()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        useAbsentServer(); // an attempt to play would show up as a "no sound server" line
        const QString file = name.isEmpty() ? QString() : path(QStringLiteral("bad/") + name);
        QDir(m_dir.path()).mkpath(QStringLiteral("bad"));
        if (name == QLatin1String("dir")) {
            QDir().mkpath(file);
        } else if (name == QLatin1String("fifo")) {
            QFile::remove(file);
            QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
        } else if (name == QLatin1String("silent.wav")) {
            QVERIFY(writeSineFile(file, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1, 440, 0));
        } else if (name == QLatin1String("channels.wav")) {
            QVERIFY(writeSineFile(file, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 40, 440, 100));
        } else if (name == QLatin1String("rate.wav")) {
            QVERIFY(writeSineFile(file, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 400000, 1, 440, 100));
        } else if (!content.isNull()) {
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
            out.write(content);
        }

        StderrCapture errors(path("bad.err"));
        std::optional<WaveStatus> settled;
        {
            PulseSound sound;
            sound.playWave(file);
            settled = settledStatus(sound);
            if (name == QLatin1String("fifo")) {
                // A worker stuck opening the FIFO for reading is let go by a writer, so the case can end.
                const int writer = ::open(QFile::encodeName(file).constData(), O_WRONLY | O_NONBLOCK);
                if (writer >= 0) {
                    ::close(writer);
                }
            }
            std::this_thread::sleep_for(200ms); // room for a playback the file should not have started
        }
        QVERIFY2(settled.has_value(), "still being checked");
        QCOMPARE(settled->check, WaveStatus::Check::Unplayable);
        QVERIFY(!settled->problem.trimmed().isEmpty());
        qInfo("problem: %s", qPrintable(settled->problem));
        QVERIFY2(errors.lines().isEmpty(), qPrintable(errors.all()));
    }

    void fileOnHungShare_data()
    {
        QTest::addColumn<bool>("replaced");
        QTest::newRow("the share comes back failing") << false;
        QTest::newRow("replaced by a local file meanwhile") << true;
    }

    /**
     * A file on a share that does not answer: neither the caller nor the tones wait for it, the
     * status stays Pending while the share hangs, and what the share answers in the end counts only
     * when no other file was asked for meanwhile.
     */
    void fileOnHungShare()
    {
        QFETCH(bool, replaced);
        REQUIRE_THAT(m_noServer);
        const QString local = sineFile(QStringLiteral("local.wav"), 440, 1000);
        QVERIFY(!local.isEmpty());
        Recorder recorder(*m_server, path("hung.raw"));
        REQUIRE_THAT(recorder.start());
        PulseSound sound;
        HungMount share(path("share")); // released before the sound output waits for its worker
        REQUIRE_THAT(share.start());

        // Every call is made under the watchdog: one that waits for the share must not hang the test.
        WaveStatus whileHung;
        WaveStatus afterTone;
        bool toneEnded = false;
        const bool returned = share.returnsWhileHung(
            [&] {
                sound.playWave(path("share/alarm.wav"));
                whileHung = sound.waveStatus();
                toneEnded = playTones(sound, 1, 2000, 300);
                afterTone = sound.waveStatus();
                if (replaced) {
                    sound.playWave(local);
                }
            },
            30000);
        QVERIFY2(returned, "the caller waited for the share");
        QVERIFY2(toneEnded, "the tone waited for the share");
        QCOMPARE(whileHung.check, WaveStatus::Check::Pending);
        QCOMPARE(afterTone.check, WaveStatus::Check::Pending);

        share.release();
        const std::optional<WaveStatus> settled = settledStatus(sound);
        QVERIFY(settled.has_value());
        if (replaced) {
            QVERIFY2(settled->check == WaveStatus::Check::Playable, qPrintable(settled->problem));
            QVERIFY(recorder.waitForSoundThenQuiet(700, 10000));
        } else {
            QCOMPARE(settled->check, WaveStatus::Check::Unplayable);
            QVERIFY(!settled->problem.isEmpty());
            QVERIFY(recorder.waitForMore(300));
        }
        const Samples samples = recorder.stop();
        const std::vector<Burst> bursts = findBursts(samples);
        QVERIFY2(bursts.size() == (replaced ? 2U : 1U), qPrintable(describe(bursts)));
        QVERIFY2(std::abs(toneFrequency(samples, bursts[0].begin, bursts[0].end) - 2000) < 20,
                 qPrintable(describe(bursts)));
        if (replaced) {
            QVERIFY2(std::abs(bursts[1].ms() - 1000) <= 50, qPrintable(describe(bursts)));
            QVERIFY2(std::abs(toneFrequency(samples, bursts[1].begin, bursts[1].end) - 440) < 20,
                     qPrintable(describe(bursts)));
        }
    }

    /**
     * Without a server the tones keep their length in silence, and the outage is one line, not one
     * per tone; the file itself is playable all the same.
     */
    void withoutServerTonesKeepTheirDuration()
    {
        useAbsentServer();
        const QString file = sineFile(QStringLiteral("unheard.wav"), 440, 300);
        QVERIFY(!file.isEmpty());
        StderrCapture errors(path("absent.err"));
        {
            PulseSound sound(0ms); // retry at every tone: still one line
            QElapsedTimer timer;
            timer.start();
            QVERIFY(playTones(sound, 3, 2000, 300));
            QVERIFY2(timer.elapsed() >= 850, qPrintable(QString::number(timer.elapsed())));
            sound.playWave(file);
            const std::optional<WaveStatus> settled = settledStatus(sound);
            QVERIFY(settled.has_value());
            QCOMPARE(settled->check, WaveStatus::Check::Playable);
            std::this_thread::sleep_for(300ms); // the worker's connection attempt
        }
        const QStringList reported = errors.lines();
        QVERIFY2(reported.size() == 1, qPrintable(errors.all()));
        QVERIFY2(reported[0].contains(QStringLiteral("no sound server: ")), qPrintable(reported[0]));
    }

    void tonesAfterServerOutage_data()
    {
        QTest::addColumn<int>("reconnectMs");
        QTest::addColumn<bool>("soundsAgain");
        QTest::newRow("retry allowed") << 0 << true;
        QTest::newRow("retry not yet due") << 3600 * 1000 << false;
    }

    /**
     * The kept connection dies with the server; tones go on silently with one report. When the server
     * is back, the next tone after the retry delay reconnects and sounds, and the recovery is reported.
     */
    void tonesAfterServerOutage()
    {
        QFETCH(int, reconnectMs);
        QFETCH(bool, soundsAgain);
        REQUIRE_THAT(m_noServer);
        QDir(m_dir.path()).mkpath(QStringLiteral("restart"));
        PulseServer server(path("restart"));
        REQUIRE_THAT(server.start());
        qputenv("PULSE_SERVER", server.serverString().toLocal8Bit());

        StderrCapture errors(path("restart.err"));
        PulseSound sound{std::chrono::milliseconds(reconnectMs)};
        {
            Recorder before(server, path("before.raw"));
            REQUIRE_THAT(before.start());
            QVERIFY(playTones(sound, 1, 2000, 300));
            QVERIFY(before.waitForMore(100));
            QCOMPARE(findBursts(before.stop()).size(), size_t(1));
        }
        server.stop();
        QElapsedTimer timer;
        timer.start();
        QVERIFY(playTones(sound, 2, 2000, 300));
        QVERIFY2(timer.elapsed() >= 550, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(errors.lines().size(), 1);
        QVERIFY2(errors.lines()[0].contains(QStringLiteral("no sound server: ")), qPrintable(errors.all()));

        REQUIRE_THAT(server.start());
        Recorder after(server, path("after.raw"));
        REQUIRE_THAT(after.start());
        QVERIFY(playTones(sound, 1, 2000, 300));
        QVERIFY(after.waitForMore(100));
        const std::vector<Burst> bursts = findBursts(after.stop());
        QCOMPARE(bursts.size(), size_t(soundsAgain ? 1 : 0));
        const QStringList reported = errors.lines();
        QVERIFY2(reported.size() == (soundsAgain ? 2 : 1), qPrintable(errors.all()));
        if (soundsAgain) {
            QVERIFY2(reported[1].contains(QStringLiteral("sound server reachable again")), qPrintable(errors.all()));
        }
    }

    /** One connection serves a series of tones and is closed when the tones stop, so the device can idle. */
    void toneConnectionIsKeptThenClosed()
    {
        REQUIRE_THAT(m_noServer);
        PulseSound sound(5s, 2s);
        QCOMPARE(m_server->playbackStreams(), 0);
        QVERIFY(playTones(sound, 3, 2000, 100));
        QCOMPARE(m_server->playbackStreams(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(m_server->playbackStreams(), 0, 10000);
        QVERIFY(playTones(sound, 1, 2000, 100)); // and a later tone opens a new one
        QCOMPARE(m_server->playbackStreams(), 1);
    }
};

int main(int argc, char* argv[])
{
    // Before any thread exists: a thread started earlier would stay in the old mount namespace.
    usePrivateMounts();
    QCoreApplication app(argc, argv);
    TestPulseSound test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_pulsesound.moc"
