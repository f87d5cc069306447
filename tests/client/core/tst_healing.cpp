// A station that never goes deaf: what it does when the share does not answer, answers with an
// error, or holds something unexpected, and how it heals once the share is well again.

#include "StationFixture.h"
#include "common/Cp1252.h"
#include "common/FileIo.h"

#include <QTest>

#include <cerrno>
#include <sys/stat.h>
#include <utime.h>

using namespace telvor;
using namespace telvor::test;

class TestHealing final : public QObject {
    Q_OBJECT

private:
    StationFixture f;
    using Io = FaultyExchangeIo;

    void put(const QString& name, const QByteArray& bytes) { QVERIFY(writeFileAtomic(f.path(name), bytes).ok()); }
    bool has(const QString& name) const { return QFile::exists(f.path(name)); }
    QByteArray bytesOf(const QString& name) const { return readWholeFile(f.path(name)).bytes; }
    Io& share() { return f.station->share; }
    int interval() { return f.client().timer1().interval(); }
    int reports(const QString& text) const { return int(f.station->standardError.filter(text).size()); }
    void twelveSends()
    {
        put(QStringLiteral("MDAT12.KVT"), "Hilfe");
        put(QStringLiteral("MESSAGE.KVT"), "12");
    }
    void trigger() { put(QStringLiteral("START.7"), QByteArray()); }

private Q_SLOTS:
    void init() { f.reset(); }

    // --- "unknown" changes nothing ------------------------------------------------------------

    void receiverKeepsTheAlarmItShows()
    {
        f.start(f.config());
        twelveSends();
        f.scheduler->advance(5000);
        QCOMPARE(f.station->views.alarms.size(), 1);
        share().fail(Io::OpProbe, QStringLiteral("MESSAGE.KVT"), EIO);
        f.scheduler->advance(3000);
        QVERIFY(f.state().alarmShown);
        QCOMPARE(interval(), 500);
        share().clearFaults();
        f.scheduler->advance(3000);
        QCOMPARE(f.station->views.alarms.size(), 1); // still the same message: not shown twice
        QCOMPARE(reports(QStringLiteral("Fehler: MESSAGE.KVT prüfen: Input/output error")), 1);
        QCOMPARE(reports(QStringLiteral("Wieder in Ordnung: MESSAGE.KVT prüfen")), 1);
    }

    void waitingStationNeverTakesTheSlotForFree()
    {
        f.start(f.config());
        put(QStringLiteral("MESSAGE.KVT"), "12"); // no MDAT12: but reception is off, nobody clears it
        ConfigText c = f.config();
        f.station.reset();
        f.scheduler = std::make_unique<VirtualScheduler>();
        f.station = std::make_unique<Station>(*f.scheduler, f.root->filePath(QStringLiteral("appdata")));
        c.alarmempf = QStringLiteral("1");
        f.start(c);
        trigger();
        f.scheduler->advance(1000);
        QVERIFY(f.state().sendWaiting);
        QCOMPARE(f.state().waitTicks, qint16(16));
        share().fail(Io::OpProbe, QStringLiteral("MESSAGE.KVT"), 0); // no answer at all
        f.scheduler->advance(200'000);
        QVERIFY(f.state().sendWaiting);
        QCOMPARE(f.state().waitTicks, qint16(16)); // polls without an answer do not count
        QCOMPARE(bytesOf(QStringLiteral("MESSAGE.KVT")), QByteArray("12"));
        share().clearFaults();
        f.scheduler->advance(16 * 5000 + 2000);
        QCOMPARE(bytesOf(QStringLiteral("MESSAGE.KVT")), QByteArray("7")); // stale after 16 answered polls
    }

    void holdingStationNeverAbandonsItsHold()
    {
        f.start(f.config());
        trigger();
        f.scheduler->advance(1000);
        QVERIFY(f.state().messageSent);
        share().fail(Io::OpProbe | Io::OpRemove, QStringLiteral("MESSAGE.KVT"), 0);
        f.scheduler->advance(30000);
        QVERIFY(f.state().messageSent);
        QVERIFY(has(QStringLiteral("MESSAGE.KVT")));
        QVERIFY(f.client().timer1().isEnabled());
        share().clearFaults();
        f.scheduler->advance(5000);
        QVERIFY(!f.state().messageSent);
        QVERIFY(!has(QStringLiteral("MESSAGE.KVT")));
        QCOMPARE(f.station->logTexts().count(QStringLiteral("Message - gelöscht")), 1);
        QVERIFY(f.station->views.sent.okEnabled);
    }

    void pressWithUnknownSlotStaysPending()
    {
        ConfigText c = f.config();
        c.comDisabled = QStringLiteral("0");
        c.entprellzeit = QStringLiteral(" 0");
        f.start(c);
        share().fail(Io::OpProbe, QStringLiteral("MESSAGE.KVT"), 0, 3);
        f.station->serial.press();
        f.station->serial.release();
        QVERIFY(!has(QStringLiteral("MESSAGE.KVT")));
        QVERIFY(f.state().sendWaiting);
        f.scheduler->advance(5000 * 3 + 2000); // two unanswered polls, then free: sent 2 s later
        QCOMPARE(bytesOf(QStringLiteral("MESSAGE.KVT")), QByteArray("7"));
        QCOMPARE(f.station->views.sent.shown, 1);
    }

    void hungShareIsReportedAfterThreeSecondsAndWhenItAnswers()
    {
        ConfigText c = f.config();
        f.start(c);
        twelveSends();
        f.scheduler->advance(5000);
        share().hang();
        f.scheduler->advance(2000);
        QCOMPARE(reports(QStringLiteral("antwortet nicht")), 0);
        f.scheduler->advance(2000);
        QCOMPARE(f.station->standardError.filter(QStringLiteral("antwortet")),
                 QStringList{QStringLiteral("telvor: Austauschverzeichnis antwortet nicht")});
        f.scheduler->advance(60000);
        QCOMPARE(reports(QStringLiteral("antwortet nicht")), 1);
        QVERIFY(f.state().alarmShown);
        share().release();
        f.scheduler->advance(1000);
        QCOMPARE(reports(QStringLiteral("telvor: Austauschverzeichnis antwortet wieder")), 1);
        QVERIFY(f.station->logTexts().contains(QStringLiteral("Austauschverzeichnis antwortet nicht")));
        QVERIFY(f.station->logTexts().contains(QStringLiteral("Austauschverzeichnis antwortet wieder")));
        QCOMPARE(f.station->views.alarms.size(), 1);
    }

    // --- the station's own alarm text -------------------------------------------------------

    void alarmTextThatCannotBeWrittenIsWrittenLater_data()
    {
        QTest::addColumn<int>("error");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<int>("lines");
        QTest::newRow("share full") << ENOSPC << QStringList{QStringLiteral("Datenträger voll - 61  ")} << 2;
        // A share that is only slow to answer is no error to show; the next tick writes the file.
        QTest::newRow("no answer") << 0 << QStringList() << 0;
    }
    void alarmTextThatCannotBeWrittenIsWrittenLater()
    {
        QFETCH(int, error);
        QFETCH(QStringList, messages);
        QFETCH(int, lines);
        share().fail(Io::OpWrite, QStringLiteral("MDAT7.KVT"), error, 3);
        ConfigText c = f.config();
        c.testOff = QStringLiteral(" 0 ");
        c.text2 = QStringLiteral("Erdgeschoss");
        f.start(c);
        QCOMPARE(f.station->views.messages, messages);
        QCOMPARE(f.station->views.test.loads, 1); // the loading went on
        QVERIFY(!has(QStringLiteral("MDAT7.KVT")));
        // An edit in the open setup window is not what receivers are to show.
        SetupFields edited = f.client().fields();
        edited.Text6 = QStringLiteral("noch nicht gespeichert");
        f.client().setupEdited(edited);
        f.scheduler->advance(15000);
        QCOMPARE(bytesOf(QStringLiteral("MDAT7.KVT")), QByteArray("Alarm\rErdgeschoss\r\r"));
        QCOMPARE(share().count(Io::OpWrite, QStringLiteral("MDAT7.KVT")), 4); // the start, then each tick
        f.scheduler->advance(15000);
        QCOMPARE(share().count(Io::OpWrite, QStringLiteral("MDAT7.KVT")), 4);
        QCOMPARE(reports(QStringLiteral("MDAT7.KVT schreiben")), lines); // the outage and its end
        QCOMPARE(f.station->views.messages, messages);
    }

    void ownAlarmTextIsCheckedBeforeEachSend_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::newRow("deleted") << "deleted";
        QTest::newRow("replaced by a link") << "link";
        QTest::newRow("intact") << "intact";
    }
    void ownAlarmTextIsCheckedBeforeEachSend()
    {
        QFETCH(QString, damage);
        f.start(f.config());
        const QString mdat = f.path(QStringLiteral("MDAT7.KVT"));
        const QString elsewhere = f.root->filePath(QStringLiteral("elsewhere"));
        if (damage == QLatin1String("deleted")) {
            QVERIFY(QFile::remove(mdat));
        } else if (damage == QLatin1String("link")) {
            QVERIFY(writeFileAtomic(elsewhere, "fremd").ok());
            QVERIFY(QFile::remove(mdat));
            QVERIFY(QFile::link(elsewhere, mdat));
        }
        const int writesBefore = share().count(Io::OpWrite, QStringLiteral("MDAT7.KVT"));
        trigger();
        f.scheduler->advance(1000);
        QCOMPARE(bytesOf(QStringLiteral("MESSAGE.KVT")), QByteArray("7"));
        QVERIFY(QFileInfo(mdat).isFile() && !QFileInfo(mdat).isSymLink());
        QCOMPARE(bytesOf(QStringLiteral("MDAT7.KVT")), QByteArray("Alarm\r\r\r"));
        QCOMPARE(share().count(Io::OpWrite, QStringLiteral("MDAT7.KVT")) - writesBefore,
                 damage == QLatin1String("intact") ? 0 : 1);
        if (damage == QLatin1String("link"))
            QCOMPARE(readWholeFile(elsewhere).bytes, QByteArray("fremd"));
    }

    // --- start-up --------------------------------------------------------------------------

    void noTriggerIsTakenWhileTheShareIsAwaited()
    {
        const QString late = f.exchange;
        QVERIFY(QDir(late).removeRecursively());
        ConfigText c = f.config();
        c.testOff = QStringLiteral(" 0 ");
        f.start(c);
        QCOMPARE(f.station->views.test.loads, 0); // the button test waits for the share
        f.scheduler->advance(500);
        QVERIFY(QDir().mkpath(late)); // mounted now, with a trigger already waiting in it
        trigger();
        f.scheduler->advance(4000); // Timer3 ticks meanwhile: it must leave the trigger alone
        QVERIFY(has(QStringLiteral("START.7")));
        QCOMPARE(f.station->views.test.presses, 0);
        f.scheduler->advance(500); // Timer1 resumes the loading: the button test starts
        QCOMPARE(f.station->views.test.loads, 1);
        f.scheduler->advance(1000);
        QCOMPARE(f.station->views.test.presses, 1);
    }

    void leftoversOfAShareWithoutAnswerGoAtTheNextPoll()
    {
        put(QStringLiteral(".telvor-tmp-7-crash1"), "7");
        f.station->share.fail(FaultyExchangeIo::OpList, QString(), 0, 1);
        f.start(f.config());
        QVERIFY(has(QStringLiteral(".telvor-tmp-7-crash1")));
        f.scheduler->advance(5000);
        QVERIFY(!has(QStringLiteral(".telvor-tmp-7-crash1")));
        const int lists = f.station->share.count(FaultyExchangeIo::OpList, QString());
        f.scheduler->advance(60000); // once gone, the directory is not listed again
        QCOMPARE(f.station->share.count(FaultyExchangeIo::OpList, QString()), lists);
    }

    void ownSlotLeftFromBeforeIsHeldAndCleared()
    {
        put(QStringLiteral("MESSAGE.KVT"), "7");
        put(QStringLiteral(".telvor-tmp-7-crash1"), "7");
        put(QStringLiteral(".telvor-tmp-12-other"), "12");
        f.start(f.config());
        QVERIFY(f.state().messageSent);
        QVERIFY(!has(QStringLiteral(".telvor-tmp-7-crash1")));
        QVERIFY(has(QStringLiteral(".telvor-tmp-12-other")));
        f.scheduler->advance(14999);
        QVERIFY(has(QStringLiteral("MESSAGE.KVT")));
        f.scheduler->advance(1);
        QVERIFY(!has(QStringLiteral("MESSAGE.KVT")));
        QVERIFY(!f.state().messageSent);
        QCOMPARE(f.station->views.sent.shown, 0);
        QVERIFY(f.station->views.alarms.isEmpty());
    }

    void unmountedShareIsReportedAndNothingIsWritten()
    {
        // The administrator's mount point of mode 000 answers EACCES while the share is not mounted.
        share().fail(Io::OpAny, QString(), EACCES);
        f.start(f.config());
        QVERIFY(f.station->views.setupVisible);
        f.scheduler->advance(20000);
        QCOMPARE(share().count(Io::OpWrite | Io::OpCreateEmpty | Io::OpRemove | Io::OpForceRemove, QString()), 0);
        // One report for the whole directory, none for each of its files.
        QCOMPARE(f.station->standardError,
                 QStringList{QStringLiteral("telvor: Austauschverzeichnis nicht erreichbar")});
        share().clearFaults();
        f.scheduler->advance(5000);
        QVERIFY(has(QStringLiteral("MDAT7.KVT")));
        QVERIFY(!f.station->views.setupVisible);
        QCOMPARE(f.station->standardError.last(), QStringLiteral("telvor: Austauschverzeichnis wieder erreichbar"));
    }

    // --- the slot's name taken by something else ------------------------------------------------

    void senderWaitsPolitelyForADirectoryInTheSlotsPlace()
    {
        ConfigText c = f.config();
        c.alarmempf = QStringLiteral("1"); // nobody else clears the way
        f.start(c);
        QVERIFY(QDir().mkpath(f.path(QStringLiteral("MESSAGE.KVT/inner"))));
        trigger();
        f.scheduler->advance(1000);
        f.scheduler->advance(16 * 5000); // the wait for a busy slot
        const auto tries = [this] {
            return share().count(Io::OpRemove | Io::OpRemoveDirectory | Io::OpWrite, QStringLiteral("MESSAGE.KVT"));
        };
        const int before = tries();
        QVERIFY(before >= 1);
        f.scheduler->advance(60000);
        // One clearing per poll, not a try every two seconds; no sent window while nothing was sent.
        QVERIFY2(tries() - before <= 2 * 12, qPrintable(QString::number(tries() - before)));
        QCOMPARE(f.station->views.sent.shown, 0);
        QCOMPARE(reports(QStringLiteral("MESSAGE.KVT löschen")), 1);
        QVERIFY(QDir(f.path(QStringLiteral("MESSAGE.KVT"))).removeRecursively());
        f.scheduler->advance(5000 + 2000);
        QCOMPARE(bytesOf(QStringLiteral("MESSAGE.KVT")), QByteArray("7"));
        QCOMPARE(f.station->views.sent.shown, 1);
        QVERIFY(!has(QStringLiteral("START.7")));
    }

    void emptyDirectoryInTheSlotsPlaceIsClearedForTheSender()
    {
        ConfigText c = f.config();
        c.alarmempf = QStringLiteral("1");
        f.start(c);
        QVERIFY(QDir().mkpath(f.path(QStringLiteral("MESSAGE.KVT"))));
        trigger();
        f.scheduler->advance(1000 + 16 * 5000 + 2000);
        QCOMPARE(bytesOf(QStringLiteral("MESSAGE.KVT")), QByteArray("7"));
    }

    // --- the soft trigger -------------------------------------------------------------------

    void undeletableTriggerDoesNotSwallowTheNextOne()
    {
        f.start(f.config());
        trigger();
        const QByteArray trigger7 = QFile::encodeName(f.path(QStringLiteral("START.7")));
        utimbuf old{1'700'000'000, 1'700'000'000};
        QCOMPARE(::utime(trigger7.constData(), &old), 0);
        share().fail(Io::OpRemove, QStringLiteral("START.7"), EACCES);
        f.scheduler->advance(1000);
        QCOMPARE(f.station->views.sent.shown, 1);
        f.scheduler->advance(20000); // the hold is over; the same old request is still there
        QCOMPARE(f.station->views.sent.shown, 1);
        QVERIFY(has(QStringLiteral("START.7")));
        utimbuf newer{1'700'000'100, 1'700'000'100}; // telvorstart ran again
        QCOMPARE(::utime(trigger7.constData(), &newer), 0);
        f.scheduler->advance(1000);
        QCOMPARE(f.station->views.sent.shown, 2);
        QCOMPARE(reports(QStringLiteral("START.7 löschen")), 1);
    }

    // --- the sound ---------------------------------------------------------------------------

    void unplayableSignalFileGivesTheBeeps()
    {
        ConfigText c = f.config();
        c.signalFile = QStringLiteral("/nirgends/alarm.wav");
        f.start(c);
        f.station->sound.wave = WaveStatus{WaveStatus::Check::Unplayable, QStringLiteral("No such file or directory")};
        twelveSends();
        f.scheduler->advance(5000 + 3000);
        QCOMPARE(f.station->sound.waves, QStringList{c.signalFile});
        QCOMPARE(f.station->sound.tones.size(), 9);
        QCOMPARE(reports(QStringLiteral("Signaldatei /nirgends/alarm.wav abspielen")), 1);
        // The next alarm: beeps again, no second report.
        QFile::remove(f.path(QStringLiteral("MESSAGE.KVT")));
        f.scheduler->advance(500);
        put(QStringLiteral("MESSAGE.KVT"), "12");
        f.scheduler->advance(5000 + 3000);
        QCOMPARE(f.station->sound.tones.size(), 18);
        QCOMPARE(reports(QStringLiteral("Signaldatei")), 1);
    }

    void signalFileOnAHungShareGivesTheBeeps()
    {
        ConfigText c = f.config();
        c.signalFile = QStringLiteral("/mnt/musik/alarm.wav");
        f.start(c);
        f.station->sound.wave = WaveStatus{WaveStatus::Check::Pending, {}}; // its open never returns
        twelveSends();
        f.scheduler->advance(5000 + 900);
        QVERIFY(f.station->sound.tones.isEmpty());
        f.scheduler->advance(3000);
        QCOMPARE(f.station->sound.tones.size(), 9);
        QCOMPARE(reports(QStringLiteral("Signaldatei /mnt/musik/alarm.wav abspielen: keine Antwort")), 1);
    }

    void beepsDoNotHoldUpTheStation()
    {
        f.start(f.config());
        twelveSends();
        f.scheduler->advance(5000);
        const qint64 shownAt = f.scheduler->now();
        // While the nine tones sound, Timer1 keeps its 500 ms rhythm and sees the slot go at once.
        QFile::remove(f.path(QStringLiteral("MESSAGE.KVT")));
        f.scheduler->advance(500);
        QVERIFY(!f.state().alarmShown);
        QVERIFY(f.client().timer2().isEnabled());
        f.scheduler->advance(2500);
        QCOMPARE(f.station->sound.tones.size(), 9);
        // Round after round with no gap beyond Timer2's 15 ms, as when the tick waited for its tones.
        QCOMPARE(f.station->sound.tones.last().startedAt - shownAt, 15 + 2 * 900 + 600);
    }

    // --- the push-button's port --------------------------------------------------------------

    void lostPortIsReportedAndReopened()
    {
        ConfigText c = f.config();
        c.comDisabled = QStringLiteral("0");
        c.testOff = QStringLiteral(" 0 ");
        f.start(c);
        f.client().setInitialisierung(true); // the button test waits for a press
        f.station->serial.lose(ENODEV);
        QCOMPARE(f.station->views.test.presses, 0); // losing the port is no press
        QCOMPARE(reports(QStringLiteral("Fehler: Schnittstelle /dev/ttyS0: verloren")), 1);
        QVERIFY(f.station->logTexts().filter(QStringLiteral("Schnittstelle /dev/ttyS0")).size() == 1);
        f.station->serial.failOpen(SerialOpenError::NotPresent);
        f.scheduler->advance(15000);
        QCOMPARE(f.station->serial.openCount(), 1 + 3);
        f.station->serial.failOpen(SerialOpenError::None);
        f.scheduler->advance(5000);
        QVERIFY(f.station->serial.isOpen());
        QCOMPARE(f.station->views.test.presses, 0); // nor is opening it again
        QCOMPARE(reports(QStringLiteral("Wieder in Ordnung: Schnittstelle /dev/ttyS0")), 1);
        f.station->serial.press();
        QCOMPARE(f.station->views.test.presses, 1);
    }
};

QTEST_GUILESS_MAIN(TestHealing)
#include "tst_healing.moc"
