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
/** The random draws of the first two alarm refreshes and the colours they make. */
const QList<double> kDraws{0.0, 0.5, 0.999999, 0.25, 0.75, 0.1};
const Rgb kFirstColour{0, 128, 255};
const Rgb kSecondColour{64, 192, 25};

} // namespace

class TestSaverDisplay final : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { f.reset(); }

    void newColourAtEveryRefresh();
    void afterTheAlarm_data();
    void afterTheAlarm();
    void stationIdAsRead_data();
    void stationIdAsRead();
    void interval_data();
    void interval();
    void directory_data();
    void directory();
    void shareInTrouble_data();
    void shareInTrouble();

private:
    const SaverDisplay& display() const { return f->view.display; }
    void raiseAlarm(const QByteArray& slot = "12")
    {
        f->putFile(QStringLiteral("MESSAGE.KVT"), slot);
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
    // Each refresh tests the slot and reads the two files; nothing is ever written or removed.
    QCOMPARE(f->share.count(FaultyExchangeIo::OpProbe, QString()), 2);
    QCOMPARE(f->share.count(FaultyExchangeIo::OpRead, QString()), 4);
    QCOMPARE(f->share.calls.size(), 6);
}

void TestSaverDisplay::afterTheAlarm_data()
{
    QTest::addColumn<bool>("slotLeft");
    QTest::addColumn<Rgb>("labelsAtOnce");
    QTest::addColumn<Rgb>("lettersAfter");
    // The last text stays, white on black, until the next alarm replaces it.
    QTest::newRow("both files gone") << false << kBlack << kWhite;
    // Black at once; the labels keep their colour until the next refresh, then black on black.
    QTest::newRow("only the slot left") << true << kFirstColour << kBlack;
}

void TestSaverDisplay::afterTheAlarm()
{
    QFETCH(bool, slotLeft);
    QFETCH(Rgb, labelsAtOnce);
    QFETCH(Rgb, lettersAfter);
    showFirstAlarm();
    f->removeFile(QStringLiteral("MDAT12.KVT"));
    if (!slotLeft)
        f->removeFile(QStringLiteral("MESSAGE.KVT"));
    f->time.advance(1000);
    QCOMPARE(display().background, kBlack);
    QCOMPARE(display().labelBackground, labelsAtOnce);
    f->time.advance(1000);
    QCOMPARE(display().labelBackground, kBlack);
    QCOMPARE(display().alarmTextColour, lettersAfter);
    QCOMPARE(display().alarmText, kAlarmShown);
    QVERIFY(display().alarmTextShown);
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
    raiseAlarm(slot);
    f->load();
    f->time.advance(1000);
    QCOMPARE(display().alarmTextShown, shown);
    QCOMPARE(display().background, shown ? kFirstColour : kBlack);
}

void TestSaverDisplay::interval_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("firstRefreshMs");
    QTest::newRow("German fraction") << "1500,5" << 1500;
    QTest::newRow("zero: never") << "0" << 0;
}

void TestSaverDisplay::interval()
{
    QFETCH(QString, stored);
    QFETCH(int, firstRefreshMs);
    f->writeSettings({{settings::kInterval, stored}});
    raiseAlarm();
    f->load();
    f->time.advance(firstRefreshMs ? firstRefreshMs - 1 : 600000);
    QCOMPARE(display().time, QString());
    QCOMPARE(display().background, kBlack);
    if (firstRefreshMs == 0)
        return;
    f->time.advance(1);
    QCOMPARE(display().background, kFirstColour);
    f->time.advance(firstRefreshMs);
    QCOMPARE(display().background, kSecondColour);
}

void TestSaverDisplay::directory_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("alarm");
    QTest::addColumn<bool>("shown");
    QTest::newRow("no alarm") << "{dir}/" << false << false;
    QTest::newRow("with its final separator") << "{dir}/" << true << true;
    // As the client's hand-over stores a directory picked and not yet saved: used inside it.
    QTest::newRow("without its final separator") << "{dir}" << true << true;
    QTest::newRow("empty: no directory") << "" << true << false;
    QTest::newRow("a directory that is not there") << "{dir}/fehlt/" << true << false;
}

void TestSaverDisplay::directory()
{
    QFETCH(QString, path);
    QFETCH(bool, alarm);
    QFETCH(bool, shown);
    f->writeSettings({{settings::kPath, path.replace(QStringLiteral("{dir}"), f->exchangeDir())}});
    if (alarm)
        raiseAlarm();
    f->load();
    f->time.advance(1000);
    QCOMPARE(display().alarmTextShown, shown);
    QCOMPARE(display().background, shown ? kFirstColour : kBlack);
    QCOMPARE(display().time, QStringLiteral("09:15:01"));
}

void TestSaverDisplay::shareInTrouble_data()
{
    QTest::addColumn<int>("operations");
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("error");
    QTest::newRow("slot test unanswered") << int(FaultyExchangeIo::OpProbe) << "MESSAGE.KVT" << 0;
    QTest::newRow("slot test fails") << int(FaultyExchangeIo::OpProbe) << "MESSAGE.KVT" << EACCES;
    QTest::newRow("slot read fails") << int(FaultyExchangeIo::OpRead) << "MESSAGE.KVT" << EIO;
    QTest::newRow("alarm text read fails") << int(FaultyExchangeIo::OpRead) << "MDAT12.KVT" << EIO;
    QTest::newRow("alarm text read unanswered") << int(FaultyExchangeIo::OpRead) << "MDAT12.KVT" << 0;
    QTest::newRow("share hangs") << 0 << QString() << 0;
}

void TestSaverDisplay::shareInTrouble()
{
    QFETCH(int, operations);
    QFETCH(QString, file);
    QFETCH(int, error);
    showFirstAlarm();
    // A new alarm's text is there, but the share does not let it be read: the last alarm stays as
    // it was, never its text on a new colour as if it were the new one; the clock goes on.
    f->putFile(QStringLiteral("MDAT12.KVT"), "Brand im Lager");
    if (operations == 0)
        f->share.hang();
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

QTEST_GUILESS_MAIN(TestSaverDisplay)
#include "tst_saver_display.moc"
