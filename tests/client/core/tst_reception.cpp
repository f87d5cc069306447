// One station's Timer1 machine against a real exchange directory, in virtual time.

#include "StationFixture.h"
#include "common/FileIo.h"

#include <QTest>

#include <sys/stat.h>

using namespace telvor;
using namespace telvor::test;

class TestReception final : public QObject {
    Q_OBJECT

private:
    StationFixture f;

    void put(const QString& name, const QByteArray& bytes) { QVERIFY(writeFileAtomic(f.path(name), bytes).ok()); }
    bool has(const QString& name) const { return QFile::exists(f.path(name)); }
    QByteArray slot() const { return readWholeFile(f.path(QStringLiteral("MESSAGE.KVT"))).bytes; }
    int interval() { return f.client().timer1().interval(); }
    void trigger() { put(QStringLiteral("START.7"), QByteArray()); }
    /** Station 12 has alarm text "x" and its message is in the slot. */
    void twelveSends()
    {
        put(QStringLiteral("MDAT12.KVT"), "x");
        put(QStringLiteral("MESSAGE.KVT"), "12");
    }
    /** Station 12's alarm is shown when this station's own soft trigger fires. */
    void raiseWhileShowingTwelve()
    {
        f.start(f.config());
        twelveSends();
        f.scheduler->advance(5000);
        trigger();
        f.scheduler->advance(1000);
    }

private Q_SLOTS:
    void init() { f.reset(); }

    void shownAlarmPollsEveryHalfSecondUntilTheSlotIsGone()
    {
        f.start(f.config());
        put(QStringLiteral("MDAT12.KVT"), "Zeile 1\rZeile 2\r\r");
        put(QStringLiteral("MESSAGE.KVT"), "12");
        f.scheduler->advance(5000);
        QCOMPARE(f.station->views.alarms, QStringList{QStringLiteral("Zeile 1\rZeile 2\r\r")});
        QCOMPARE(interval(), 500);
        f.scheduler->advance(5000);
        QCOMPARE(f.station->views.alarms.size(), 1); // shown once however long it stays
        QFile::remove(f.path(QStringLiteral("MESSAGE.KVT")));
        f.scheduler->advance(500);
        QCOMPARE(interval(), 5000);
        QVERIFY(!f.state().alarmShown);
        put(QStringLiteral("MESSAGE.KVT"), "12");
        f.scheduler->advance(5000);
        QCOMPARE(f.station->views.alarms.size(), 2);
    }

    void alarmCarriesTheFullScreenSetting_data()
    {
        QTest::addColumn<QString>("line6");
        QTest::addColumn<bool>("fullScreen");
        QTest::newRow("window") << " 0 " << false;
        QTest::newRow("full screen") << " 1 " << true;
        QTest::newRow("grey box counts as set") << " 2 " << true;
    }
    void alarmCarriesTheFullScreenSetting()
    {
        QFETCH(QString, line6);
        QFETCH(bool, fullScreen);
        ConfigText c = f.config();
        c.fullScreen = line6;
        f.start(c);
        twelveSends();
        f.scheduler->advance(5000);
        QCOMPARE(f.station->views.alarmsFullScreen, QList<bool>{fullScreen});
    }

    void beepsAreNineTonesInThreeRounds()
    {
        f.start(f.config());
        twelveSends();
        f.scheduler->advance(5000);
        QCOMPARE(f.state().beepRounds, qint16(3));
        f.scheduler->advance(3000);
        QCOMPARE(f.station->sound.tones.size(), 9);
        for (const FakeSound::Tone& tone : f.station->sound.tones)
            QVERIFY(tone.frequencyHz == 2000 && tone.durationMs == 300);
        // Three tones back to back per tick, the next tick 15 ms after the blocked one.
        QCOMPARE(f.station->sound.tones[1].startedAt - f.station->sound.tones[0].startedAt, 300);
        QCOMPARE(f.station->sound.tones[3].startedAt - f.station->sound.tones[2].startedAt, 300);
        QVERIFY(!f.client().timer2().isEnabled());
        QVERIFY(f.station->sound.waves.isEmpty());
        QVERIFY(f.station->logTexts().isEmpty()); // "kein" logs nothing
    }

    void signalFileIsPlayedAndLogged()
    {
        ConfigText c = f.config();
        c.signalFile = QStringLiteral("/usr/share/sounds/alarm.wav");
        f.start(c);
        twelveSends();
        f.scheduler->advance(5000);
        QCOMPARE(f.station->sound.waves, QStringList{c.signalFile});
        QCOMPARE(f.station->logTexts(), QStringList{c.signalFile});
        f.scheduler->advance(15); // Timer2 hears that the file plays
        QVERIFY(!f.client().timer2().isEnabled());
        QVERIFY(f.station->sound.tones.isEmpty());
    }

    void slotWithoutAlarmTextIsDeletedSameTick_data()
    {
        QTest::addColumn<QByteArray>("id");
        QTest::newRow("no such station") << QByteArray("55");
        QTest::newRow("path separator") << QByteArray("../appdata/x");
        QTest::newRow("dot dot") << QByteArray("..");
        QTest::newRow("over 64 characters") << QByteArray(65, '1');
    }
    void slotWithoutAlarmTextIsDeletedSameTick()
    {
        QFETCH(QByteArray, id);
        f.start(f.config());
        put(QStringLiteral("MESSAGE.KVT"), id);
        f.scheduler->advance(5000);
        QVERIFY(!has(QStringLiteral("MESSAGE.KVT")));
        QVERIFY(f.station->views.alarms.isEmpty());
        QVERIFY(f.station->sound.tones.isEmpty());
        QVERIFY(!f.state().alarmShown);
        QCOMPARE(interval(), 5000); // the same tick saw the missing file
    }

    void nulInsideTheIdNamesNoStation()
    {
        // "12.KVT\0" must not reach MDAT12.KVT by a name the system cuts at the NUL.
        f.start(f.config());
        put(QStringLiteral("MDAT12.KVT"), "Hilfe");
        put(QStringLiteral("MESSAGE.KVT"), QByteArray("12.KVT\0", 7));
        f.scheduler->advance(5000);
        QVERIFY(f.station->views.alarms.isEmpty());
        QVERIFY(!has(QStringLiteral("MESSAGE.KVT")));
    }

    // What else may stand under the slot's name: a receiver never deletes a live alarm and never
    // shows one it cannot read, but it clears an empty directory that would block every sender.
    void oddThingsUnderTheSlotName_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("removed");
        QTest::addColumn<int>("reports");
        QTest::newRow("slot being written") << "empty file" << false << 0;
        QTest::newRow("empty directory") << "empty directory" << true << 0;
        QTest::newRow("directory with content") << "full directory" << false << 2;
        QTest::newRow("named pipe") << "fifo" << false << 2;
    }
    void oddThingsUnderTheSlotName()
    {
        QFETCH(QString, kind);
        QFETCH(bool, removed);
        QFETCH(int, reports);
        f.start(f.config());
        put(QStringLiteral("MDAT12.KVT"), "Hilfe");
        const QString slotPath = f.path(QStringLiteral("MESSAGE.KVT"));
        if (kind == QLatin1String("empty file"))
            put(QStringLiteral("MESSAGE.KVT"), QByteArray());
        else if (kind == QLatin1String("empty directory"))
            QVERIFY(QDir().mkpath(slotPath));
        else if (kind == QLatin1String("full directory"))
            QVERIFY(QDir().mkpath(slotPath + QStringLiteral("/inner")));
        else
            QCOMPARE(::mkfifo(QFile::encodeName(slotPath).constData(), 0644), 0);
        f.scheduler->advance(5000);
        QCOMPARE(has(QStringLiteral("MESSAGE.KVT")), !removed);
        QVERIFY(!f.state().alarmShown);
        QVERIFY(f.station->views.alarms.isEmpty());
        QCOMPARE(interval(), 5000);
        f.scheduler->advance(10000); // looked at again, reported no more
        QCOMPARE(f.station->standardError.size(), reports / 2);

        QDir(slotPath).removeRecursively();
        QFile::remove(slotPath);
        put(QStringLiteral("MESSAGE.KVT"), "12");
        f.scheduler->advance(5000);
        QCOMPARE(f.station->views.alarms, QStringList{QStringLiteral("Hilfe")});
        QCOMPARE(f.station->standardError.size(), reports); // the trouble and its end
    }

    void unreadableAlarmTextLeavesTheSlot()
    {
        f.start(f.config());
        QDir().mkpath(f.path(QStringLiteral("MDAT12.KVT")));
        put(QStringLiteral("MESSAGE.KVT"), "12");
        f.scheduler->advance(5000);
        QVERIFY(has(QStringLiteral("MESSAGE.KVT")));
        QVERIFY(f.station->views.alarms.isEmpty());
        QCOMPARE(interval(), 5000);
    }

    void linksInTheShareAreNotFollowed()
    {
        // Whoever can write to the share must not make a station show one of its own files.
        f.start(f.config());
        QVERIFY(
            QFile::link(f.station->appData() + QStringLiteral("/TELVOR.DAT"), f.path(QStringLiteral("MDAT99.KVT"))));
        put(QStringLiteral("MESSAGE.KVT"), "99");
        f.scheduler->advance(5000);
        QVERIFY(f.station->views.alarms.isEmpty());
        QVERIFY(has(QStringLiteral("MESSAGE.KVT")));
        QVERIFY(!f.state().alarmShown);
    }

    void longAlarmTextShowsItsFirst64KiB()
    {
        f.start(f.config());
        put(QStringLiteral("MDAT12.KVT"), QByteArray(200 * 1024, 'A'));
        put(QStringLiteral("MESSAGE.KVT"), "12");
        f.scheduler->advance(5000);
        QCOMPARE(f.station->views.alarms.size(), 1);
        QCOMPARE(f.station->views.alarms.first().size(), 64 * 1024);
    }

    void receptionOffShowsNothing()
    {
        ConfigText c = f.config();
        c.alarmempf = QStringLiteral("1");
        f.start(c);
        twelveSends();
        f.scheduler->advance(60'000);
        QVERIFY(f.station->views.alarms.isEmpty());
        QVERIFY(has(QStringLiteral("MESSAGE.KVT")));
    }

    void waitingWhileShowingFinishesInHalfSecondSteps()
    {
        // The occupying alarm is shown, so the wait runs at 500 ms: 16 polls, 8 s.
        raiseWhileShowingTwelve();
        QVERIFY(f.state().sendWaiting);
        QVERIFY(f.state().waitTicks >= 15);
        QVERIFY(has(QStringLiteral("START.7"))); // not deleted while waiting
        const qint64 waitStart = f.scheduler->now();
        while (f.state().sendWaiting)
            f.scheduler->advance(100);
        QVERIFY(f.scheduler->now() - waitStart <= 8000);
        QVERIFY(!has(QStringLiteral("MESSAGE.KVT")));
        QVERIFY(f.state().sendNow);
        QCOMPARE(interval(), 5000); // the same tick found the slot gone and reset alarmShown
        f.scheduler->advance(5000);
        QCOMPARE(slot(), QByteArray("7"));
        QVERIFY(!has(QStringLiteral("START.7"))); // a deferred soft trigger removes its file too
        QVERIFY(f.state().messageSent);
    }

    void receptionOffKeepsTwoSecondsAfterStaleClear()
    {
        ConfigText c = f.config();
        c.alarmempf = QStringLiteral("1");
        f.start(c);
        put(QStringLiteral("MESSAGE.KVT"), "12");
        trigger();
        f.scheduler->advance(1000);
        QVERIFY(f.state().sendWaiting);
        f.scheduler->advance(80'000 - 1 - 1000);
        QVERIFY(f.state().sendWaiting); // 15 polls of 5 s so far
        f.scheduler->advance(1);
        QVERIFY(f.state().sendNow);
        QCOMPARE(interval(), 2000);
        QVERIFY(!has(QStringLiteral("MESSAGE.KVT")));
        f.scheduler->advance(2000);
        QCOMPARE(slot(), QByteArray("7"));
    }

    void alarmShownSurvivesTheHold()
    {
        // A station that was showing and then sent: alarmShown stays through the hold.
        raiseWhileShowingTwelve();
        QFile::remove(f.path(QStringLiteral("MESSAGE.KVT")));
        while (!f.state().sendNow)
            f.scheduler->advance(100);
        QVERIFY(f.state().alarmShown); // the free slot ended that tick before its polling step
        QCOMPARE(interval(), 2000);
        f.scheduler->advance(2000);
        QVERIFY(f.state().messageSent && f.state().alarmShown);
        f.scheduler->advance(15000); // hold end deletes our message
        QVERIFY(!has(QStringLiteral("MESSAGE.KVT")));
        QVERIFY(f.state().alarmShown);
        QCOMPARE(f.station->logTexts().filter(QStringLiteral("Message - gelöscht")).size(), 1);
        QVERIFY(f.station->views.sent.okEnabled);
        put(QStringLiteral("MESSAGE.KVT"), "12"); // another alarm during the reset: not shown
        f.scheduler->advance(5000);
        QCOMPARE(f.station->views.alarms.size(), 1);
    }

    void holdEndFindingTheSlotGoneLeavesOkDisabled()
    {
        f.start(f.config());
        trigger();
        f.scheduler->advance(1000);
        QVERIFY(f.state().messageSent);
        QFile::remove(f.path(QStringLiteral("MESSAGE.KVT")));
        f.scheduler->advance(15000);
        QVERIFY(!f.state().messageSent);
        QVERIFY(!f.station->views.sent.okEnabled);
        QCOMPARE(interval(), 5000);
        QVERIFY(f.station->logTexts().filter(QStringLiteral("gelöscht")).isEmpty());
    }

    void pressWhileTheShareIsAway(const QString& away)
    {
        ConfigText c = f.config();
        c.comDisabled = QStringLiteral("0");
        c.entprellzeit = QStringLiteral(" 0");
        f.start(c);
        QVERIFY(QDir().rename(f.exchange, away));
        f.station->serial.press();
        f.station->serial.release();
    }

    void failedWriteKeepsTheAlarmUntilTheShareIsBack()
    {
        const QString away = f.root->filePath(QStringLiteral("away"));
        pressWhileTheShareIsAway(away);
        QVERIFY(f.state().sendNow);
        QVERIFY(f.client().timer1().isEnabled());
        QCOMPARE(interval(), 2000);
        QCOMPARE(f.station->views.sent.shown, 0);
        f.scheduler->advance(10'000);
        QVERIFY(f.state().sendNow);
        // Reported once per outage: the message, and the alarm text that had to be written first.
        QCOMPARE(f.station->standardError.filter(QStringLiteral("Fehler: MESSAGE.KVT schreiben")).size(), 1);
        QCOMPARE(f.station->standardError.size(), 2);
        QVERIFY(QDir().rename(away, f.exchange));
        f.scheduler->advance(2000);
        QCOMPARE(slot(), QByteArray("7"));
        QCOMPARE(f.station->views.sent.shown, 1);
        QVERIFY(f.state().messageSent);
        QCOMPARE(f.client().timer1().interval(), 15000);
        QCOMPARE(f.station->standardError.filter(QStringLiteral("Wieder in Ordnung")).size(), 2); // and the ends
    }

    void retryFindingAnotherStationWaitsForIt()
    {
        const QString away = f.root->filePath(QStringLiteral("away"));
        pressWhileTheShareIsAway(away);
        QVERIFY(QDir().rename(away, f.exchange));
        put(QStringLiteral("MESSAGE.KVT"), "12");
        f.scheduler->advance(2000);
        QCOMPARE(slot(), QByteArray("12"));
        QVERIFY(f.state().sendWaiting);
        QCOMPARE(f.station->views.sent.shown, 0);
    }

    void holdEndLeavesADirectoryInTheSlotsPlace()
    {
        f.start(f.config());
        trigger();
        f.scheduler->advance(1000);
        QFile::remove(f.path(QStringLiteral("MESSAGE.KVT")));
        QDir().mkpath(f.path(QStringLiteral("MESSAGE.KVT/x"))); // somebody's directory, not our message
        f.scheduler->advance(15000);
        QVERIFY(!f.state().messageSent); // the hold is over: the station polls and sends again
        QVERIFY(!f.station->views.sent.okEnabled);
        QVERIFY(QFileInfo(f.path(QStringLiteral("MESSAGE.KVT/x"))).isDir());
    }

    void triggerDuringSendPendingIsNotSentTwice()
    {
        f.start(f.config());
        put(QStringLiteral("MESSAGE.KVT"), "12");
        put(QStringLiteral("MDAT12.KVT"), "x");
        f.station->serial.setPortNumber(1);
        f.client().setGetestet(true);
        trigger();
        f.scheduler->advance(1000); // waiting
        QFile::remove(f.path(QStringLiteral("MESSAGE.KVT")));
        while (!f.state().sendNow)
            f.scheduler->advance(100);
        trigger(); // a second trigger in the two seconds of the pending send
        f.scheduler->advance(1000);
        QVERIFY(!f.state().messageSent);
        f.scheduler->advance(1000);
        QVERIFY(f.state().messageSent);
        QCOMPARE(f.station->views.sent.shown, 1);
        f.scheduler->advance(15000 + 3000);
        QCOMPARE(f.station->views.sent.shown, 1); // nothing went out again
        QVERIFY(!has(QStringLiteral("MESSAGE.KVT")));
    }
};

QTEST_GUILESS_MAIN(TestReception)
#include "tst_reception.moc"
