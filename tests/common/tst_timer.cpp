#include "common/Timer.h"
#include "tests/support/time/VirtualScheduler.h"

#include <QList>
#include <QString>
#include <QTest>

#include <memory>

using namespace telvor;

namespace {

/** Records the virtual time of every tick of one timer. */
struct TickLog {
    QList<qint64> times;
    std::function<void()> recorder(const VirtualScheduler& scheduler)
    {
        return [this, &scheduler] { times.append(scheduler.now()); };
    }
};

enum class Change {
    OtherInterval,
    SameInterval,
    OffAndOn,
    OnAgain,
    ZeroAndBack,
    OffIntervalOn,
};

} // namespace

Q_DECLARE_METATYPE(Change)

class TestTimer final : public QObject {
    Q_OBJECT

private slots:
    void tickEveryInterval_data() const
    {
        QTest::addColumn<int>("interval");
        QTest::addColumn<qint64>("span");
        QTest::addColumn<int>("ticks");
        QTest::newRow("poll interval, just short") << 5000 << qint64(4999) << 0;
        QTest::newRow("poll interval, exactly") << 5000 << qint64(5000) << 1;
        QTest::newRow("fast poll over a minute") << 500 << qint64(60000) << 120;
        QTest::newRow("one millisecond") << 1 << qint64(1000) << 1000;
        QTest::newRow("hold time") << 15000 << qint64(44999) << 2;
    }
    void tickEveryInterval()
    {
        QFETCH(int, interval);
        QFETCH(qint64, span);
        QFETCH(int, ticks);
        VirtualScheduler scheduler;
        TickLog log;
        Timer timer(scheduler, interval, true, log.recorder(scheduler));
        scheduler.advance(span);
        QCOMPARE(log.times.size(), ticks);
        for (int i = 0; i < log.times.size(); ++i)
            QCOMPARE(log.times.at(i), qint64(interval) * (i + 1));
    }

    void advanceInSmallSteps()
    {
        // Splitting the same span differently must not change when ticks come.
        VirtualScheduler scheduler;
        TickLog log;
        Timer timer(scheduler, 700, true, log.recorder(scheduler));
        for (int i = 0; i < 30; ++i)
            scheduler.advance(100);
        QCOMPARE(log.times, (QList<qint64>{700, 1400, 2100, 2800}));
    }

    void changeAndCount_data() const
    {
        QTest::addColumn<Change>("change");
        QTest::addColumn<QList<qint64>>("expected");
        // A 1000 ms timer started at 0 is changed at 600 ms.
        QTest::newRow("other interval restarts") << Change::OtherInterval << QList<qint64>{2600, 4600};
        QTest::newRow("same interval keeps the count")
            << Change::SameInterval << QList<qint64>{1000, 2000, 3000, 4000, 5000};
        QTest::newRow("off and on restarts") << Change::OffAndOn << QList<qint64>{1600, 2600, 3600, 4600};
        QTest::newRow("on again keeps the count") << Change::OnAgain << QList<qint64>{1000, 2000, 3000, 4000, 5000};
        QTest::newRow("zero and back restarts") << Change::ZeroAndBack << QList<qint64>{1600, 2600, 3600, 4600};
        QTest::newRow("interval set while off")
            << Change::OffIntervalOn << QList<qint64>{1100, 1600, 2100, 2600, 3100, 3600, 4100, 4600};
    }
    void changeAndCount()
    {
        QFETCH(Change, change);
        QFETCH(QList<qint64>, expected);
        VirtualScheduler scheduler;
        TickLog log;
        Timer timer(scheduler, 1000, true, log.recorder(scheduler));
        scheduler.advance(600);
        switch (change) {
        case Change::OtherInterval:
            timer.setInterval(2000);
            break;
        case Change::SameInterval:
            timer.setInterval(1000);
            break;
        case Change::OffAndOn:
            timer.setEnabled(false);
            timer.setEnabled(true);
            break;
        case Change::OnAgain:
            timer.setEnabled(true);
            break;
        case Change::ZeroAndBack:
            timer.setInterval(0);
            timer.setInterval(1000);
            break;
        case Change::OffIntervalOn:
            timer.setEnabled(false);
            timer.setInterval(500);
            timer.setEnabled(true);
            break;
        }
        scheduler.advance(5000 - 600);
        QCOMPARE(log.times, expected);
    }

    void noTicks_data() const
    {
        QTest::addColumn<int>("interval");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("interval 0, on") << 0 << true;
        QTest::newRow("negative interval, on") << -5 << true;
        QTest::newRow("off") << 1000 << false;
        QTest::newRow("interval 0, off") << 0 << false;
    }
    void noTicks()
    {
        QFETCH(int, interval);
        QFETCH(bool, enabled);
        VirtualScheduler scheduler;
        TickLog log;
        Timer timer(scheduler, interval, enabled, log.recorder(scheduler));
        scheduler.advance(100000);
        QVERIFY(log.times.isEmpty());
        QVERIFY(!timer.isTicking());
        QCOMPARE(scheduler.untilNextTick(), qint64(-1));
    }

    void intervalZeroStopsARunningTimer()
    {
        VirtualScheduler scheduler;
        TickLog log;
        Timer timer(scheduler, 1000, true, log.recorder(scheduler));
        scheduler.advance(1500);
        timer.setInterval(0);
        QVERIFY(timer.isEnabled());
        scheduler.advance(10000);
        QCOMPARE(log.times, QList<qint64>{1000});
    }

    void tickDueDuringABlockComesOnce()
    {
        // A beep of 3.5 s inside a tick: the fast timer misses eleven ticks and gets one afterwards.
        VirtualScheduler scheduler;
        QStringList order;
        bool blocked = false;
        Timer slow(scheduler, 1000, true, [&] {
            order.append(QStringLiteral("slow@%1").arg(scheduler.now()));
            if (!blocked) {
                blocked = true;
                scheduler.block(3500);
            }
        });
        Timer fast(scheduler, 300, true, [&] { order.append(QStringLiteral("fast@%1").arg(scheduler.now())); });
        scheduler.advance(5000);
        QCOMPARE(order,
                 (QStringList{"fast@300", "fast@600", "fast@900", "slow@1000", "fast@4500", "slow@4500", "fast@4800"}));
        QCOMPARE(scheduler.now(), qint64(5000));
    }

    void blockBeyondTheAdvance()
    {
        // A block that runs past the end of the advance still lets the missed tick come once.
        VirtualScheduler scheduler;
        TickLog fastLog;
        Timer blocker(scheduler, 100, true);
        blocker.setOnTick([&] {
            blocker.setEnabled(false);
            scheduler.block(2000);
        });
        Timer fast(scheduler, 250, true, fastLog.recorder(scheduler));
        scheduler.advance(200);
        QCOMPARE(fastLog.times, QList<qint64>{2100});
        scheduler.advance(250);
        QCOMPARE(fastLog.times, (QList<qint64>{2100, 2350}));
    }

    void severalTimersInDueOrder()
    {
        VirtualScheduler scheduler;
        QStringList order;
        auto named = [&](const QString& name) {
            return [&order, &scheduler, name] {
                order.append(name + QLatin1Char('@') + QString::number(scheduler.now()));
            };
        };
        Timer c(scheduler, 700, true, named("c"));
        Timer a(scheduler, 300, true, named("a"));
        Timer b(scheduler, 500, true, named("b"));
        scheduler.advance(1450);
        QCOMPARE(order, (QStringList{"a@300", "b@500", "a@600", "c@700", "a@900", "b@1000", "a@1200", "c@1400"}));
    }

    void equalDueTimesInStartOrder()
    {
        VirtualScheduler scheduler;
        QStringList order;
        Timer first(scheduler, 1000, true, [&] { order.append(QStringLiteral("first")); });
        Timer second(scheduler, 1000, true, [&] { order.append(QStringLiteral("second")); });
        scheduler.advance(3000);
        QCOMPARE(order, (QStringList{"first", "second", "first", "second", "first", "second"}));
    }

    void destroyedInsideItsOwnTick()
    {
        VirtualScheduler scheduler;
        QStringList order;
        auto timer = std::make_unique<Timer>(scheduler, 1000, true);
        // The handler still uses its own captured state after it has destroyed its timer.
        timer->setOnTick([&order, &timer, note = QStringLiteral("last tick of the hold time")] {
            timer.reset();
            order.append(note);
        });
        TickLog other;
        Timer survivor(scheduler, 400, true, other.recorder(scheduler));
        scheduler.advance(3000);
        QVERIFY(!timer);
        QCOMPARE(order, QStringList{"last tick of the hold time"});
        QCOMPARE(other.times.size(), 7);
    }

    void destroyedByAnotherTickDueAtTheSameTime()
    {
        VirtualScheduler scheduler;
        int victimTicks = 0;
        std::unique_ptr<Timer> victim;
        Timer killer(scheduler, 1000, true, [&] { victim.reset(); });
        victim = std::make_unique<Timer>(scheduler, 1000, true, [&] { ++victimTicks; });
        // Both are due at 1000; the killer comes first, so the victim's due tick must never come.
        scheduler.advance(5000);
        QVERIFY(!victim);
        QCOMPARE(victimTicks, 0);
    }

    void switchedOffInsideItsOwnTick()
    {
        VirtualScheduler scheduler;
        TickLog log;
        Timer timer(scheduler, 500, true);
        timer.setOnTick([&] {
            log.times.append(scheduler.now());
            if (log.times.size() == 2)
                timer.setEnabled(false);
        });
        scheduler.advance(5000);
        QCOMPARE(log.times, (QList<qint64>{500, 1000}));
        timer.setEnabled(true);
        scheduler.advance(600);
        QCOMPARE(log.times, (QList<qint64>{500, 1000, 5500}));
    }

    void intervalChangedInsideItsOwnTick()
    {
        // Like the poll that switches from 5000 ms to 500 ms when it finds an alarm.
        VirtualScheduler scheduler;
        TickLog log;
        Timer timer(scheduler, 5000, true);
        timer.setOnTick([&] {
            log.times.append(scheduler.now());
            timer.setInterval(500);
        });
        scheduler.advance(6200);
        QCOMPARE(log.times, (QList<qint64>{5000, 5500, 6000}));
    }
};

QTEST_APPLESS_MAIN(TestTimer)
#include "tst_timer.moc"
