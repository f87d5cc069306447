// The tray icon in a real notification area (icewm's), used with the mouse through xdotool as a
// person does: the right button opens the menu, the left button and a double click do nothing,
// each entry does its job; the cut-off icon.

#include "client/forms/mnbar.h"
#include "client/forms/telvorinfo.h"
#include "tests/support/XTools.h"
#include "tests/support/fakes/NullInput.h"
#include "tests/support/time/VirtualScheduler.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTest>

#include <memory>
#include <utility>

using namespace telvor;
using namespace telvor::test;

namespace {

void xdotool(const QStringList& args)
{
    run(QStringLiteral("xdotool"), args);
}

void clickAt(QPoint global, const QString& button, int repeat = 1)
{
    xdotool({QStringLiteral("mousemove"), QString::number(global.x()), QString::number(global.y()),
             QStringLiteral("click"), QStringLiteral("--repeat"), QString::number(repeat), button});
}

QImage screenArea(const QRect& area)
{
    return QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
}

/** Share of the area's pixels close to colour (each channel within 40). */
double shareOf(const QImage& image, const QColor& colour)
{
    int near = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            near += std::abs(c.red() - colour.red()) <= 40 && std::abs(c.green() - colour.green()) <= 40 &&
                    std::abs(c.blue() - colour.blue()) <= 40;
        }
    return image.isNull() ? 0.0 : double(near) / (image.width() * image.height());
}

const QColor kOrangeRed(255, 69, 0);
const QColor kWarningYellow(255, 204, 0);

} // namespace

class TestMnbarGui final : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void rightButtonOpensTheMenu();
    void leftAndDoubleClickDoNothing_data();
    void leftAndDoubleClickDoNothing();
    void entriesChosenWithTheMouse_data();
    void entriesChosenWithTheMouse();
    void cutOffIconInTheNotificationArea();

private:
    QPoint iconCentre() const { return m_tray->icon()->geometry().center(); }
    QMenu* openMenu();

    struct Client final : test::NullInput {
        void setupRequested() override { calls << QStringLiteral("setup"); }
        void endProgram() override { calls << QStringLiteral("end"); }
        QStringList calls;
    };

    std::unique_ptr<VirtualScheduler> m_time;
    Client m_client;
    std::unique_ptr<mnbar> m_tray;
};

void TestMnbarGui::initTestCase()
{
    if (const QString missing = missingDesktop(); !missing.isEmpty())
        QSKIP(qPrintable(missing));
    QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 10000);
}

void TestMnbarGui::init()
{
    m_time = std::make_unique<VirtualScheduler>();
    m_client = Client();
    m_tray = std::make_unique<mnbar>(*m_time);
    m_tray->attach(&m_client);
    m_tray->load();
    // Until the notification area has taken it in, the icon stands at the screen's corner.
    QRect place;
    QTRY_VERIFY(std::exchange(place, m_tray->icon()->geometry()) == m_tray->icon()->geometry() && !place.isEmpty() &&
                place.topLeft() != QPoint(0, 0));
}

void TestMnbarGui::cleanup()
{
    if (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
    m_tray.reset();
    m_time.reset();
}

QMenu* TestMnbarGui::openMenu()
{
    clickAt(iconCentre(), QStringLiteral("3"));
    if (!QTest::qWaitFor([] { return QApplication::activePopupWidget() != nullptr; }))
        return nullptr;
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
}

void TestMnbarGui::rightButtonOpensTheMenu()
{
    QMenu* menu = openMenu();
    QCOMPARE(menu, m_tray->menu());
    QVERIFY(menu->isVisible());
    QCOMPARE(menu->actions().size(), 3);
    // It opens where the pointer is, at the icon.
    QVERIFY(menu->geometry().adjusted(-30, -30, 30, 30).contains(iconCentre()));
    screenshot(QStringLiteral("tray-menu.png"));
    xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
    QTRY_VERIFY(!menu->isVisible());
    QVERIFY(m_client.calls.isEmpty());
}

void TestMnbarGui::leftAndDoubleClickDoNothing_data()
{
    QTest::addColumn<int>("clicks");
    QTest::newRow("left click") << 1;
    QTest::newRow("double click") << 2;
}

void TestMnbarGui::leftAndDoubleClickDoNothing()
{
    QFETCH(int, clicks);
    clickAt(iconCentre(), QStringLiteral("1"), clicks);
    QTest::qWait(500);
    QVERIFY(!QApplication::activePopupWidget());
    QVERIFY(!m_tray->menu()->isVisible());
    QVERIFY(!m_tray->info());
    QVERIFY(m_client.calls.isEmpty());
}

void TestMnbarGui::entriesChosenWithTheMouse_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("call");
    QTest::newRow("Info") << "pinfo"
                          << "";
    QTest::newRow("Einstellung") << "peinstell"
                                 << "setup";
    QTest::newRow("Programm beenden") << "pbeend"
                                      << "end";
}

void TestMnbarGui::entriesChosenWithTheMouse()
{
    QFETCH(QString, entry);
    QFETCH(QString, call);

    QMenu* menu = openMenu();
    QVERIFY(menu);
    auto* action = menu->findChild<QAction*>(entry);
    QVERIFY(action);
    const QPoint at = menu->mapToGlobal(menu->actionGeometry(action).center());
    // Over the entry first, so that the menu sees the pointer arrive, then the click.
    xdotool({QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y())});
    QTest::qWait(200);
    clickAt(at, QStringLiteral("1"));
    QTRY_VERIFY(!menu->isVisible());
    if (call.isEmpty()) {
        QTRY_VERIFY(m_tray->info() && m_tray->info()->isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(m_tray->info()));
        QVERIFY(m_client.calls.isEmpty());
        return;
    }
    QTRY_COMPARE(m_client.calls, QStringList{call});
    // The icon is gone from the notification area before the client ends.
    QCOMPARE(m_tray->icon()->isVisible(), call != QLatin1String("end"));
}

void TestMnbarGui::cutOffIconInTheNotificationArea()
{
    const auto icon = [this] { return screenArea(m_tray->icon()->geometry()); };
    QTRY_VERIFY(shareOf(icon(), kOrangeRed) > 0.3);
    // The lamp's rays are yellow too, but only a few pixels of them.
    QVERIFY(shareOf(icon(), kWarningYellow) < 0.03);

    m_tray->setCutOff(true);
    QTRY_VERIFY(shareOf(icon(), kWarningYellow) > 0.05);
    QVERIFY(shareOf(icon(), kOrangeRed) < 0.01);
    screenshot(QStringLiteral("tray-cut-off.png"));

    m_tray->setCutOff(false);
    QTRY_VERIFY(shareOf(icon(), kOrangeRed) > 0.3);
    QVERIFY(shareOf(icon(), kWarningYellow) < 0.03);
}

TELVOR_GUI_TEST_MAIN(TestMnbarGui)
#include "tst_mnbar_gui.moc"
