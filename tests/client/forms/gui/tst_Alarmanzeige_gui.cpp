// The alarm windows on a real X server with a window manager: what the window manager makes of
// their wishes (above all others, maximised, never left minimised, opened as an icon), read back
// with the X tools. Runs inside a desktop session; without DISPLAY every test is skipped.

#include "client/core/Company.h"
#include "client/forms/Alarmanzeige.h"
#include "client/forms/alarmgesendet.h"
#include "platform/X11WindowStacking.h"
#include "platform/XineramaMonitorLayout.h"
#include "tests/support/XTools.h"
#include "tests/support/time/VirtualScheduler.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace telvor;
using namespace telvor::test;

class TestAlarmanzeigeGui final : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void staysOnTopOfTheActiveWindow_data();
    void staysOnTopOfTheActiveWindow();
    void normalStateHasFixedSize();
    void fullScreenFillsTheScreen();
    void minimiseRequestDoesNotHideIt_data();
    void minimiseRequestDoesNotHideIt();
    void sentWindowOpensMinimised();
    void closingDoesNotEndTheClient();

private:
    WId alarmId() { return m_window->winId(); }

    std::unique_ptr<VirtualScheduler> m_scheduler;
    X11WindowStacking m_stacking;
    XineramaMonitorLayout m_monitors;
    std::unique_ptr<Alarmanzeige> m_window;
    bool m_fullScreen = false;
};

void TestAlarmanzeigeGui::initTestCase()
{
    if (const QString missing = test::missingDesktop(); !missing.isEmpty())
        QSKIP(qPrintable(missing));
}

void TestAlarmanzeigeGui::init()
{
    m_fullScreen = false;
    m_scheduler = std::make_unique<VirtualScheduler>();
    m_window = std::make_unique<Alarmanzeige>(*m_scheduler, m_stacking, m_monitors);
}

void TestAlarmanzeigeGui::cleanup()
{
    m_window.reset();
    m_scheduler.reset();
}

void TestAlarmanzeigeGui::staysOnTopOfTheActiveWindow_data()
{
    QTest::addColumn<bool>("otherFullScreen");
    QTest::addColumn<bool>("alarmFullScreen");
    QTest::newRow("window") << false << false;
    // A presentation: desktops put a focused full-screen window above "stay on top" windows.
    QTest::newRow("full-screen window") << true << false;
    QTest::newRow("both full screen") << true << true;
}

void TestAlarmanzeigeGui::staysOnTopOfTheActiveWindow()
{
    QFETCH(bool, otherFullScreen);
    QFETCH(bool, alarmFullScreen);
    m_fullScreen = alarmFullScreen;

    QWidget other;
    other.setWindowTitle(QStringLiteral("Präsentation"));
    other.resize(600, 400);
    if (otherFullScreen)
        other.showFullScreen();
    else
        other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    run(QStringLiteral("xdotool"), {QStringLiteral("windowactivate"), QStringLiteral("--sync"), hex(other.winId())});
    QTRY_COMPARE(activeWindow(), other.winId());

    // The alarm arrives: it comes on top of everything and takes the keyboard.
    m_window->Alarm(QStringLiteral("Überfall\rBüro 3"), m_fullScreen);
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QTRY_VERIFY(wmState(alarmId()).contains(QStringLiteral("_NET_WM_STATE_ABOVE")));
    QTRY_COMPARE(activeWindow(), alarmId());
    QTRY_COMPARE(stacking().value(stacking().size() - 1), alarmId());
    screenshot(
        QStringLiteral("alarm-arrives-%1.png").arg(QString::fromLatin1(QTest::currentDataTag()).replace(' ', '-')));

    // The person at the station goes back to their work. An ordinary window keeps the keyboard
    // while the alarm flashes; a full-screen one, which would lie above the alarm, loses it.
    run(QStringLiteral("xdotool"), {QStringLiteral("windowactivate"), QStringLiteral("--sync"), hex(other.winId())});
    QTRY_COMPARE(activeWindow(), other.winId());
    for (int flash = 0; flash < 4; ++flash) {
        m_scheduler->advance(500);
        QTest::qWait(150);
        if (!otherFullScreen)
            QCOMPARE(activeWindow(), other.winId());
    }
    QTRY_COMPARE(activeWindow(), otherFullScreen ? alarmId() : other.winId());
    QVERIFY(isViewable(alarmId()));
    QTRY_COMPARE(stacking().value(stacking().size() - 1), alarmId());
    screenshot(
        QStringLiteral("alarm-flashing-%1.png").arg(QString::fromLatin1(QTest::currentDataTag()).replace(' ', '-')));

    if (otherFullScreen) {
        QWidget third;
        third.setWindowTitle(QStringLiteral("Mail"));
        third.resize(300, 200);
        third.show();
        QVERIFY(QTest::qWaitForWindowExposed(&third));
        run(QStringLiteral("xdotool"),
            {QStringLiteral("windowactivate"), QStringLiteral("--sync"), hex(third.winId())});
        QTRY_COMPARE(activeWindow(), third.winId());
        m_scheduler->advance(1000);
        QTRY_COMPARE(stacking().value(stacking().size() - 1), alarmId());
        QCOMPARE(activeWindow(), third.winId());
    }
}

void TestAlarmanzeigeGui::normalStateHasFixedSize()
{
    m_window->Alarm(QStringLiteral("Überfall Kasse 2\rErdgeschoss\r\rFrau Müller"), m_fullScreen);
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    m_scheduler->advance(500);
    QTRY_COMPARE(xGeometry(alarmId()).size(), QSize(367, 149));
    const QString hints =
        run(QStringLiteral("xprop"), {QStringLiteral("-id"), hex(alarmId()), QStringLiteral("WM_NORMAL_HINTS")});
    QVERIFY2(hints.contains(QStringLiteral("minimum size: 367 by 149")), qPrintable(hints));
    QVERIFY2(hints.contains(QStringLiteral("maximum size: 367 by 149")), qPrintable(hints));
    QVERIFY(!wmState(alarmId()).contains(QStringLiteral("_NET_WM_STATE_MAXIMIZED_HORZ")));
    QCOMPARE(run(QStringLiteral("xdotool"), {QStringLiteral("getwindowname"), hex(alarmId())}).trimmed(),
             companyCaption);
    screenshot(QStringLiteral("alarm-normal-red.png"));
    m_scheduler->advance(500);
    screenshot(QStringLiteral("alarm-normal-white.png"));
}

void TestAlarmanzeigeGui::fullScreenFillsTheScreen()
{
    m_fullScreen = true;
    m_window->Alarm(QStringLiteral("Überfall Kasse 2\rErdgeschoss\r\rFrau Müller"), m_fullScreen);
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    const WId id = alarmId();
    QTRY_VERIFY(wmState(id).contains(QStringLiteral("_NET_WM_STATE_MAXIMIZED_VERT")));
    QTRY_VERIFY(wmState(id).contains(QStringLiteral("_NET_WM_STATE_MAXIMIZED_HORZ")));
    QVERIFY(wmState(id).contains(QStringLiteral("_NET_WM_STATE_ABOVE")));

    // The window manager keeps its title bar (and a thin border); the rest of the screen is the alarm.
    const QRect screen = m_window->screen()->geometry();
    QTRY_VERIFY2(xGeometry(id).width() >= screen.width() - 12,
                 qPrintable(QStringLiteral("width %1 of %2").arg(xGeometry(id).width()).arg(screen.width())));
    QTRY_VERIFY(xGeometry(id).height() >= screen.height() * 9 / 10);
    QVERIFY(screen.contains(xGeometry(id)));

    // Flashing keeps it so, and the text stays on the window.
    m_scheduler->advance(1000);
    QTest::qWait(200);
    QVERIFY(wmState(id).contains(QStringLiteral("_NET_WM_STATE_MAXIMIZED_HORZ")));
    auto* label = m_window->findChild<QLabel*>(QStringLiteral("Label1"));
    QVERIFY(m_window->rect().contains(label->geometry()));
    QCOMPARE(label->font().pointSizeF(), screen.width() * 15 / 450.0);
    screenshot(QStringLiteral("alarm-fullscreen-white.png"));
    m_scheduler->advance(500);
    screenshot(QStringLiteral("alarm-fullscreen-red.png"));
}

void TestAlarmanzeigeGui::minimiseRequestDoesNotHideIt_data()
{
    QTest::addColumn<bool>("fullScreen");
    QTest::newRow("normal") << false;
    QTest::newRow("full screen") << true;
}

void TestAlarmanzeigeGui::minimiseRequestDoesNotHideIt()
{
    QFETCH(bool, fullScreen);
    m_fullScreen = fullScreen;
    m_window->Alarm(QStringLiteral("Alarm"), m_fullScreen);
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    const WId id = alarmId();

    // The window offers no minimising; a window manager that minimises it anyway (show desktop)
    // sees it restored at the next switch to red.
    run(QStringLiteral("xdotool"), {QStringLiteral("windowminimize"), hex(id)});
    QTest::qWait(300);
    m_scheduler->advance(500);
    QTRY_VERIFY(isViewable(id));
    QTRY_VERIFY(!wmState(id).contains(QStringLiteral("_NET_WM_STATE_HIDDEN")));
    QTRY_COMPARE(stacking().value(stacking().size() - 1), id);
    QCOMPARE(wmState(id).contains(QStringLiteral("_NET_WM_STATE_MAXIMIZED_HORZ")), fullScreen);
}

void TestAlarmanzeigeGui::sentWindowOpensMinimised()
{
    alarmgesendet sent;
    sent.load();
    sent.einschalten();
    const WId id = sent.winId();
    // Mapped as an icon: in the task bar, not on the screen.
    QTRY_VERIFY(run(QStringLiteral("xprop"), {QStringLiteral("-id"), hex(id), QStringLiteral("WM_STATE")})
                    .contains(QStringLiteral("Iconic")));
    QVERIFY(!isViewable(id));
    QTRY_VERIFY(wmState(id).contains(QStringLiteral("_NET_WM_STATE_HIDDEN")));
    QCOMPARE(run(QStringLiteral("xdotool"), {QStringLiteral("getwindowname"), hex(id)}).trimmed(), companyCaption);
}

void TestAlarmanzeigeGui::closingDoesNotEndTheClient()
{
    // The client's other windows are hidden: the alarm is often its only visible window.
    m_window->Alarm(QStringLiteral("Alarm"), m_fullScreen);
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QTRY_COMPARE(activeWindow(), alarmId());

    // The user closes it through the window manager, which asks the program to close it.
    QProcess::startDetached(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("alt+F4")});
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [this] {
        if (!m_window->isVisible()) // runs after anything the close has queued, such as a quit
            QMetaObject::invokeMethod(
                qApp, [] { QCoreApplication::exit(7); }, Qt::QueuedConnection);
    });
    watch.start(50);
    QTimer::singleShot(10000, qApp, [] { QCoreApplication::exit(9); });
    QCOMPARE(QCoreApplication::exec(), 7);
    QVERIFY(!m_window->isLoaded());
}

TELVOR_GUI_TEST_MAIN(TestAlarmanzeigeGui)

#include "tst_Alarmanzeige_gui.moc"
