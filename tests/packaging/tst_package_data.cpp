// The files drawn and computed at build time for the package: the icon theme, painted by the code
// that draws the icon in the windows, and the alarm signal.

#include "pictures/AlarmLamp.h"
#include "platform/sound/ToneAnalysis.h"

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTest>

#include <sndfile.h>

#include <cmath>

using namespace telvor;

namespace {

QString buildShare()
{
    return qEnvironmentVariable("TELVOR_BIN_DIR") + QStringLiteral("/../share");
}

/** The share of pixels in which some channel differs by more than 32 of 255. */
double differingShare(const QImage& a, const QImage& b)
{
    int differing = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            if (std::abs(qRed(p) - qRed(q)) > 32 || std::abs(qGreen(p) - qGreen(q)) > 32 ||
                std::abs(qBlue(p) - qBlue(q)) > 32 || std::abs(qAlpha(p) - qAlpha(q)) > 32)
                ++differing;
        }
    }
    return double(differing) / (a.width() * a.height());
}

} // namespace

class TestPackageData final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pngIconsHaveTheSizesOfTheTheme()
    {
        for (const int side : {16, 22, 24, 32, 48, 64, 128, 256}) {
            const QImage icon(buildShare() + QStringLiteral("/icons/hicolor/%1x%1/apps/telvor.png").arg(side));
            QCOMPARE(icon.size(), QSize(side, side));
        }
    }

    /** The vector icon shows what the pixel icons show: at 256 px nearly every pixel agrees. */
    void svgIconDrawsTheLampOnItsSquare_data()
    {
        QTest::addColumn<int>("side");
        QTest::newRow("256") << 256;
        QTest::newRow("48") << 48;
    }
    void svgIconDrawsTheLampOnItsSquare()
    {
        QFETCH(int, side);
        QSvgRenderer svg(buildShare() + QStringLiteral("/icons/hicolor/scalable/apps/telvor.svg"));
        QVERIFY(svg.isValid());
        QImage drawn(side, side, QImage::Format_ARGB32);
        drawn.fill(Qt::transparent);
        QPainter painter(&drawn);
        svg.render(&painter);
        painter.end();
        const QImage expected = lampOnSquare(side).toImage().convertToFormat(QImage::Format_ARGB32);
        QVERIFY2(differingShare(drawn, expected) < 0.01, qPrintable(QString::number(differingShare(drawn, expected))));
    }

    /** Three rounds of a falling chime: six tones, high and low in turn, each a sixth of a second and more. */
    void signalIsAFallingChimeInThreeRounds()
    {
        const QByteArray path = QFile::encodeName(buildShare() + QStringLiteral("/telvor/alarm.wav"));
        SF_INFO info{};
        SNDFILE* file = sf_open(path.constData(), SFM_READ, &info);
        QVERIFY2(file, sf_strerror(nullptr));
        QCOMPARE(info.channels, 1);
        QCOMPARE(info.samplerate, test::kRecordRate);
        QCOMPARE(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
        test::Samples samples(static_cast<std::size_t>(info.frames));
        QCOMPARE(sf_read_short(file, samples.data(), info.frames), info.frames);
        sf_close(file);

        const std::vector<test::Burst> bursts = test::findBursts(samples);
        // Tones of one round follow each other without a gap: a round is one burst of two tones.
        QCOMPARE(bursts.size(), std::size_t(3));
        for (const test::Burst& round : bursts) {
            QVERIFY(round.ms() > 340 && round.ms() < 380);
            const std::int64_t middle = (round.begin + round.end) / 2;
            QVERIFY(std::abs(test::toneFrequency(samples, round.begin, middle) - 1320) < 10);
            QVERIFY(std::abs(test::toneFrequency(samples, middle, round.end) - 990) < 10);
        }
    }
};

QTEST_MAIN(TestPackageData)
#include "tst_package_data.moc"
