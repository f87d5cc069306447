#include "PulseFixture.h"
#include "ToneAnalysis.h"
#include "platform/PulseSound.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <sndfile.h>
#include <sys/stat.h>

#include <memory>
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

} // namespace

/** Skips a test that needs the shared server when it could not be started. */
#define REQUIRE_SERVER()                                                                                               \
    do {                                                                                                               \
        if (!noServer_.isEmpty())                                                                                      \
            QSKIP(qPrintable(noServer_));                                                                              \
    } while (false)

/** Starts a recording of the server's sink, or skips the test when the recorder cannot run. */
#define START_RECORDING(recorder)                                                                                      \
    do {                                                                                                               \
        const QString why = (recorder).start();                                                                        \
        if (!why.isEmpty())                                                                                            \
            QSKIP(qPrintable(QStringLiteral("cannot record the sound server: ") + why));                               \
    } while (false)

/** The sound output against a real sound server, judged by what the server's sink actually played. */
class TestPulseSound final : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    std::unique_ptr<PulseServer> server_;
    QString noServer_; ///< why the shared server is not there; empty when it runs

    [[nodiscard]] QString path(const QString& name) const { return dir_.filePath(name); }

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
        QVERIFY(dir_.isValid());
        // The code under test is a sound-server client too; keep its cookie and runtime files out of the real home.
        QDir(dir_.path()).mkpath(QStringLiteral("client/run"));
        QFile::setPermissions(path("client/run"),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("HOME", QFile::encodeName(path("client")));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(path("client/run")));
        qunsetenv("XDG_CONFIG_HOME");

        QDir(dir_.path()).mkpath(QStringLiteral("server"));
        server_ = std::make_unique<PulseServer>(path("server"));
        const QString why = server_->start();
        if (!why.isEmpty()) {
            noServer_ = QStringLiteral("needs a PulseAudio server of its own: ") + why;
        }
    }

    void init()
    {
        if (!noServer_.isEmpty()) {
            useAbsentServer();
        } else {
            qputenv("PULSE_SERVER", server_->serverString().toLocal8Bit());
        }
    }

    void cleanupTestCase() { server_.reset(); }

    /** The client's beep signal: three rounds of three 300 ms tones at 2000 Hz. */
    void nineBeepsInThreeGroups()
    {
        REQUIRE_SERVER();
        Recorder recorder(*server_, path("beeps.raw"));
        START_RECORDING(recorder);
        {
            PulseSound sound;
            for (int round = 0; round < 3; ++round) {
                if (round > 0) {
                    // The event thread between two rounds; stretched so the groups can be told apart.
                    std::this_thread::sleep_for(1000ms);
                }
                for (int tone = 0; tone < 3; ++tone) {
                    sound.beep(2000, 300);
                }
            }
        }
        QVERIFY(recorder.waitForMore(300));
        const Samples samples = recorder.stop();
        const std::vector<Burst> bursts = findBursts(samples);
        qInfo("recorded: %s", qPrintable(describe(bursts)));

        QVERIFY2(bursts.size() == 9, qPrintable(describe(bursts)));
        for (size_t i = 0; i < bursts.size(); ++i) {
            QVERIFY2(bursts[i].ms() > 270 && bursts[i].ms() < 330, qPrintable(describe(bursts)));
            const double frequency = toneFrequency(samples, bursts[i].begin, bursts[i].end);
            QVERIFY2(std::abs(frequency - 2000) < 20, qPrintable(QString::number(frequency)));
        }
        for (size_t i = 0; i + 1 < bursts.size(); ++i) {
            const double gap = gapMs(bursts[i], bursts[i + 1]);
            if (i == 2 || i == 5) {
                // A beep that returned before it had been heard would let the pause pass while it plays.
                QVERIFY2(gap >= 900, qPrintable(describe(bursts)));
            } else {
                QVERIFY2(gap >= 40 && gap < 500, qPrintable(describe(bursts)));
            }
        }
    }

    void beepsWithoutAudibleTone_data()
    {
        QTest::addColumn<int>("frequency");
        QTest::addColumn<int>("duration");
        QTest::newRow("above half the sample rate") << 30000 << 300;
        QTest::newRow("zero frequency") << 0 << 300;
        QTest::newRow("negative frequency") << -2000 << 300;
        QTest::newRow("zero duration") << 2000 << 0;
        QTest::newRow("negative duration") << 2000 << -300;
    }

    /** A tone that cannot be represented is not replaced by an aliased one; the call still takes its time. */
    void beepsWithoutAudibleTone()
    {
        QFETCH(int, frequency);
        QFETCH(int, duration);
        REQUIRE_SERVER();
        Recorder recorder(*server_, path("inaudible.raw"));
        START_RECORDING(recorder);
        PulseSound sound;
        QElapsedTimer timer;
        timer.start();
        sound.beep(frequency, duration);
        if (duration > 0) {
            QVERIFY(timer.elapsed() >= duration - 50);
        }
        QVERIFY(recorder.waitForMore(200));
        const std::vector<Burst> bursts = findBursts(recorder.stop(), 300);
        QVERIFY2(bursts.empty(), qPrintable(describe(bursts)));
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

    void waveFilePlaysOnceAndWhole()
    {
        QFETCH(int, format);
        QFETCH(int, rate);
        QFETCH(int, channels);
        REQUIRE_SERVER();
        const QString file = path("tone.wav");
        QVERIFY(writeSineFile(file, format, rate, channels, 440, 1000));
        Recorder recorder(*server_, path("wave.raw"));
        START_RECORDING(recorder);
        PulseSound sound;
        StderrCapture errors(path("wave.err"));
        QElapsedTimer timer;
        timer.start();
        sound.playWave(file);
        QVERIFY2(timer.elapsed() < 500, "playWave waits for the sound"); // generous: it returns before playing
        QVERIFY(recorder.waitForSoundThenQuiet(700));
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
        REQUIRE_SERVER();
        const QString first = sineFile(QStringLiteral("first.wav"), 440, 5000);
        const QString second = sineFile(QStringLiteral("second.wav"), 880, 1000);
        QVERIFY(!first.isEmpty() && !second.isEmpty());
        Recorder recorder(*server_, path("replace.raw"));
        START_RECORDING(recorder);
        PulseSound sound;
        sound.playWave(first);
        QVERIFY(QTest::qWaitFor([&] { return !findBursts(recorder.samples()).empty(); }, 10000));
        sound.playWave(second);
        QVERIFY(recorder.waitForSoundThenQuiet(700));
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

    void destructionStopsPlayback()
    {
        REQUIRE_SERVER();
        const QString file = sineFile(QStringLiteral("long.wav"), 440, 5000);
        QVERIFY(!file.isEmpty());
        Recorder recorder(*server_, path("destroy.raw"));
        START_RECORDING(recorder);
        {
            PulseSound sound;
            sound.playWave(file);
            QVERIFY(QTest::qWaitFor([&] { return !findBursts(recorder.samples()).empty(); }, 10000));
        }
        QVERIFY(recorder.waitForMore(1000));
        const std::vector<Burst> bursts = findBursts(recorder.stop());
        QVERIFY2(bursts.size() == 1, qPrintable(describe(bursts)));
        QVERIFY2(bursts[0].ms() < 4000, qPrintable(describe(bursts)));
    }

    void unplayableFileIsReportedOnce_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("lines");
        // A name without content is not created; "dir" and "fifo" are made by the test.
        QTest::newRow("missing") << "absent.wav" << QByteArray() << 1;
        QTest::newRow("empty name") << "" << QByteArray() << 1;
        QTest::newRow("directory") << "dir" << QByteArray() << 1;
        QTest::newRow("fifo") << "fifo" << QByteArray() << 1;
        QTest::newRow("empty file") << "empty.wav" << QByteArray("") << 1;
        QTest::newRow("text") << "text.wav" << QByteArray("this is no sound\n") << 1;
        QTest::newRow("truncated header") << "cut.wav" << QByteArray("RIFF\x24\0\0\0WAVEfmt ", 16) << 1;
        QTest::newRow("no audio frames") << "silent.wav" << QByteArray() << 0;
    }

    /** One line that names the file and why; no crash, no hang (a FIFO would block an open). */
    void unplayableFileIsReportedOnce()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(int, lines);
        useAbsentServer(); // no sound at all is expected; a played file would show up as a server line
        const QString file = name.isEmpty() ? QString() : path(QStringLiteral("bad/") + name);
        QDir(dir_.path()).mkpath(QStringLiteral("bad"));
        if (name == QLatin1String("dir")) {
            QDir().mkpath(file);
        } else if (name == QLatin1String("fifo")) {
            QFile::remove(file);
            QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
        } else if (name == QLatin1String("silent.wav")) {
            QVERIFY(writeSineFile(file, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1, 440, 0));
        } else if (!content.isNull()) {
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
            out.write(content);
        }

        StderrCapture errors(path("bad.err"));
        {
            PulseSound sound;
            sound.playWave(file);
            std::this_thread::sleep_for(200ms); // room for a playback the file should not have started
        }
        const QStringList reported = errors.lines();
        QVERIFY2(reported.size() == lines, qPrintable(errors.all()));
        for (const QString& line : reported) {
            QVERIFY2(line.contains(QStringLiteral("cannot play \"%1\": ").arg(file)), qPrintable(line));
            QVERIFY2(!line.endsWith(QStringLiteral(": ")), qPrintable(line)); // a reason follows
        }
    }

    /** Without a server the beeps keep their length in silence; the outage is one line, not one per beep. */
    void withoutServerBeepKeepsItsDuration()
    {
        useAbsentServer();
        const QString file = sineFile(QStringLiteral("unheard.wav"), 440, 300);
        QVERIFY(!file.isEmpty());
        StderrCapture errors(path("absent.err"));
        {
            PulseSound sound(0ms); // retry at every beep: still one line
            for (int i = 0; i < 3; ++i) {
                QElapsedTimer timer;
                timer.start();
                sound.beep(2000, 300);
                QVERIFY2(timer.elapsed() >= 250, qPrintable(QString::number(timer.elapsed())));
            }
            sound.playWave(file);
            std::this_thread::sleep_for(300ms); // the worker's connection attempt
        }
        const QStringList reported = errors.lines();
        QVERIFY2(reported.size() == 1, qPrintable(errors.all()));
        QVERIFY2(reported[0].contains(QStringLiteral("no sound server: ")), qPrintable(reported[0]));
    }

    void beepsAfterServerOutage_data()
    {
        QTest::addColumn<int>("reconnectMs");
        QTest::addColumn<bool>("soundsAgain");
        QTest::newRow("retry allowed") << 0 << true;
        QTest::newRow("retry not yet due") << 3600 * 1000 << false;
    }

    /**
     * The kept connection dies with the server; beeps go on silently with one report. When the server
     * is back, the next beep after the retry delay reconnects and sounds, and the recovery is reported.
     */
    void beepsAfterServerOutage()
    {
        QFETCH(int, reconnectMs);
        QFETCH(bool, soundsAgain);
        REQUIRE_SERVER();
        QDir(dir_.path()).mkpath(QStringLiteral("restart"));
        PulseServer server(path("restart"));
        QCOMPARE(server.start(), QString());
        qputenv("PULSE_SERVER", server.serverString().toLocal8Bit());

        StderrCapture errors(path("restart.err"));
        PulseSound sound{std::chrono::milliseconds(reconnectMs)};
        {
            Recorder before(server, path("before.raw"));
            QCOMPARE(before.start(), QString());
            sound.beep(2000, 300);
            QVERIFY(before.waitForMore(100));
            QCOMPARE(findBursts(before.stop()).size(), size_t(1));
        }
        server.stop();
        for (int i = 0; i < 2; ++i) {
            QElapsedTimer timer;
            timer.start();
            sound.beep(2000, 300);
            QVERIFY2(timer.elapsed() >= 250, qPrintable(QString::number(timer.elapsed())));
        }
        QCOMPARE(errors.lines().size(), 1);
        QVERIFY2(errors.lines()[0].contains(QStringLiteral("no sound server: ")), qPrintable(errors.all()));

        QCOMPARE(server.start(), QString());
        Recorder after(server, path("after.raw"));
        QCOMPARE(after.start(), QString());
        sound.beep(2000, 300);
        QVERIFY(after.waitForMore(100));
        const std::vector<Burst> bursts = findBursts(after.stop());
        QCOMPARE(bursts.size(), size_t(soundsAgain ? 1 : 0));
        const QStringList reported = errors.lines();
        QVERIFY2(reported.size() == (soundsAgain ? 2 : 1), qPrintable(errors.all()));
        if (soundsAgain) {
            QVERIFY2(reported[1].contains(QStringLiteral("sound server reachable again")), qPrintable(errors.all()));
        }
    }

    /** One connection serves a series of beeps and is closed when the beeps stop, so the device can idle. */
    void beepConnectionIsKeptThenClosed()
    {
        REQUIRE_SERVER();
        PulseSound sound(5s, 2s);
        QCOMPARE(server_->playbackStreams(), 0);
        for (int i = 0; i < 3; ++i) {
            sound.beep(2000, 100);
        }
        QCOMPARE(server_->playbackStreams(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(server_->playbackStreams(), 0, 10000);
        sound.beep(2000, 100); // and a later beep opens a new one
        QCOMPARE(server_->playbackStreams(), 1);
    }
};

QTEST_GUILESS_MAIN(TestPulseSound)
#include "tst_pulsesound.moc"
