// The event log: when it writes, what the bytes on disk are, and that a broken log never breaks the caller.

#include "StationFixture.h"
#include "common/FileIo.h"

#include <QTest>

using namespace telvor;
using namespace telvor::test;

class TestEventLog final : public QObject {
    Q_OBJECT

private:
    StationFixture f;

    void startWithLogState(const QString& logfileaktive)
    {
        ConfigText c;
        c.exchangeDir = f.exchange;
        c.stationId = QStringLiteral("3");
        c.logfileaktive = logfileaktive;
        f.station->writeConfig(c);
        f.station->start();
    }
    QString logPath() const { return f.station->appData() + QStringLiteral("/telvor.log"); }

private Q_SLOTS:
    void init() { f.reset(); }

    void writesOnlyWhenExactlyOne_data()
    {
        QTest::addColumn<QString>("state");
        QTest::newRow("0") << QStringLiteral("0");
        QTest::newRow("blank one") << QStringLiteral(" 1");
        QTest::newRow("one blank") << QStringLiteral("1 ");
        QTest::newRow("2") << QStringLiteral("2");
    }
    void writesOnlyWhenExactlyOne()
    {
        QFETCH(QString, state);
        startWithLogState(state);
        SetupFields before = f.station->views.fields;
        f.station->client().writeLog(QStringLiteral("DSR gesetzt 120"));
        QVERIFY(!QFile::exists(logPath()));
        QCOMPARE(f.station->views.fields.meldungtxt, before.meldungtxt);
    }

    void entryIsDateTimeTextInCodePageWithCrLf()
    {
        startWithLogState(QStringLiteral("1"));
        f.scheduler->advance(61'000); // 10:01:01
        f.station->client().writeLog(QStringLiteral("ä ö ü ß € „"));
        f.station->client().writeLog(QString());
        QCOMPARE(f.station->logBytes(),
                 QByteArray("09.12.26  10:01:01  \xe4 \xf6 \xfc \xdf \x80 \x84\r\n09.12.26  10:01:01  \r\n"));
        QCOMPARE(f.station->views.fields.meldungtxt, QStringLiteral("09.12.26  10:01:01  "));
    }

    void entriesAreAppendedNeverReplaced()
    {
        writeFileAtomic(f.root->filePath(QStringLiteral("appdata/telvor.log")), "alt\r\n");
        startWithLogState(QStringLiteral("1"));
        f.station->client().writeLog(QStringLiteral("neu"));
        QVERIFY(f.station->logBytes().startsWith("alt\r\n"));
        QCOMPARE(f.station->logTexts().last(), QStringLiteral("neu"));
    }

    void unwritableLogIsReportedOnceAndRecovers()
    {
        startWithLogState(QStringLiteral("1"));
        QDir().mkpath(logPath()); // a directory where the log should be
        for (int i = 0; i < 3; ++i)
            f.station->client().writeLog(QStringLiteral("Alarm gesetzt 120"));
        QCOMPARE(f.station->standardError.size(), 1);
        QVERIFY(f.station->standardError.first().contains(logPath()));
        // The status box still shows the entry: the caller's step went on.
        QVERIFY(f.station->views.fields.meldungtxt.endsWith(QStringLiteral("Alarm gesetzt 120")));

        QDir().rmdir(logPath());
        f.station->client().writeLog(QStringLiteral("wieder da"));
        QCOMPARE(f.station->standardError.size(), 2);
        QCOMPARE(f.station->logTexts(), QStringList{QStringLiteral("wieder da")});
    }
};

QTEST_GUILESS_MAIN(TestEventLog)
#include "tst_eventlog.moc"
