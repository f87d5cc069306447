// The screen saver's display in virtual time against a temporary exchange directory: black without
// an alarm, a new colour at every refresh while an alarm runs, and what a share in trouble leaves.

#include "SaverFixture.h"

#include "common/SettingsNames.h"

#include <QTest>

#include <cerrno>

using namespace telvor;
using namespace telvor::test;

Q_DECLARE_METATYPE(telvor::Rgb)

namespace {

const QByteArray kAlarmText = QByteArray("\xDC"
                                         "berfall B\xFC"
                                         "ro 12\rKasse");
const QString kAlarmShown = QStringLiteral("Überfall Büro 12\rKasse");
/** The random draws of the first alarm refresh and the colour they make. */
const QList<double> kDraws{0.0, 0.5, 0.999999, 0.25, 0.75, 0.1};
const Rgb kFirstColour{0, 128, 255};
const Rgb kSecondColour{64, 192, 25};

} // namespace

class TestSaverDisplay final : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { f.reset(); }

    void blackWithoutAlarm();
    void newColourAtEveryRefresh();
    void lastTextStaysWhiteAfterTheAlarm();
    void slotWithoutTextTurnsBlackOnBlack();
    void stationIdAsRead_data();
    void stationIdAsRead();
    void interval_data();
    void interval();
    void directory_data();
    void directory();
    void shareInTrouble_data();
    void shareInTrouble();
    void onlyReadsTheShare();

private:
    const SaverDisplay& display() const { return f->view.display; }
    void raiseAlarm()
    {
        f->putFile(QStringLiteral("MESSAGE.KVT"), "12");
        f->putFile(QStringLiteral("MDAT12.KVT"), kAlarmText);
    }
    /** Station 12's alarm, shown by the first refresh in kFirstColour. */
    void showFirstAlarm()
    {
        f->writeSettings({});
        raiseAlarm();
        f->load();
        f->time.advance(1000);
    }

    std::unique_ptr<SaverFixture> f;
};

void TestSaverDisplay::init()
{
    f = std::make_unique<SaverFixture>();
    f->random.values = kDraws;
}

void TestSaverDisplay::blackWithoutAlarm()
{
    f->writeSettings({});
    f->load();
    f->time.advance(999);
    QCOMPARE(display().time, QString());
    f->time.advance(1);
    QCOMPARE(display().time, QStringLiteral("09:15:01"));
    QCOMPARE(display().background, kBlack);
    QCOMPARE(display().labelBackground, kBlack);
    QVERIFY(!display().alarmTextShown);
}

void TestSaverDisplay::newColourAtEveryRefresh()
{
    showFirstAlarm();
    QCOMPARE(display().background, kFirstColour);
    QCOMPARE(display().labelBackground, kFirstColour);
    QCOMPARE(display().alarmTextColour, kBlack);
    QCOMPARE(display().alarmText, kAlarmShown);
    QVERIFY(display().alarmTextShown);
    f->time.advance(1000);
    QCOMPARE(display().background, kSecondColour);
    QCOMPARE(display().labelBackground, kSecondColour);
    QCOMPARE(display().time, QStringLiteral("09:15:02"));
}

void TestSaverDisplay::lastTextStaysWhiteAfterTheAlarm()
{
    showFirstAlarm();
    f->removeFile(QStringLiteral("MESSAGE.KVT"));
    f->time.advance(1000);
    QCOMPARE(display().background, kBlack);
    QCOMPARE(display().labelBackground, kBlack);
    QCOMPARE(display().alarmTextColour, kWhite);
    QCOMPARE(display().alarmText, kAlarmShown);
    QVERIFY(display().alarmTextShown);
}

void TestSaverDisplay::slotWithoutTextTurnsBlackOnBlack()
{
    showFirstAlarm();
    f->removeFile(QStringLiteral("MDAT12.KVT"));
    f->time.advance(1000);
    // The window turns black at once; the labels keep their colour until the next refresh.
    QCOMPARE(display().background, kBlack);
    QCOMPARE(display().labelBackground, kFirstColour);
    f->time.advance(1000);
    QCOMPARE(display().labelBackground, kBlack);
    QCOMPARE(display().alarmTextColour, kBlack);
    f->removeFile(QStringLiteral("MESSAGE.KVT"));
    f->time.advance(1000);
    QCOMPARE(display().alarmTextColour, kWhite);
}

void TestSaverDisplay::stationIdAsRead_data()
{
    QTest::addColumn<QByteArray>("slot");
    QTest::addColumn<bool>("shown");
    QTest::newRow("station 12") << QByteArray("12") << true;
    QTest::newRow("trailing line break names another file") << QByteArray("12\n") << false;
    QTest::newRow("trailing blank names another file") << QByteArray("12 ") << false;
    QTest::newRow("leading zero names another file") << QByteArray("012") << false;
}

void TestSaverDisplay::stationIdAsRead()
{
    QFETCH(QByteArray, slot);
    QFETCH(bool, shown);
    f->writeSettings({});
    f->putFile(QStringLiteral("MESSAGE.KVT"), slot);
    f->putFile(QStringLiteral("MDAT12.KVT"), kAlarmText);
    f->load();
    f->time.advance(1000);
    QCOMPARE(display().alarmTextShown, shown);
    QCOMPARE(display().background, shown ? kFirstColour : kBlack);
}

void TestSaverDisplay::interval_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("firstRefreshMs");
    QTest::newRow("absent") << QString() << 1000;
    QTest::newRow("German fraction") << "1500,5" << 1500;
    QTest::newRow("not a number") << "oft" << 1000;
    QTest::newRow("zero: never") << "0" << 0;
}

void TestSaverDisplay::interval()
{
    QFETCH(QString, stored);
    QFETCH(int, firstRefreshMs);
    if (stored.isNull())
        f->writeSettings({});
    else
        f->writeSettings({{settings::kInterval, stored}});
    raiseAlarm();
    f->load();
    if (firstRefreshMs == 0) {
        f->time.advance(600000);
        QCOMPARE(display().time, QString());
        QCOMPARE(display().background, kBlack);
        return;
    }
    f->time.advance(firstRefreshMs - 1);
    QCOMPARE(display().time, QString());
    f->time.advance(1);
    QVERIFY(display().alarmTextShown);
    f->time.advance(firstRefreshMs);
    QCOMPARE(display().background, kSecondColour);
}

void TestSaverDisplay::directory_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("shown");
    QTest::newRow("with its final separator") << "{dir}/" << true;
    // As the client's hand-over stores a directory picked and not yet saved: used inside it.
    QTest::newRow("without its final separator") << "{dir}" << true;
    QTest::newRow("empty: no directory") << "" << false;
    QTest::newRow("a directory that is not there") << "{dir}/fehlt/" << false;
}

void TestSaverDisplay::directory()
{
    QFETCH(QString, path);
    QFETCH(bool, shown);
    f->writeSettings({{settings::kPath, path.replace(QStringLiteral("{dir}"), f->exchangeDir())}});
    raiseAlarm();
    f->load();
    f->time.advance(1000);
    QCOMPARE(display().alarmTextShown, shown);
    QCOMPARE(display().time, QStringLiteral("09:15:01"));
}

void TestSaverDisplay::shareInTrouble_data()
{
    QTest::addColumn<int>("operations");
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("error");
    QTest::addColumn<bool>("hangs");
    QTest::newRow("slot test unanswered") << int(FaultyExchangeIo::OpProbe) << "MESSAGE.KVT" << 0 << false;
    QTest::newRow("slot test fails") << int(FaultyExchangeIo::OpProbe) << "MESSAGE.KVT" << EACCES << false;
    QTest::newRow("slot read fails") << int(FaultyExchangeIo::OpRead) << "MESSAGE.KVT" << EIO << false;
    QTest::newRow("alarm text read fails") << int(FaultyExchangeIo::OpRead) << "MDAT12.KVT" << EIO << false;
    QTest::newRow("alarm text read unanswered") << int(FaultyExchangeIo::OpRead) << "MDAT12.KVT" << 0 << false;
    QTest::newRow("share hangs") << 0 << QString() << 0 << true;
}

void TestSaverDisplay::shareInTrouble()
{
    QFETCH(int, operations);
    QFETCH(QString, file);
    QFETCH(int, error);
    QFETCH(bool, hangs);
    showFirstAlarm();

    // A new alarm's text is there, but the share does not let it be read: the last alarm stays as
    // it was, never its text on a new colour as if it were the new one.
    f->putFile(QStringLiteral("MDAT12.KVT"), "Brand im Lager");
    if (hangs)
        f->share.hang();
    else
        f->share.fail(operations, file, error);
    f->time.advance(1000);
    QCOMPARE(display().time, QStringLiteral("09:15:02"));
    QCOMPARE(display().background, kFirstColour);
    QCOMPARE(display().alarmText, kAlarmShown);

    f->share.release();
    f->share.clearFaults();
    f->time.advance(1000);
    QCOMPARE(display().alarmText, QStringLiteral("Brand im Lager"));
    QCOMPARE(display().background, kSecondColour);
}

void TestSaverDisplay::onlyReadsTheShare()
{
    f->writeSettings({});
    raiseAlarm();
    f->load();
    f->time.advance(5000);
    QCOMPARE(f->share.count(FaultyExchangeIo::OpProbe, QString()), 5);
    QCOMPARE(f->share.count(FaultyExchangeIo::OpRead, QString()), 10);
    QCOMPARE(f->share.calls.size(), 15);
    QVERIFY(f->view.calls.isEmpty());
}

QTEST_GUILESS_MAIN(TestSaverDisplay)
#include "tst_saver_display.moc"
