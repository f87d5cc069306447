// The rules by which the screen saver reads its settings: the interval number as the settings
// window checks it (in the user's locale), the interval a timer runs with, and the clock's format.

#include "screensaver/core/ClockFormat.h"
#include "screensaver/core/LocaleNumber.h"
#include "screensaver/core/SaverSettings.h"

#include <QTest>

#include <cmath>

using namespace telvor;

namespace {

const QLocale kGerman(QLocale::German, QLocale::Germany);
const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);

} // namespace

class TestSettingsRules final : public QObject {
    Q_OBJECT
private slots:
    void number_data();
    void number();
    void interval_data();
    void interval();
    void clock_data();
    void clock();
};

void TestSettingsRules::number_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("isNumber");
    QTest::addColumn<double>("value");

    QTest::newRow("de whole") << kGerman << "1000" << true << 1000.0;
    QTest::newRow("de decimal comma") << kGerman << "1500,5" << true << 1500.5;
    QTest::newRow("de groups and decimals") << kGerman << "1.500,25" << true << 1500.25;
    QTest::newRow("de decimal point is a group") << kGerman << "1500.5" << true << 15005.0;
    QTest::newRow("de blanks around and a sign") << kGerman << "  -20 " << true << -20.0;
    QTest::newRow("de exponent") << kGerman << "1,5E3" << true << 1500.0;
    QTest::newRow("de exponent with sign") << kGerman << "25e-1" << true << 2.5;
    QTest::newRow("de leading decimal comma") << kGerman << ",5" << true << 0.5;
    QTest::newRow("de empty") << kGerman << "" << false << 0.0;
    QTest::newRow("de blanks only") << kGerman << "   " << false << 0.0;
    QTest::newRow("de letters") << kGerman << "abc" << false << 0.0;
    QTest::newRow("de letters behind digits") << kGerman << "100ms" << false << 0.0;
    QTest::newRow("de blank inside") << kGerman << "1 000" << false << 0.0;
    QTest::newRow("de two decimal commas") << kGerman << "1,5,5" << false << 0.0;
    QTest::newRow("de group without digits behind") << kGerman << "1500." << false << 0.0;
    QTest::newRow("de exponent without digits") << kGerman << "15E" << false << 0.0;
    QTest::newRow("de sign alone") << kGerman << "-" << false << 0.0;
    QTest::newRow("en decimal point") << kEnglish << "1500.5" << true << 1500.5;
    QTest::newRow("en comma is a group") << kEnglish << "1,500" << true << 1500.0;
    QTest::newRow("en exponent and decimals") << kEnglish << "2.5E2" << true << 250.0;
}

void TestSettingsRules::number()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    QFETCH(bool, isNumber);
    QFETCH(double, value);

    const std::optional<double> read = localeNumber(text, locale);
    QCOMPARE(read.has_value(), isNumber);
    if (isNumber)
        QCOMPARE(*read, value);
}

void TestSettingsRules::interval_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("intervalMs");

    QTest::newRow("as written by the client") << "1000" << 1000;
    QTest::newRow("fraction goes down") << "1500,5" << 1500;
    QTest::newRow("zero: no refresh") << "0" << 0;
    QTest::newRow("below one: no refresh") << "0,9" << 0;
    QTest::newRow("not a number") << "schnell" << 1000;
    QTest::newRow("empty") << "" << 1000;
    QTest::newRow("negative") << "-500" << 1000;
    QTest::newRow("small negative fraction") << "-0,5" << 1000;
    QTest::newRow("largest a timer takes") << "2147483647" << 2147483647;
    QTest::newRow("beyond a timer") << "2147483648" << 1000;
    QTest::newRow("beyond a double") << "1E400" << 1000;
}

void TestSettingsRules::interval()
{
    QFETCH(QString, stored);
    QFETCH(int, intervalMs);
    QCOMPARE(refreshIntervalMs(stored, kGerman), intervalMs);
}

void TestSettingsRules::clock_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("shown");

    QTest::newRow("German") << kGerman << "14:05:09";
    QTest::newRow("US English") << kEnglish << "2:05:09 PM";
    QTest::newRow("C") << QLocale::c() << "14:05:09";
}

void TestSettingsRules::clock()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, shown);
    // Hours, minutes and seconds, and never a time zone.
    QCOMPARE(locale.toString(QTime(14, 5, 9), clockFormat(locale)), shown);
}

QTEST_APPLESS_MAIN(TestSettingsRules)
#include "tst_saver_settingsrules.moc"
