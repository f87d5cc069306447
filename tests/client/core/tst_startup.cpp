// The start-up order and the timers as they stand after it.

#include "StationFixture.h"
#include "common/FileIo.h"

#include <QTest>

using namespace telvor;
using namespace telvor::test;

class TestStartup final : public QObject {
    Q_OBJECT

private:
    StationFixture f;

private Q_SLOTS:
    void init() { f.reset(); }

    void timersStandAsDesigned()
    {
        f.start(f.config());
        QCOMPARE(f.client().timer1().interval(), 5000);
        QVERIFY(f.client().timer1().isEnabled());
        QCOMPARE(f.client().timer2().interval(), 15);
        QVERIFY(!f.client().timer2().isEnabled());
        QCOMPARE(f.client().timer3().interval(), 1000);
        QVERIFY(f.client().timer3().isEnabled());
        QVERIFY(!f.client().entprell().isEnabled());
    }

    void firstPollComesFiveSecondsAfterStart()
    {
        ConfigText c = f.config();
        f.start(c);
        writeFileAtomic(f.path(QStringLiteral("MDAT12.KVT")), "Hilfe");
        writeFileAtomic(f.path(QStringLiteral("MESSAGE.KVT")), "12");
        f.scheduler->advance(4999);
        QVERIFY(f.station->views.alarms.isEmpty());
        f.scheduler->advance(1);
        QCOMPARE(f.station->views.alarms, QStringList{QStringLiteral("Hilfe")});
    }

    void triggerFileAtStartCountsAsTestBeforeFirstPoll()
    {
        writeFileAtomic(f.path(QStringLiteral("START.7")), QByteArray());
        ConfigText c = f.config();
        c.testOff = QStringLiteral(" 0 ");
        f.start(c);
        QCOMPARE(f.station->views.test.loads, 1);
        f.scheduler->advance(1000);
        QCOMPARE(f.station->views.test.presses, 1);
        QVERIFY(!QFile::exists(f.path(QStringLiteral("START.7"))));
        QCOMPARE(f.station->logTexts(),
                 QStringList{QStringLiteral(" Init - ") + f.exchange + QStringLiteral("start.7")});
        QVERIFY(!QFile::exists(f.path(QStringLiteral("MESSAGE.KVT"))));
    }

    void checkFileCountsDirectoriesAndNothingElse()
    {
        f.start(f.config());
        f.client().checkFile(f.root->path(), QStringLiteral("exchange"));
        QVERIFY(f.state().fileFound);
        f.client().checkFile(f.root->path(), QStringLiteral("nothing"));
        QVERIFY(!f.state().fileFound);
        f.client().checkFile(f.exchange, QStringLiteral("MDAT7.KVT")); // a doubled separator is one
        QVERIFY(f.state().fileFound);
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
