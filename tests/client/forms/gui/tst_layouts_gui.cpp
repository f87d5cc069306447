// The client's windows as the X server shows them under a window manager: the client area of the
// layout, and every control on the screen where the layout puts it, looking as it draws itself.

#include "client/forms/alarmgesendet.h"
#include "client/forms/telvor.h"
#include "client/forms/telvorinfo.h"
#include "client/forms/telvorttest.h"
#include "tests/support/XTools.h"
#include "tests/support/time/VirtualScheduler.h"

#include <QApplication>
#include <QScreen>
#include <QTest>

#include <functional>
#include <memory>

using namespace telvor;
using namespace telvor::test;

namespace {

using Factory = std::function<std::unique_ptr<QWidget>(Scheduler&)>;

/** Share of pixels in which two images of one size differ. */
double differing(const QImage& a, const QImage& b)
{
    if (a.size() != b.size() || a.isNull())
        return 1.0;
    int differ = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            differ += a.pixel(x, y) != b.pixel(x, y);
    return double(differ) / (a.width() * a.height());
}

} // namespace

Q_DECLARE_METATYPE(Factory)

class TestLayoutsGui final : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void onTheScreen_data();
    void onTheScreen();
};

void TestLayoutsGui::initTestCase()
{
    if (const QString missing = missingDesktop(); !missing.isEmpty())
        QSKIP(qPrintable(missing));
}

void TestLayoutsGui::onTheScreen_data()
{
    QTest::addColumn<Factory>("make");
    QTest::addColumn<QSize>("clientArea"); // 15 twips to a pixel
    QTest::addColumn<int>("controls");     // shown directly on the window

    QTest::newRow("setup telvor") << Factory([](Scheduler&) { return std::make_unique<telvor::telvor>(); })
                                  << QSize(545, 568) << 31;
    QTest::newRow("info telvorinfo") << Factory([](Scheduler&) {
        auto info = std::make_unique<telvorinfo>();
        info->showInfo();
        return info;
    }) << QSize(362, 177) << 7;
    QTest::newRow("button test telvorttest") << Factory([](Scheduler& time) {
        auto test = std::make_unique<telvorttest>(time);
        test->load();
        return test;
    }) << QSize(355, 257) << 5;
    QTest::newRow("alarm sent alarmgesendet") << Factory([](Scheduler&) {
        auto sent = std::make_unique<alarmgesendet>();
        sent->load();
        sent->showNormal();
        return sent;
    }) << QSize(320, 120) << 3;
}

void TestLayoutsGui::onTheScreen()
{
    QFETCH(Factory, make);
    QFETCH(QSize, clientArea);
    QFETCH(int, controls);

    VirtualScheduler time;
    const std::unique_ptr<QWidget> window = make(time);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    // No blinking text cursor, so that the screen and the window's own drawing can be compared.
    window->activateWindow();
    if (QWidget* focus = QApplication::focusWidget())
        focus->clearFocus();
    QTest::qWait(300);
    // Where the X server has the client area, whatever Qt has heard of the window manager's moves.
    const QRect onScreen = xGeometry(window->winId());
    QCOMPARE(onScreen.size(), clientArea);
    screenshot(QStringLiteral("layout-%1.png").arg(window->objectName()));

    const QPoint origin = onScreen.topLeft();
    const QImage screen = QGuiApplication::primaryScreen()
                              ->grabWindow(0, origin.x(), origin.y(), clientArea.width(), clientArea.height())
                              .toImage();
    const QImage drawn = window->grab().toImage().convertToFormat(screen.format());
    int seen = 0;
    for (const QWidget* control : window->findChildren<QWidget*>()) {
        if (control->objectName().isEmpty() || !control->isVisible() || control->parentWidget() != window.get())
            continue;
        ++seen;
        const QRect place = control->geometry();
        QVERIFY2(QRect(QPoint(0, 0), clientArea).contains(place), qPrintable(control->objectName()));
        QVERIFY2(differing(screen.copy(place), drawn.copy(place)) < 0.01, qPrintable(control->objectName()));
    }
    QCOMPARE(seen, controls);
}

TELVOR_GUI_TEST_MAIN(TestLayoutsGui)
#include "tst_layouts_gui.moc"
