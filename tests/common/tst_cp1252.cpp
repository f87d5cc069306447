#include "common/Cp1252.h"

#include <QSet>
#include <QTest>

using namespace telvor;

class TestCp1252 final : public QObject {
    Q_OBJECT

private slots:
    void everyByteSurvivesARoundTrip() const
    {
        QByteArray all;
        for (int byte = 0; byte < 256; ++byte)
            all.append(char(byte));
        const QString text = decodeCp1252(all);
        QCOMPARE(text.size(), 256);
        QCOMPARE(encodeCp1252(text), all);
        // Distinct characters: two bytes never collapse into one, so no file is silently altered.
        QSet<char16_t> distinct;
        for (QChar c : text)
            distinct.insert(c.unicode());
        QCOMPARE(distinct.size(), 256);
    }

    void byteMeaning_data() const
    {
        QTest::addColumn<int>("byte");
        QTest::addColumn<int>("codePoint");
        QTest::newRow("euro") << 0x80 << 0x20AC;
        QTest::newRow("low double quote") << 0x84 << 0x201E;
        QTest::newRow("Y diaeresis") << 0x9F << 0x0178;
        QTest::newRow("a umlaut") << 0xE4 << 0x00E4;
        QTest::newRow("sharp s") << 0xDF << 0x00DF;
        QTest::newRow("no-break space") << 0xA0 << 0x00A0;
        // The five bytes the code page leaves unassigned must still come back as themselves.
        QTest::newRow("unassigned 81") << 0x81 << 0x0081;
        QTest::newRow("unassigned 8D") << 0x8D << 0x008D;
        QTest::newRow("unassigned 8F") << 0x8F << 0x008F;
        QTest::newRow("unassigned 90") << 0x90 << 0x0090;
        QTest::newRow("unassigned 9D") << 0x9D << 0x009D;
        QTest::newRow("carriage return") << 0x0D << 0x000D;
        QTest::newRow("nul") << 0x00 << 0x0000;
    }
    void byteMeaning() const
    {
        QFETCH(int, byte);
        QFETCH(int, codePoint);
        const QByteArray bytes(1, char(byte));
        QCOMPARE(decodeCp1252(bytes), QString(QChar(codePoint)));
        QCOMPARE(encodeCp1252(QString(QChar(codePoint))), bytes);
    }

    void germanSampleBothWays() const
    {
        const QString text = QString::fromUtf8("ä ö ü ß € „");
        const QByteArray bytes = QByteArray::fromHex("e420f620fc20df20802084");
        QCOMPARE(encodeCp1252(text), bytes);
        QCOMPARE(decodeCp1252(bytes), text);
    }

    void byteOrderMarkIsOrdinaryText() const
    {
        // EF BB BF at the start of a file are three characters here, not a marker to drop.
        QCOMPARE(decodeCp1252(QByteArray("\xEF\xBB\xBFX")), QString::fromUtf8("ï»¿X"));
    }

    void unencodableBecomesQuestionMark_data() const
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("snowman") << QString::fromUtf8("a☃b") << QByteArray("a?b");
        QTest::newRow("A macron") << QString::fromUtf8("Ā") << QByteArray("?");
        QTest::newRow("pair gives one mark") << QString::fromUtf8("x😀y") << QByteArray("x?y");
        QTest::newRow("lone high surrogate at end") << (QStringLiteral("q") + QChar(0xD800)) << QByteArray("q?");
        QTest::newRow("lone low surrogate") << (QChar(0xDC00) + QStringLiteral("z")) << QByteArray("?z");
        QTest::newRow("real SUB kept beside a mark")
            << (QChar(0x1A) + QString::fromUtf8("☃ä")) << QByteArray("\x1a?\xe4");
        QTest::newRow("several") << QString::fromUtf8("€☃„☃") << QByteArray("\x80?\x84?");
    }
    void unencodableBecomesQuestionMark() const
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(encodeCp1252(text), bytes);
    }
};

QTEST_APPLESS_MAIN(TestCp1252)
#include "tst_cp1252.moc"
