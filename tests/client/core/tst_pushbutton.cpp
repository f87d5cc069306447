// The push-button on the serial line: debounce, every transition, the test phase.

#include "StationFixture.h"
#include "common/FileIo.h"

#include <QTest>

using namespace telvor;
using namespace telvor::test;

class TestPushButton final : public QObject {
    Q_OBJECT

private:
    StationFixture f;

    void startWithPort(const QString& debounce = QStringLiteral(" 120"), const QString& testOff = QStringLiteral(" 1 "))
    {
        ConfigText c = f.config();
        c.comDisabled = QStringLiteral("0");
        c.entprellzeit = debounce;
        c.testOff = testOff;
        f.start(c);
        QVERIFY(f.station->serial.isOpen());
    }
    bool sent() const { return QFile::exists(f.path(QStringLiteral("MESSAGE.KVT"))); }

private Q_SLOTS:
    void init() { f.reset(); }

    void pressHeldPastDebounceRaisesOnRelease()
    {
        startWithPort();
        f.station->serial.press();
        QVERIFY(f.state().dsrArmed && f.state().debounceRunning);
        QVERIFY(f.client().entprell().isEnabled());
        f.scheduler->advance(120);
        QVERIFY(f.state().dsrArmed && !f.state().debounceRunning);
        QVERIFY(!f.client().entprell().isEnabled());
        QVERIFY(!sent());
        f.station->serial.release();
        QCOMPARE(readWholeFile(f.path(QStringLiteral("MESSAGE.KVT"))).bytes, QByteArray("7"));
        QCOMPARE(f.station->logTexts(),
                 (QStringList{QStringLiteral("DSR gesetzt 120"), QStringLiteral("Alarm gesetzt 120")}));
        QCOMPARE(f.station->views.sent.shown, 1);
        QVERIFY(!f.state().dsrArmed && !f.state().debounceRunning);
    }

    void shortPressGivesNoAlarm()
    {
        startWithPort();
        f.station->serial.press();
        f.scheduler->advance(119);
        f.station->serial.release();
        f.scheduler->advance(1000);
        QVERIFY(!sent());
        QCOMPARE(f.station->logTexts(), QStringList{QStringLiteral("DSR gesetzt 120")});
        QVERIFY(!f.state().dsrArmed && !f.client().entprell().isEnabled());
    }

    void lineOnAgainCancelsThePress_data()
    {
        QTest::addColumn<int>("eventAfterMs");
        QTest::newRow("while debouncing") << 50;
        QTest::newRow("after debouncing") << 500;
    }
    void lineOnAgainCancelsThePress()
    {
        QFETCH(int, eventAfterMs);
        startWithPort();
        f.station->serial.press();
        f.scheduler->advance(eventAfterMs);
        f.station->serial.press(); // a change seen as "on" while held
        QVERIFY(!f.state().dsrArmed);
        f.scheduler->advance(500);
        f.station->serial.release();
        QVERIFY(!sent());
        QVERIFY(!f.station->logTexts().contains(QStringLiteral("Alarm gesetzt 120")));
    }

    void eventsWhileReleasedOnlyReset()
    {
        startWithPort();
        f.station->serial.release();
        f.station->serial.release();
        QVERIFY(!f.state().dsrArmed && !f.state().debounceRunning);
        QVERIFY(f.station->logTexts().isEmpty());
    }

    // The event thread may be busy when the button changes; the changes then arrive late and back
    // to back. Their stamps tell how long the button was held.
    void lateChangesAreMeasuredByTheirStamps_data()
    {
        QTest::addColumn<int>("pressHandledLateBy");
        QTest::addColumn<int>("heldMs");
        QTest::addColumn<bool>("alarm");
        QTest::newRow("both late, held long enough") << 3000 << 300 << true;
        QTest::newRow("both late, held exactly the debounce time") << 3000 << 120 << true;
        QTest::newRow("both late, too short") << 3000 << 50 << false;
        QTest::newRow("press on time, short release late") << 0 << 50 << false;
        QTest::newRow("press on time, long release late") << 0 << 400 << true;
    }
    void lateChangesAreMeasuredByTheirStamps()
    {
        QFETCH(int, pressHandledLateBy);
        QFETCH(int, heldMs);
        QFETCH(bool, alarm);
        startWithPort();
        f.scheduler->advance(1000);
        const qint64 pressedAt = f.scheduler->now();
        if (pressHandledLateBy == 0)
            f.station->serial.pressedAt(pressedAt);
        // Beeps or a slow window kept the event thread busy; the debounce timer ticked meanwhile.
        f.scheduler->advance(3000);
        if (pressHandledLateBy != 0)
            f.station->serial.pressedAt(pressedAt);
        f.station->serial.releasedAt(pressedAt + heldMs);
        QCOMPARE(sent(), alarm);
        QCOMPARE(f.station->logTexts().contains(QStringLiteral("Alarm gesetzt 120")), alarm);
    }

    void zeroDebounceMeansNoMinimumHold()
    {
        startWithPort(QStringLiteral(" 0"));
        f.station->serial.press();
        QVERIFY(!f.state().debounceRunning);
        f.station->serial.release();
        QVERIFY(sent());
        QCOMPARE(f.station->logTexts(),
                 (QStringList{QStringLiteral("DSR gesetzt 0"), QStringLiteral("Alarm gesetzt 0")}));
    }

    void pressDuringHoldIsLoggedButDropped()
    {
        startWithPort();
        f.station->serial.press();
        f.scheduler->advance(200);
        f.station->serial.release();
        writeFileAtomic(f.path(QStringLiteral("MESSAGE.KVT")), "99"); // someone else wrote meanwhile
        f.station->serial.press();
        f.scheduler->advance(200);
        f.station->serial.release();
        QCOMPARE(f.station->logTexts().size(), 4);
        QCOMPARE(readWholeFile(f.path(QStringLiteral("MESSAGE.KVT"))).bytes, QByteArray("99"));
        QVERIFY(!f.state().sendWaiting);
        QCOMPARE(f.station->views.sent.shown, 1);
    }

    void eventsBeforeInitialisationAreIgnored()
    {
        startWithPort(QStringLiteral(" 120"), QStringLiteral(" 0 "));
        f.station->serial.press();
        f.station->serial.release();
        QCOMPARE(f.station->views.test.presses, 0);
        QVERIFY(f.station->logTexts().isEmpty());
    }

    void duringTheTestEveryEventIsATestPress()
    {
        startWithPort(QStringLiteral(" 120"), QStringLiteral(" 0 "));
        f.client().setInitialisierung(true);
        f.station->serial.press();
        f.scheduler->advance(500);
        f.station->serial.release();
        QCOMPARE(f.station->views.test.presses, 2);
        QCOMPARE(f.station->logTexts(), QStringList(2, QStringLiteral("Test des Tasters  120")));
        QVERIFY(!sent());
        f.client().setGetestet(true);
        f.station->serial.press();
        f.scheduler->advance(500);
        f.station->serial.release();
        QVERIFY(sent());
    }

    void disabledPortLeavesTheSoftTriggerWorking()
    {
        f.start(f.config()); // port disabled
        QCOMPARE(f.station->serial.openCount(), 0);
        writeFileAtomic(f.path(QStringLiteral("START.7")), QByteArray());
        f.scheduler->advance(1000);
        QCOMPARE(readWholeFile(f.path(QStringLiteral("MESSAGE.KVT"))).bytes, QByteArray("7"));
        QVERIFY(!QFile::exists(f.path(QStringLiteral("START.7"))));
        QCOMPARE(f.station->logTexts(),
                 (QStringList{f.exchange + QStringLiteral("MESSAGE.KVT"), f.exchange + QStringLiteral("start.7")}));
    }
};

QTEST_GUILESS_MAIN(TestPushButton)
#include "tst_pushbutton.moc"
