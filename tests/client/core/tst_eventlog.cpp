// The event log: when it writes, what the bytes on disk are, and that a broken log never breaks the caller.

#include "common/FileIo.h"
#include "support/fakes/Station.h"

#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace telvor;
using namespace telvor::test;

class TestEventLog final : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_root;
    std::unique_ptr<VirtualScheduler> m_scheduler;
    std::unique_ptr<Station> m_station;

    void startWithLogState(const QString& logfileaktive)
    {
        ConfigText c;
        c.exchangeDir = m_root->path() + QLatin1Char('/');
        c.stationId = QStringLiteral("3");
        c.logfileaktive = logfileaktive;
        m_station->writeConfig(c);
        m_station->start();
    }
    QString logPath() const { return m_station->appData() + QStringLiteral("/telvor.log"); }

private Q_SLOTS:
    void init()
    {
        m_station.reset(); // its timers belong to the old scheduler
        m_root = std::make_unique<QTemporaryDir>();
        m_scheduler = std::make_unique<VirtualScheduler>();
        m_station = std::make_unique<Station>(*m_scheduler, m_root->filePath(QStringLiteral("appdata")));
    }

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
        SetupFields before = m_station->views.fields;
        m_station->client().writeLog(QStringLiteral("DSR gesetzt 120"));
        QVERIFY(!QFile::exists(logPath()));
        QCOMPARE(m_station->views.fields.meldungtxt, before.meldungtxt);
    }

    void entryIsDateTimeTextInCodePageWithCrLf()
    {
        startWithLogState(QStringLiteral("1"));
        m_scheduler->advance(61'000); // 10:01:01
        m_station->client().writeLog(QStringLiteral("ä ö ü ß € „"));
        m_station->client().writeLog(QString());
        QCOMPARE(m_station->logBytes(),
                 QByteArray("09.12.26  10:01:01  \xe4 \xf6 \xfc \xdf \x80 \x84\r\n09.12.26  10:01:01  \r\n"));
        QCOMPARE(m_station->views.fields.meldungtxt, QStringLiteral("09.12.26  10:01:01  "));
    }

    void entriesAreAppendedNeverReplaced()
    {
        writeFileAtomic(m_root->filePath(QStringLiteral("appdata/telvor.log")), "alt\r\n");
        startWithLogState(QStringLiteral("1"));
        m_station->client().writeLog(QStringLiteral("neu"));
        QVERIFY(m_station->logBytes().startsWith("alt\r\n"));
        QCOMPARE(m_station->logTexts().last(), QStringLiteral("neu"));
    }

    void unwritableLogIsReportedOnceAndRecovers()
    {
        startWithLogState(QStringLiteral("1"));
        QDir().mkpath(logPath()); // a directory where the log should be
        for (int i = 0; i < 3; ++i)
            m_station->client().writeLog(QStringLiteral("Alarm gesetzt 120"));
        QCOMPARE(m_station->standardError.size(), 1);
        QVERIFY(m_station->standardError.first().contains(logPath()));
        // The status box still shows the entry: the caller's step went on.
        QVERIFY(m_station->views.fields.meldungtxt.endsWith(QStringLiteral("Alarm gesetzt 120")));

        QDir().rmdir(logPath());
        m_station->client().writeLog(QStringLiteral("wieder da"));
        QCOMPARE(m_station->standardError.size(), 2);
        QCOMPARE(m_station->logTexts(), QStringList{QStringLiteral("wieder da")});
    }
};

QTEST_GUILESS_MAIN(TestEventLog)
#include "tst_eventlog.moc"
