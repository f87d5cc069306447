// TELVOR.DAT as the client and the soft trigger read it and as a save writes it.

#include "common/TelvorDat.h"

#include <QTest>

using namespace telvor;

class TestTelvorDat final : public QObject {
    Q_OBJECT

private slots:
    void lines_data() const
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("present");
        QTest::addColumn<QString>("line3");
        QTest::newRow("six lines") << "[a]\r\n 0 \r\nx\r\ny\r\nz\r\n 1 \r\n" << 6 << "x";
        QTest::newRow("only the record, as the trigger accepts it") << "[a][b][c]" << 1 << "";
        QTest::newRow("empty lines are lines") << "[a]\r\n\r\n\r\n" << 3 << "";
        QTest::newRow("blanks and commas kept") << "[a]\r\n 0 \r\n , x ,\r\n" << 3 << " , x ,";
        QTest::newRow("empty file") << "" << 0 << "";
    }
    void lines() const
    {
        QFETCH(QString, text);
        QFETCH(int, present);
        QFETCH(QString, line3);
        const TelvorDatText file = readTelvorDat(text);
        for (int i = 0; i < kConfigLineCount; ++i)
            QCOMPARE(file.lines[i].has_value(), i < present);
        QCOMPARE(file.lines[2].value_or(QString()), line3);
    }

    void composeReadsBack()
    {
        TelvorDatValues values;
        values.fields = {"/mnt/alarm/", "1", "12", "kein", "", "Überfall [Kasse 3", "0", "0", " 120", "1"};
        values.buttonTestOff = 1;
        values.alarmText2 = QStringLiteral(" Erdgeschoss, links");
        values.alarmText4 = QStringLiteral("110");
        values.fullScreen = 0;
        const QString text = composeTelvorDat(values);
        QCOMPARE(text, QStringLiteral("[/mnt/alarm/][1][12][kein][][Überfall [Kasse 3][0][0][ 120][1]\r\n 1 \r\n"
                                      " Erdgeschoss, links\r\n\r\n110\r\n 0 \r\n"));
        const TelvorDatText file = readTelvorDat(text);
        QVERIFY(file.record.complete);
        QCOMPARE(file.record.fields, values.fields);
        QCOMPARE(file.lines[2], values.alarmText2);
        QCOMPARE(file.lines[5], QStringLiteral(" 0 "));
    }

    void stationId_data() const
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("id"); // "-" for none
        // clang-format off
        QTest::newRow("plain") << "12" << "12";
        QTest::newRow("blank and leading zeros") << " 007" << "7";
        QTest::newRow("no number") << "abc" << "0";
        QTest::newRow("half rounds to even") << "2.5" << "2";
        QTest::newRow("negative") << "-3" << "-3";
        QTest::newRow("highest") << "32767" << "32767";
        QTest::newRow("overflow") << "32768" << "-";
        QTest::newRow("rounds over the top") << "32767.5" << "-";
        // clang-format on
    }
    void stationId() const
    {
        QFETCH(QString, field);
        QFETCH(QString, id);
        const std::optional<QString> normalised = normalisedStationId(field);
        QCOMPARE(normalised.value_or(QStringLiteral("-")), id);
    }
};

QTEST_APPLESS_MAIN(TestTelvorDat)
#include "tst_telvordat.moc"
