#include "common/Numbers.h"

#include <QTest>

#include <clocale>
#include <cmath>
#include <limits>

using namespace telvor;

namespace {
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
} // namespace

class TestNumbers final : public QObject {
    Q_OBJECT

private slots:
    void leadingNumberReading_data() const
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected");
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("blanks only") << "   " << 0.0;
        QTest::newRow("leading blank and zeros") << " 007" << 7.0;
        QTest::newRow("blank between digits") << "1 2" << 12.0;
        QTest::newRow("tab and line feed between digits") << "\t1\n2" << 12.0;
        QTest::newRow("trailing letters") << "12ab" << 12.0;
        QTest::newRow("letters only") << "ab" << 0.0;
        QTest::newRow("sign alone") << "-" << 0.0;
        QTest::newRow("plus") << "+5" << 5.0;
        QTest::newRow("minus") << "-5" << -5.0;
        QTest::newRow("blank after sign") << " - 5" << -5.0;
        QTest::newRow("two signs") << "--1" << 0.0;
        QTest::newRow("mixed signs") << "+-1" << 0.0;
        QTest::newRow("minus after digits stops") << "1-2" << 1.0;
        QTest::newRow("point first") << ".5" << 0.5;
        QTest::newRow("negative point first") << "-.5" << -0.5;
        QTest::newRow("point alone") << "." << 0.0;
        QTest::newRow("point last") << "5." << 5.0;
        QTest::newRow("second point stops") << "1.2.3" << 1.2;
        QTest::newRow("comma stops") << "1,5" << 1.0;
        QTest::newRow("exponent without digits") << "1e" << 1.0;
        QTest::newRow("exponent sign without digits") << "1e+" << 1.0;
        QTest::newRow("exponent") << "1e3" << 1000.0;
        QTest::newRow("upper exponent") << "1E3" << 1000.0;
        QTest::newRow("D exponent") << "1d3" << 1000.0;
        QTest::newRow("negative D exponent") << "1D-1" << 0.1;
        QTest::newRow("negative exponent") << "1e-2" << 0.01;
        QTest::newRow("fraction and exponent") << "2.5e1" << 25.0;
        QTest::newRow("blank inside exponent") << "1e 3" << 1000.0;
        QTest::newRow("exponent then letters") << "1e3x" << 1000.0;
        QTest::newRow("exponent letter alone") << "e3" << 0.0;
        QTest::newRow("other digits are no digits") << QString::fromUtf8("١٢") << 0.0;
        QTest::newRow("full-width digits") << QString::fromUtf8("１２") << 0.0;
        QTest::newRow("huge exponent") << "1e400" << kInf;
        QTest::newRow("huge negative") << "-1e400" << -kInf;
        QTest::newRow("tiny") << "1e-400" << 0.0;
        QTest::newRow("many digits") << "000000000000000000000000000000042" << 42.0;
    }
    void leadingNumberReading() const
    {
        QFETCH(QString, text);
        QFETCH(double, expected);
        QCOMPARE(leadingNumber(text), expected);
    }

    void decimalPointIgnoresLocale() const
    {
        // Qt programs run with the user's C locale, whose decimal separator may be a comma.
        const QByteArray previous = std::setlocale(LC_NUMERIC, nullptr);
        bool german = false;
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE"})
            if (!german && std::setlocale(LC_NUMERIC, name))
                german = true;
        if (!german)
            QSKIP("no German locale installed on this machine");
        const double point = leadingNumber(QStringLiteral("2.5"));
        const double comma = leadingNumber(QStringLiteral("2,5"));
        std::setlocale(LC_NUMERIC, previous.constData());
        QCOMPARE(point, 2.5);
        QCOMPARE(comma, 2.0);
    }

    void roundingToInt16_data() const
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("fits");
        QTest::addColumn<int>("expected");
        QTest::newRow("2.5 to even") << 2.5 << true << 2;
        QTest::newRow("3.5 to even") << 3.5 << true << 4;
        QTest::newRow("-2.5 to even") << -2.5 << true << -2;
        QTest::newRow("-3.5 to even") << -3.5 << true << -4;
        QTest::newRow("0.5") << 0.5 << true << 0;
        QTest::newRow("-0.5") << -0.5 << true << 0;
        QTest::newRow("1.5") << 1.5 << true << 2;
        QTest::newRow("below half") << 2.4999 << true << 2;
        QTest::newRow("above half") << 2.5001 << true << 3;
        QTest::newRow("negative above half") << -2.6 << true << -3;
        QTest::newRow("top") << 32767.0 << true << 32767;
        QTest::newRow("top rounded down") << 32767.4 << true << 32767;
        QTest::newRow("top rounded up overflows") << 32767.5 << false << 0;
        QTest::newRow("32768") << 32768.0 << false << 0;
        QTest::newRow("bottom") << -32768.0 << true << -32768;
        QTest::newRow("bottom half to even") << -32768.5 << true << -32768;
        QTest::newRow("below bottom") << -32768.6 << false << 0;
        QTest::newRow("far out") << 1e300 << false << 0;
        QTest::newRow("infinity") << kInf << false << 0;
        QTest::newRow("minus infinity") << -kInf << false << 0;
        QTest::newRow("not a number") << kNaN << false << 0;
    }
    void roundingToInt16() const
    {
        QFETCH(double, value);
        QFETCH(bool, fits);
        QFETCH(int, expected);
        const std::optional<qint16> result = toInt16(value);
        QCOMPARE(result.has_value(), fits);
        if (fits)
            QCOMPARE(int(*result), expected);
    }

    void lenientInt16Reading_data() const
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("fits");
        QTest::addColumn<int>("expected");
        QTest::newRow("blank and zeros") << " 007" << true << 7;
        QTest::newRow("half to even down") << "12.5" << true << 12;
        QTest::newRow("half to even up") << "13.5" << true << 14;
        QTest::newRow("no number") << "abc" << true << 0;
        QTest::newRow("empty") << "" << true << 0;
        QTest::newRow("bottom") << " -32768" << true << -32768;
        QTest::newRow("too big") << "40000" << false << 0;
        QTest::newRow("huge exponent") << "1e400" << false << 0;
        QTest::newRow("exponent in range") << "1.2e2" << true << 120;
    }
    void lenientInt16Reading() const
    {
        QFETCH(QString, text);
        QFETCH(bool, fits);
        QFETCH(int, expected);
        const std::optional<qint16> result = lenientInt16(text);
        QCOMPARE(result.has_value(), fits);
        if (fits)
            QCOMPARE(int(*result), expected);
    }

    void signPosition_data() const
    {
        QTest::addColumn<qint64>("value");
        QTest::addColumn<QString>("printed");
        QTest::newRow("positive") << qint64(120) << " 120";
        QTest::newRow("zero") << qint64(0) << " 0";
        QTest::newRow("negative") << qint64(-5) << "-5";
        QTest::newRow("smallest") << std::numeric_limits<qint64>::min() << "-9223372036854775808";
        QTest::newRow("largest") << std::numeric_limits<qint64>::max() << " 9223372036854775807";
    }
    void signPosition() const
    {
        QFETCH(qint64, value);
        QFETCH(QString, printed);
        QCOMPARE(withSignPosition(value), printed);
    }

    void printedNumberReadsBack_data() const
    {
        QTest::addColumn<int>("value");
        for (int value : {-32768, -120, -1, 0, 1, 120, 2000, 32767})
            QTest::newRow(qPrintable(QString::number(value))) << value;
    }
    void printedNumberReadsBack() const
    {
        // A debounce time is stored with its sign position and read back leniently.
        QFETCH(int, value);
        QCOMPARE(lenientInt16(withSignPosition(value)), std::optional<qint16>(qint16(value)));
    }
};

QTEST_APPLESS_MAIN(TestNumbers)
#include "tst_numbers.moc"
