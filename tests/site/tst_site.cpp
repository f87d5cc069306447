// Whole sites: several stations in one process sharing one exchange directory, in virtual time.

#include "common/FileIo.h"
#include "tests/support/fakes/Station.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <map>
#include <memory>

using namespace telvor;
using namespace telvor::test;

class TestSite final : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_root;
    std::unique_ptr<VirtualScheduler> m_time;
    std::map<int, std::unique_ptr<Station>> m_stations;
    QString m_exchange;

    Station& station(int id, const std::function<void(ConfigText&)>& adjust = {})
    {
        auto& slot = m_stations[id];
        if (!slot) {
            slot = std::make_unique<Station>(*m_time, m_root->filePath(QStringLiteral("station%1").arg(id)));
            ConfigText c;
            c.exchangeDir = m_exchange;
            c.stationId = QString::number(id);
            c.alarmText1 = QStringLiteral("Alarm bei %1").arg(id);
            c.text2 = QStringLiteral("Büro %1").arg(id);
            c.comDisabled = QStringLiteral("0");
            c.entprellzeit = QStringLiteral(" 120");
            if (adjust)
                adjust(c);
            slot->writeConfig(c);
            slot->start();
        }
        return *slot;
    }
    void pressButton(int id)
    {
        station(id).serial.press();
        m_time->advance(200);
        station(id).serial.release();
    }
    void softTrigger(int id) { QVERIFY(createEmptyFile(m_exchange + QStringLiteral("START.%1").arg(id)).ok()); }
    QByteArray slot() const { return readWholeFile(m_exchange + QStringLiteral("MESSAGE.KVT")).bytes; }
    bool slotExists() const { return QFile::exists(m_exchange + QStringLiteral("MESSAGE.KVT")); }
    QString textOf(int id) const { return QStringLiteral("Alarm bei %1\rBüro %1\r\r").arg(id); }
    /** Advances until the slot holds text, or at most ms. */
    bool advanceUntilSlot(const QByteArray& text, qint64 ms)
    {
        for (qint64 t = 0; t < ms; t += 100) {
            if (slot() == text)
                return true;
            m_time->advance(100);
        }
        return slot() == text;
    }

private Q_SLOTS:
    void init()
    {
        m_stations.clear();
        m_root = std::make_unique<QTemporaryDir>();
        m_time = std::make_unique<VirtualScheduler>();
        m_exchange = m_root->filePath(QStringLiteral("exchange")) + QLatin1Char('/');
        QDir().mkpath(m_exchange);
    }
    void cleanup() { m_stations.clear(); }

    void oneAlarmTravelsFromTwelveToSeven()
    {
        station(7);
        station(12);
        station(3);
        m_time->advance(1000);
        pressButton(12);
        QCOMPARE(slot(), QByteArray("12"));
        QCOMPARE(station(12).views.sent.shown, 1);
        QVERIFY(!station(12).views.sent.okEnabled);
        m_time->advance(5000);
        QCOMPARE(station(7).views.alarms, QStringList{textOf(12)});
        QCOMPARE(station(3).views.alarms, QStringList{textOf(12)});
        QVERIFY(station(12).views.alarms.isEmpty()); // a sender never shows its own alarm
        QVERIFY(!station(7).sound.tones.isEmpty());
        m_time->advance(15000);
        QCOMPARE(station(7).sound.tones.size(), 9);
        QVERIFY(!slotExists());
        QVERIFY(station(12).views.sent.okEnabled);
        QVERIFY(station(12).logTexts().contains(QStringLiteral("Message - gelöscht")));
        m_time->advance(30000);
        QCOMPARE(station(7).client().timer1().interval(), 5000);
        QCOMPARE(station(7).views.alarms.size(), 1);
        QVERIFY(station(12).views.alarms.isEmpty());
    }

    void twoSendersAtOnceLaterWriteWins()
    {
        station(7);
        station(12);
        station(3);
        m_time->advance(1000);
        // Station 12 tests the free slot just before station 7's write lands: both write, the later
        // wins, and the hold end of the first clears the second.
        pressButton(7);
        QCOMPARE(slot(), QByteArray("7"));
        QVERIFY(QFile::remove(m_exchange + QStringLiteral("MESSAGE.KVT"))); // what station 12 saw
        pressButton(12);
        QCOMPARE(slot(), QByteArray("12"));
        QVERIFY(station(7).client().state().messageSent && station(12).client().state().messageSent);
        m_time->advance(15000);
        QVERIFY(!slotExists());
        QVERIFY(station(7).views.sent.okEnabled);
        QVERIFY(!station(12).views.sent.okEnabled); // its message was removed by someone else
    }

    void holdEndDeletesAnotherStationsMessage()
    {
        station(7);
        station(12);
        m_time->advance(1000);
        pressButton(7);
        m_time->advance(10000);
        QVERIFY(writeFileAtomic(m_exchange + QStringLiteral("MESSAGE.KVT"), "12").ok());
        m_time->advance(5000);
        QVERIFY(!slotExists());
        QVERIFY(station(7).logTexts().contains(QStringLiteral("Message - gelöscht")));
    }

    void stationShowingAnAlarmWaitsInHalfSecondSteps()
    {
        station(12);
        station(7);
        m_time->advance(1000);
        pressButton(12);
        m_time->advance(5000);
        QCOMPARE(station(7).views.alarms.size(), 1);
        // Station 12's message is made to stay: its hold end would otherwise free the slot.
        station(12).serial.close();
        m_stations.erase(12);
        const qint64 raisedAt = m_time->now();
        pressButton(7);
        QVERIFY(station(7).client().state().sendWaiting);
        QVERIFY(advanceUntilSlot("7", 20000));
        const qint64 waited = m_time->now() - raisedAt;
        QVERIFY2(waited >= 8000 + 5000 - 500 && waited <= 8000 + 5000 + 500, qPrintable(QString::number(waited)));
    }

    void receptionOffWaitsUpToEightySeconds()
    {
        station(7, [](ConfigText& c) { c.alarmempf = QStringLiteral("1"); });
        QVERIFY(writeFileAtomic(m_exchange + QStringLiteral("MESSAGE.KVT"), "99").ok());
        const qint64 raisedAt = m_time->now();
        pressButton(7);
        QVERIFY(advanceUntilSlot("7", 100000));
        const qint64 waited = m_time->now() - raisedAt;
        QVERIFY2(waited >= 80000 && waited <= 80000 + 2000 + 500, qPrintable(QString::number(waited)));
        QVERIFY(station(7).views.alarms.isEmpty());
    }

    void slotWithoutAlarmTextIsRemovedByTheFirstReceiver()
    {
        station(7);
        m_time->advance(2500);
        station(8); // polls 2.5 s later
        QVERIFY(writeFileAtomic(m_exchange + QStringLiteral("MESSAGE.KVT"), "55").ok());
        m_time->advance(10000);
        QVERIFY(!slotExists());
        QVERIFY(station(7).views.alarms.isEmpty());
        QVERIFY(station(8).views.alarms.isEmpty());
        QVERIFY(station(7).logTexts().isEmpty());
    }

    void fourEmptyLinesGiveAnEmptyAlarm()
    {
        station(9, [](ConfigText& c) {
            c.alarmText1.clear();
            c.text2.clear();
        });
        QCOMPARE(readWholeFile(m_exchange + QStringLiteral("MDAT9.KVT")).bytes, QByteArray("\r\r\r"));
        station(7);
        pressButton(9);
        m_time->advance(5000);
        QCOMPARE(station(7).views.alarms, QStringList{QStringLiteral("\r\r\r")});
    }

    void pressDuringHoldDroppedWhileTriggerFileWaits()
    {
        station(7);
        station(12);
        m_time->advance(500);
        pressButton(12);
        softTrigger(12);
        m_time->advance(2000);
        pressButton(12); // dropped: logged, nothing sent
        QCOMPARE(station(12).logTexts().filter(QStringLiteral("Alarm gesetzt")).size(), 2);
        QVERIFY(QFile::exists(m_exchange + QStringLiteral("START.12"))); // waits for the hold's end
        m_time->advance(13000);
        QVERIFY(advanceUntilSlot("12", 3000)); // the trigger file sends after the hold
        QVERIFY(!QFile::exists(m_exchange + QStringLiteral("START.12")));
        QCOMPARE(station(12).views.sent.shown, 2);
    }

    void softTriggerThatWaitedSendsOnce()
    {
        station(7);
        station(12);
        m_time->advance(500);
        pressButton(7);
        softTrigger(12);
        QVERIFY(advanceUntilSlot("12", 30000));
        QVERIFY(!QFile::exists(m_exchange + QStringLiteral("START.12")));
        m_time->advance(60000);
        QCOMPARE(station(12).views.sent.shown, 1);
        QVERIFY(!slotExists());
        QCOMPARE(station(7).views.alarms, QStringList{textOf(12)});
    }

    void aHundredStationsSeeOneAlarmEach()
    {
        for (int id = 1; id <= 100; ++id)
            station(id, [](ConfigText& c) { c.comDisabled = QStringLiteral("1"); });
        softTrigger(42);
        m_time->advance(30000);
        for (int id = 1; id <= 100; ++id)
            QCOMPARE(station(id).views.alarms.size(), id == 42 ? 0 : 1);
        QVERIFY(!slotExists());
    }
};

QTEST_GUILESS_MAIN(TestSite)
#include "tst_site.moc"
