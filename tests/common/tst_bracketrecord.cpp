#include "common/BracketRecord.h"

#include <QTest>

using namespace telvor;

class TestBracketRecord final : public QObject {
    Q_OBJECT

private slots:
    void reading_data() const
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("fieldCount");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<bool>("complete");
        QTest::addColumn<bool>("negativeFirst");

        QTest::newRow("ten fields with the following lines")
            << "[/mnt/alarm/][1][ 007][kein][][Kasse 3][0][1][ 120][1]\r\n 0 \r\nzwei\r\ndrei\r\nvier\r\n 1 \r\n"
            << 10 << QStringList{"/mnt/alarm/", "1", " 007", "kein", "", "Kasse 3", "0", "1", " 120", "1"} << true
            << false;
        QTest::newRow("first three of more")
            << "[X:\\alarm\\][1][17][x][y]" << 3 << QStringList{"X:\\alarm\\", "1", "17"} << true << false;
        QTest::newRow("empty station field")
            << "[X:\\alarm\\][1][]" << 3 << QStringList{"X:\\alarm\\", "1", ""} << true << false;
        QTest::newRow("closing bracket in a value shifts the rest")
            << "[a]b][c][d]" << 4 << QStringList{"a", "", "c", "d"} << true << false;
        QTest::newRow("fewer fields than asked") << "[a][b][c]\r\n 0 \r\n"
                                                 << 10 << QStringList{"a", "b", "c"} << false << false;
        QTest::newRow("opening brackets replaced") << "Xa]Yb]Zc]" << 3 << QStringList{"a", "b", "c"} << true << false;
        QTest::newRow("first character is never looked at") << "x]" << 1 << QStringList{""} << true << false;
        QTest::newRow("leading closing bracket") << "]a][b]" << 2 << QStringList{} << false << true;
        QTest::newRow("empty record, one field") << "[]" << 1 << QStringList{""} << true << false;
        QTest::newRow("empty record, two fields") << "[]" << 2 << QStringList{""} << false << false;
        QTest::newRow("empty text") << "" << 10 << QStringList{} << false << false;
        QTest::newRow("opening bracket only") << "[" << 1 << QStringList{} << false << false;
        QTest::newRow("first field never closed") << "[/mnt/alarm/\r\n 0 \r\n" << 10 << QStringList{} << false << false;
        QTest::newRow("field closed on a later line") << "[a\r\nb][c]\r\n"
                                                      << 2 << QStringList{"a\r\nb", "c"} << true << false;
        QTest::newRow("record continues across the line end")
            << "[a]\r\n[b]" << 2 << QStringList{"a", "\n[b"} << true << false;
        QTest::newRow("opening bracket inside a value") << "[a[b][c]" << 2 << QStringList{"a[b", "c"} << true << false;
        QTest::newRow("text ends right after a closing bracket") << "[a]" << 2 << QStringList{"a"} << false << false;
        QTest::newRow("text ends on the skipped character") << "[a][" << 2 << QStringList{"a"} << false << false;
        QTest::newRow("last field never closed") << "[a][b" << 2 << QStringList{"a"} << false << false;
        QTest::newRow("umlauts and blanks kept")
            << QString::fromUtf8("[ Käse, Brot ][€]") << 2
            << QStringList{QString::fromUtf8(" Käse, Brot "), QString::fromUtf8("€")} << true << false;
    }
    void reading() const
    {
        QFETCH(QString, text);
        QFETCH(int, fieldCount);
        QFETCH(QStringList, fields);
        QFETCH(bool, complete);
        QFETCH(bool, negativeFirst);
        const BracketRecord record = readBracketRecord(text, fieldCount);
        QCOMPARE(record.fields, fields);
        QCOMPARE(record.complete, complete);
        QCOMPARE(record.negativeFirst, negativeFirst);
    }

    void joining() const
    {
        QCOMPARE(joinBracketRecord({"X:\\alarm\\", "1", "17"}), QStringLiteral("[X:\\alarm\\][1][17]"));
        QCOMPARE(joinBracketRecord({""}), QStringLiteral("[]"));
    }

    void joinedRecordReadsBack_data() const
    {
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("a whole configuration")
            << QStringList{"/mnt/alarm/", "1", "12", "", "", "Filiale Nord", "0", "0", " 120", "1"};
        QTest::newRow("all empty") << QStringList(10, QString());
        QTest::newRow("opening brackets and blanks") << QStringList{"[", " [x ", "a[b[c", "  "};
        QTest::newRow("line ends inside") << QStringList{"a\r\nb", "\r", "\n"};
    }
    void joinedRecordReadsBack() const
    {
        QFETCH(QStringList, fields);
        const BracketRecord record = readBracketRecord(joinBracketRecord(fields), int(fields.size()));
        QVERIFY(record.complete);
        QCOMPARE(record.fields, fields);
    }
};

QTEST_APPLESS_MAIN(TestBracketRecord)
#include "tst_bracketrecord.moc"
