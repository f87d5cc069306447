#include "client/core/Company.h"
#include "client/forms/Alarmanzeige.h"
#include "pictures/AlarmLamp.h"
#include "tests/support/time/VirtualScheduler.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QTest>
#include <QWindow>

#include <memory>

using namespace telvor;

namespace {

const QColor kRed(255, 0, 0);
const QColor kWhite(255, 255, 255);

QScreen* screen()
{
    return QGuiApplication::primaryScreen();
}

/** Share of the pixels of image inside area that have exactly the colour c. */
double shareOf(const QImage& image, const QRect& area, const QColor& c)
{
    int hits = 0;
    int all = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x, ++all)
            if (image.pixelColor(x, y).rgb() == c.rgb())
                ++hits;
    return all ? static_cast<double>(hits) / all : 0.0;
}

/** Counts what the window asks of the window manager, and does it as Qt would. */
struct RecordingStacking final : WindowStacking {
    void raiseWithoutFocus(QWindow& window) override
    {
        ++raises;
        window.raise();
    }
    void activate(QWindow& window) override
    {
        ++activations;
        window.requestActivate();
    }
    bool fullScreenWindowActive() override { return otherFullScreen; }

    int raises = 0;
    int activations = 0;
    bool otherFullScreen = false;
};

/** Monitors as a test sets them; none, as on a screen that is one monitor, by default. */
struct FixedMonitors final : MonitorLayout {
    std::vector<QRect> monitors() override { return areas; }
    std::vector<QRect> areas;
};

} // namespace

class TestAlarmanzeige final : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void loadsCentredWithFixedWidthOnTop();
    void flashesWithOneSecondPeriod_data();
    void flashesWithOneSecondPeriod();
    void textSizeFollowsWidth_data();
    void textSizeFollowsWidth();
    void secondAlarmReplacesTextAndKeepsFlashing();
    void secondAlarmComesToTheTopAgain();
    void opensOnOneMonitorOfAJoinedScreen_data();
    void opensOnOneMonitorOfAJoinedScreen();
    void keyboardTakenOnArrivalAndOverFullScreen_data();
    void keyboardTakenOnArrivalAndOverFullScreen();
    void closingUnloadsAndNextAlarmResets();
    void closedInFullScreenReopensNormal();
    void textShownAsPlainLines_data();
    void textShownAsPlainLines();
    void longTextIsNeverCut_data();
    void longTextIsNeverCut();
    void switchToRedRestoresState_data();
    void switchToRedRestoresState();
    void lampIsVisibleOnRed();
    void lampDrawnOnTransparentGround_data();
    void lampDrawnOnTransparentGround();

private:
    Alarmanzeige& window() { return *m_window; }
    QLabel* label() { return m_window->findChild<QLabel*>(QStringLiteral("Label1")); }
    QColor cornerColour()
    {
        return m_window->grab().toImage().pixelColor(m_window->width() - 3, m_window->height() - 3);
    }

    std::unique_ptr<VirtualScheduler> m_scheduler;
    RecordingStacking m_stacking;
    FixedMonitors m_monitors;
    std::unique_ptr<Alarmanzeige> m_window;
    bool m_fullScreen = false;
};

void TestAlarmanzeige::init()
{
    m_fullScreen = false;
    m_scheduler = std::make_unique<VirtualScheduler>();
    m_stacking = RecordingStacking();
    m_monitors = FixedMonitors();
    m_window = std::make_unique<Alarmanzeige>(*m_scheduler, m_stacking, m_monitors);
}

void TestAlarmanzeige::cleanup()
{
    m_window.reset();
    m_scheduler.reset();
}

void TestAlarmanzeige::loadsCentredWithFixedWidthOnTop()
{
    QVERIFY(!window().isVisible());
    window().Alarm(QStringLiteral("Überfall Büro 3"), m_fullScreen);
    QVERIFY(QTest::qWaitForWindowExposed(&window()));

    QCOMPARE(window().windowTitle(), companyCaption);
    QVERIFY(window().windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(!window().windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    // 5500 twips at 15 twips per pixel; the designed client height is 2235 twips.
    QCOMPARE(window().size(), QSize(367, 149));
    // Fixed border: the user cannot resize it.
    QCOMPARE(window().minimumSize(), window().maximumSize());
    QVERIFY(!window().isMaximized());
    const QPoint offCentre = window().geometry().center() - screen()->availableGeometry().center();
    // The frame is not known before the first show: centred to within its width.
    QVERIFY2(offCentre.manhattanLength() <= 8,
             qPrintable(QStringLiteral("off by %1").arg(offCentre.manhattanLength())));
    QCOMPARE(label()->pos(), QPoint(80, 16));
    auto* image = window().findChild<QLabel*>(QStringLiteral("Image1"));
    QVERIFY(image);
    QCOMPARE(image->geometry(), QRect(8, 8, 65, 65));
    QCOMPARE(label()->palette().color(QPalette::WindowText), QColor(Qt::black));
}

void TestAlarmanzeige::flashesWithOneSecondPeriod_data()
{
    QTest::addColumn<bool>("fullScreen");
    QTest::newRow("normal") << false;
    QTest::newRow("full screen") << true;
}

void TestAlarmanzeige::flashesWithOneSecondPeriod()
{
    QFETCH(bool, fullScreen);
    m_fullScreen = fullScreen;
    window().Alarm(QStringLiteral("Alarm"), m_fullScreen);
    QVERIFY(QTest::qWaitForWindowExposed(&window()));

    // White until the first flash, then red and white every 500 ms, the window and its text alike.
    const QList<QColor> expected{kWhite, kRed, kWhite, kRed, kWhite, kRed};
    for (int step = 0; step < expected.size(); ++step) {
        if (step > 0)
            m_scheduler->advance(500);
        const QColor want = expected.at(step);
        QCOMPARE(cornerColour(), want);
        const QImage text = label()->grab().toImage();
        QVERIFY2(shareOf(text, text.rect(), want) > 0.5, qPrintable(QStringLiteral("step %1").arg(step)));
        QCOMPARE(window().isRed(), want == kRed);
    }
    // Nothing changes between the switches.
    m_scheduler->advance(499);
    QCOMPARE(cornerColour(), kRed);
    m_scheduler->advance(1);
    QCOMPARE(cornerColour(), kWhite);
}

void TestAlarmanzeige::textSizeFollowsWidth_data()
{
    QTest::addColumn<bool>("fullScreen");
    QTest::addColumn<qreal>("before");
    QTest::addColumn<qreal>("afterFlash");

    // Full screen: one point per 450 twips of screen width (a 1920-pixel screen gives 64 pt),
    // kept through the flashes.
    const qreal screenPoints = screen()->geometry().width() * 15 / 450.0;
    QTest::newRow("full screen") << true << screenPoints << screenPoints;
    // Normal: the load size until the first switch to red gives the size of the 5500-twip width.
    QTest::newRow("normal") << false << 11.25 << 5500 / 450.0;
}

void TestAlarmanzeige::textSizeFollowsWidth()
{
    QFETCH(bool, fullScreen);
    QFETCH(qreal, before);
    QFETCH(qreal, afterFlash);
    m_fullScreen = fullScreen;

    window().Alarm(QStringLiteral("Kasse 2"), m_fullScreen);
    QVERIFY(QTest::qWaitForWindowExposed(&window()));
    QCOMPARE(window().isMaximized(), fullScreen);
    QCOMPARE(label()->font().pointSizeF(), before);
    QCOMPARE(label()->font().family(), QStringLiteral("Arial"));
    m_scheduler->advance(500);
    QCOMPARE(label()->font().pointSizeF(), afterFlash);
    m_scheduler->advance(1500);
    QCOMPARE(label()->font().pointSizeF(), afterFlash);
    QCOMPARE(window().isMaximized(), fullScreen);
    // The text's box follows its size.
    QCOMPARE(label()->size(), label()->sizeHint());
}

void TestAlarmanzeige::secondAlarmReplacesTextAndKeepsFlashing()
{
    window().Alarm(QStringLiteral("Erster Alarm"), m_fullScreen);
    m_scheduler->advance(700); // red since 500
    QVERIFY(window().isRed());

    window().Alarm(QStringLiteral("Zweiter"), m_fullScreen);
    QCOMPARE(label()->text(), QStringLiteral("Zweiter"));
    QCOMPARE(label()->size(), label()->sizeHint());
    QVERIFY(window().isVisible());
    QVERIFY(window().isRed());
    // The flash goes on in its rhythm: the next switch is at 1000 ms, not 500 ms after this alarm.
    m_scheduler->advance(300);
    QVERIFY(!window().isRed());
    m_scheduler->advance(500);
    QVERIFY(window().isRed());
    QCOMPARE(window().windowTitle(), companyCaption);
}

void TestAlarmanzeige::secondAlarmComesToTheTopAgain()
{
    window().Alarm(QStringLiteral("Erster"), m_fullScreen);
    QVERIFY(QTest::qWaitForWindowExposed(&window()));
    QWidget other;
    other.setWindowTitle(QStringLiteral("Arbeit"));
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    window().showMinimized();

    window().Alarm(QStringLiteral("Zweiter"), m_fullScreen);
    QVERIFY(!window().isMinimized());
    QVERIFY(QTest::qWaitForWindowActive(&window()));
}

void TestAlarmanzeige::opensOnOneMonitorOfAJoinedScreen_data()
{
    QTest::addColumn<bool>("fullScreen");
    QTest::newRow("normal") << false;
    QTest::newRow("full screen") << true;
}

// Two monitors side by side that the window system shows as one screen: centred on that screen,
// the window would lie across the gap. It opens on the primary monitor, sized for that monitor.
void TestAlarmanzeige::opensOnOneMonitorOfAJoinedScreen()
{
    QFETCH(bool, fullScreen);
    const QRect whole = screen()->geometry();
    const QRect primary(whole.topLeft(), QSize(whole.width() / 2, whole.height()));
    m_monitors.areas = {primary, primary.translated(primary.width(), 0)};

    window().Alarm(QStringLiteral("Kasse 2"), fullScreen);
    QVERIFY(QTest::qWaitForWindowExposed(&window()));
    if (fullScreen) {
        QCOMPARE(label()->font().pointSizeF(), primary.width() * 15 / 450.0);
    } else {
        QVERIFY(primary.contains(window().frameGeometry()));
        const QPoint offCentre = window().geometry().center() - primary.center();
        QVERIFY2(offCentre.manhattanLength() <= 8, qPrintable(QString::number(offCentre.manhattanLength())));
    }
}

void TestAlarmanzeige::keyboardTakenOnArrivalAndOverFullScreen_data()
{
    QTest::addColumn<bool>("otherFullScreen");
    QTest::addColumn<int>("activationsAfterFourSwitches");
    // Someone types a mail while the alarm flashes: the keyboard stays with the mail.
    QTest::newRow("ordinary window active") << false << 1;
    // A presentation lies above the alarm while it has the keyboard: every switch takes it.
    QTest::newRow("full-screen program active") << true << 5;
}

void TestAlarmanzeige::keyboardTakenOnArrivalAndOverFullScreen()
{
    QFETCH(bool, otherFullScreen);
    QFETCH(int, activationsAfterFourSwitches);
    window().Alarm(QStringLiteral("Überfall"), m_fullScreen);
    QVERIFY(QTest::qWaitForWindowExposed(&window()));
    QCOMPARE(m_stacking.activations, 1);

    m_stacking.otherFullScreen = otherFullScreen;
    m_scheduler->advance(2000);
    QCOMPARE(m_stacking.activations, activationsAfterFourSwitches);
    // Back on top at each switch to red, without the keyboard.
    QCOMPARE(m_stacking.raises, 2);

    window().close();
    m_scheduler->advance(2000);
    QCOMPARE(m_stacking.activations, activationsAfterFourSwitches);
}

void TestAlarmanzeige::closingUnloadsAndNextAlarmResets()
{
    window().Alarm(QStringLiteral("Alarm 1"), m_fullScreen);
    QVERIFY(QTest::qWaitForWindowExposed(&window()));
    m_scheduler->advance(500);
    QVERIFY(window().isRed());
    window().setWindowTitle(QStringLiteral("verändert"));
    window().setFixedWidth(500);

    QVERIFY(window().close());
    QVERIFY(!window().isVisible());
    QVERIFY(!window().isLoaded());
    // The flashing stopped with the window: no timer of it is left running.
    QCOMPARE(m_scheduler->untilNextTick(), -1);
    m_scheduler->advance(5000);
    QVERIFY(!window().isVisible());

    window().Alarm(QStringLiteral("Alarm 2"), m_fullScreen);
    QVERIFY(QTest::qWaitForWindowExposed(&window()));
    QCOMPARE(window().windowTitle(), companyCaption);
    QCOMPARE(window().width(), 367);
    QCOMPARE(label()->text(), QStringLiteral("Alarm 2"));
    QCOMPARE(label()->font().pointSizeF(), 11.25);
    QCOMPARE(cornerColour(), kWhite);
    // A fresh start of the flashing: red a full 500 ms after the new load.
    m_scheduler->advance(499);
    QCOMPARE(cornerColour(), kWhite);
    m_scheduler->advance(1);
    QCOMPARE(cornerColour(), kRed);
}

void TestAlarmanzeige::closedInFullScreenReopensNormal()
{
    m_fullScreen = true;
    window().Alarm(QStringLiteral("Alarm"), m_fullScreen);
    QVERIFY(window().isMaximized());
    QVERIFY(window().close());

    m_fullScreen = false;
    window().Alarm(QStringLiteral("Alarm"), m_fullScreen);
    QVERIFY(QTest::qWaitForWindowExposed(&window()));
    QVERIFY(!window().isMaximized());
    QCOMPARE(window().size(), QSize(367, 149));
    QCOMPARE(label()->font().pointSizeF(), 11.25);
}

void TestAlarmanzeige::textShownAsPlainLines_data()
{
    QTest::addColumn<QString>("anztext");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("markup") << QStringLiteral("<b>Kasse</b> 2") << QStringList{QStringLiteral("<b>Kasse</b> 2")};
    QTest::newRow("html document") << QStringLiteral("<html><h1>x</h1>&amp;</html>")
                                   << QStringList{QStringLiteral("<html><h1>x</h1>&amp;</html>")};
    QTest::newRow("four CR lines") << QStringLiteral("Überfall\rBüro 3\rErdgeschoß\rFrau Müller")
                                   << QStringList{QStringLiteral("Überfall"), QStringLiteral("Büro 3"),
                                                  QStringLiteral("Erdgeschoß"), QStringLiteral("Frau Müller")};
    QTest::newRow("empty middle lines") << QStringLiteral("Raum 7\r\r\rHof")
                                        << QStringList{QStringLiteral("Raum 7"), QString(), QString(),
                                                       QStringLiteral("Hof")};
    QTest::newRow("CR LF") << QStringLiteral("Empfang\r\nTür")
                           << QStringList{QStringLiteral("Empfang"), QStringLiteral("Tür")};
    QTest::newRow("markup over lines") << QStringLiteral("<i>a\rb</i>")
                                       << QStringList{QStringLiteral("<i>a"), QStringLiteral("b</i>")};
}

void TestAlarmanzeige::textShownAsPlainLines()
{
    QFETCH(QString, anztext);
    QFETCH(QStringList, lines);

    window().Alarm(anztext, m_fullScreen);
    QVERIFY(QTest::qWaitForWindowExposed(&window()));
    m_scheduler->advance(500);

    QCOMPARE(label()->text().split(QLatin1Char('\n')), lines);
    // What is drawn: every line on its own, tags as written (rich text would be far narrower).
    const QFontMetrics fm(label()->font());
    int widest = 0;
    for (const QString& line : lines)
        widest = std::max(widest, fm.horizontalAdvance(line));
    QVERIFY2(label()->width() >= widest && label()->width() <= widest + 4,
             qPrintable(QStringLiteral("width %1, widest line %2").arg(label()->width()).arg(widest)));
    QVERIFY(label()->height() >= fm.height() * lines.size());
    QVERIFY(label()->height() < fm.lineSpacing() * (lines.size() + 1));
}

void TestAlarmanzeige::longTextIsNeverCut_data()
{
    QTest::addColumn<bool>("fullScreen");
    QTest::addColumn<QString>("anztext");
    QTest::addColumn<bool>("sizeKept");
    QTest::addColumn<bool>("grows"); // beyond the designed size

    const auto words = [](int n) { return QStringLiteral("Büro 3 ").repeated(n).trimmed(); };
    const auto lines = [](int n) { return QStringLiteral("Raum\r").repeated(n) + QStringLiteral("Ende"); };
    QTest::newRow("normal, short") << false << QStringLiteral("Kasse 2\rErdgeschoss") << true << false;
    // Normal state: the window grows for a line too long for its width...
    QTest::newRow("normal, long line") << false << words(8) << true << true;
    // ... up to the screen; beyond it the line is wrapped.
    QTest::newRow("normal, line wider than the screen") << false << words(40) << true << true;
    // A word that cannot be wrapped is made smaller instead.
    QTest::newRow("normal, endless word") << false << QStringLiteral("x").repeated(120) << false << true;
    QTest::newRow("normal, more lines than fit") << false << lines(40) << false << true;
    QTest::newRow("full screen, short") << true << QStringLiteral("Kasse 2") << true << true;
    QTest::newRow("full screen, line wider than the screen") << true << words(8) << true << true;
    QTest::newRow("full screen, more lines than fit") << true << lines(20) << false << true;
}

void TestAlarmanzeige::longTextIsNeverCut()
{
    QFETCH(bool, fullScreen);
    QFETCH(QString, anztext);
    QFETCH(bool, sizeKept);
    QFETCH(bool, grows);
    m_fullScreen = fullScreen;

    window().Alarm(anztext, m_fullScreen);
    m_scheduler->advance(500);
    QVERIFY(QTest::qWaitForWindowExposed(&window()));

    const qreal wanted = fullScreen ? screen()->geometry().width() * 15 / 450.0 : 5500 / 450.0;
    if (sizeKept)
        QCOMPARE(label()->font().pointSizeF(), wanted);
    else
        QVERIFY(label()->font().pointSizeF() < wanted);
    QVERIFY(label()->font().pointSizeF() >= 6.0);

    // All of the text fits into its box, and the box into the window.
    const QFontMetrics fm(label()->font());
    const QRect drawn =
        fm.boundingRect(QRect(0, 0, label()->width(), 100000), Qt::AlignLeft | Qt::TextWordWrap, label()->text());
    QVERIFY2(drawn.width() <= label()->width() && drawn.height() <= label()->height(),
             qPrintable(QStringLiteral("text needs %1x%2, has %3x%4")
                            .arg(drawn.width())
                            .arg(drawn.height())
                            .arg(label()->width())
                            .arg(label()->height())));
    QVERIFY2(window().rect().contains(label()->geometry()),
             qPrintable(QStringLiteral("text %1,%2 %3x%4 in window %5x%6")
                            .arg(label()->x())
                            .arg(label()->y())
                            .arg(label()->width())
                            .arg(label()->height())
                            .arg(window().width())
                            .arg(window().height())));
    QVERIFY(window().width() <= screen()->availableGeometry().width());
    QVERIFY(window().height() <= screen()->availableGeometry().height());
    QCOMPARE(window().size() != QSize(367, 149), grows);
    if (!fullScreen)
        QVERIFY(screen()->availableGeometry().contains(window().frameGeometry()));
}

void TestAlarmanzeige::switchToRedRestoresState_data()
{
    QTest::addColumn<bool>("fullScreen");
    QTest::newRow("normal") << false;
    QTest::newRow("full screen") << true;
}

void TestAlarmanzeige::switchToRedRestoresState()
{
    QFETCH(bool, fullScreen);
    m_fullScreen = fullScreen;
    window().Alarm(QStringLiteral("Alarm"), m_fullScreen);
    QVERIFY(QTest::qWaitForWindowExposed(&window()));

    window().showMinimized();
    m_scheduler->advance(500);
    QVERIFY(window().isRed());
    QVERIFY(!window().isMinimized());
    QCOMPARE(window().isMaximized(), fullScreen);

    // The next alarm brings the station's setting of that moment; the flashing keeps to it.
    m_fullScreen = !fullScreen;
    window().Alarm(QStringLiteral("Alarm"), m_fullScreen);
    m_scheduler->advance(500);
    m_scheduler->advance(500);
    QCOMPARE(window().isMaximized(), !fullScreen);
    if (fullScreen)
        QCOMPARE(window().size(), QSize(367, 149));
}

void TestAlarmanzeige::lampIsVisibleOnRed()
{
    window().Alarm(QStringLiteral("Alarm"), m_fullScreen);
    QVERIFY(QTest::qWaitForWindowExposed(&window()));
    auto* image = window().findChild<QLabel*>(QStringLiteral("Image1"));
    QVERIFY(image);

    for (const QColor& background : {kWhite, kRed}) {
        const QImage shot = window().grab().toImage();
        QCOMPARE(shot.pixelColor(window().width() - 3, window().height() - 3), background);
        // The lamp stands out from both phases of the flashing and leaves its corners open.
        QVERIFY(shareOf(shot, image->geometry(), background) < 0.7);
        QCOMPARE(shot.pixelColor(image->geometry().topLeft()), background);
        m_scheduler->advance(500);
    }
}

void TestAlarmanzeige::lampDrawnOnTransparentGround_data()
{
    QTest::addColumn<int>("side");
    QTest::addColumn<qreal>("ratio");
    QTest::newRow("tiny") << 16 << 1.0;
    QTest::newRow("alarm window") << 65 << 1.0;
    QTest::newRow("high density") << 65 << 2.0;
    QTest::newRow("large") << 256 << 1.0;
}

void TestAlarmanzeige::lampDrawnOnTransparentGround()
{
    QFETCH(int, side);
    QFETCH(qreal, ratio);
    const QPixmap lamp = alarmLamp(side, ratio);
    QCOMPARE(lamp.deviceIndependentSize().toSize(), QSize(side, side));
    const QImage image = lamp.toImage();
    QCOMPARE(image.size(), QSize(qRound(side * ratio), qRound(side * ratio)));

    int transparent = 0;
    int red = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() == 0)
                ++transparent;
            else if (c.alpha() == 255 && c.red() > 180 && c.green() < 90 && c.blue() < 90)
                ++red;
        }
    }
    const double all = image.width() * image.height();
    QCOMPARE(image.pixelColor(0, image.height() - 1).alpha(), 0);
    QCOMPARE(image.pixelColor(image.width() - 1, 0).alpha(), 0);
    QVERIFY2(transparent / all > 0.3, "the ground around the lamp is open");
    QVERIFY2(red / all > 0.05, "the dome is red");
}

QTEST_MAIN(TestAlarmanzeige)

#include "tst_Alarmanzeige.moc"
