#include "common/FileIo.h"

#include <QTest>

using namespace telvor;

class TestLineReader final : public QObject {
    Q_OBJECT

private slots:
    void lines_data() const
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("empty text has no line") << "" << QStringList{};
        QTest::newRow("no line end") << "a" << QStringList{"a"};
        QTest::newRow("CR LF closes the only line") << "a\r\n" << QStringList{"a"};
        QTest::newRow("empty second line") << "a\r\n\r\n" << QStringList{"a", ""};
        QTest::newRow("all three line ends") << "a\rb\nc\r\nd" << QStringList{"a", "b", "c", "d"};
        QTest::newRow("line end alone") << "\r\n" << QStringList{""};
        QTest::newRow("LF then CR are two ends") << "\n\r" << QStringList{"", ""};
        QTest::newRow("CR then CR LF") << "a\r\r\nb" << QStringList{"a", "", "b"};
        QTest::newRow("blanks kept") << " 1 \r\n zwei, drei \r\n" << QStringList{" 1 ", " zwei, drei "};
        QTest::newRow("configuration file")
            << "[/mnt/alarm/][1][7][][][a][0][0][ 120][1]\r\n 0 \r\nb\r\n\r\nd\r\n 1 \r\n"
            << QStringList{"[/mnt/alarm/][1][7][][][a][0][0][ 120][1]", " 0 ", "b", "", "d", " 1 "};
        QTest::newRow("lone CR at the end") << "a\r" << QStringList{"a"};
    }
    void lines() const
    {
        QFETCH(QString, text);
        QFETCH(QStringList, lines);
        LineReader reader(text);
        QStringList read;
        while (const std::optional<QString> line = reader.readLine())
            read.append(*line);
        QCOMPARE(read, lines);
        QVERIFY(reader.atEnd());
        QVERIFY(!reader.readLine().has_value());
    }
};

QTEST_APPLESS_MAIN(TestLineReader)
#include "tst_linereader.moc"
