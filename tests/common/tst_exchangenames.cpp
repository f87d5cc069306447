#include "common/ExchangeNames.h"

#include <QTest>

using namespace telvor;

class TestExchangeNames final : public QObject {
    Q_OBJECT

private slots:
    void alarmText_data() const
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("content");
        QTest::newRow("four empty lines are three CR") << QStringList(4, QString()) << "\r\r\r";
        QTest::newRow("four lines") << QStringList{"Überfall", "Kasse 3", "Erdgeschoss", "sofort 110"}
                                    << "Überfall\rKasse 3\rErdgeschoss\rsofort 110";
        QTest::newRow("blanks and commas kept") << QStringList{" a, b ", "", "  ", "d"} << " a, b \r\r  \rd";
        QTest::newRow("only the last line") << QStringList{"", "", "", "x"} << "\r\r\rx";
    }
    void alarmText() const
    {
        QFETCH(QStringList, lines);
        QFETCH(QString, content);
        QCOMPARE(alarmTextContent(lines.at(0), lines.at(1), lines.at(2), lines.at(3)), content);
    }
};

QTEST_APPLESS_MAIN(TestExchangeNames)
#include "tst_exchangenames.moc"
