// The tray form and the info window without a desktop: the menu, what its entries do, the look
// for a notification area that comes late, the cut-off icon, and the info window's layout.

#include "client/core/Company.h"
#include "client/forms/mnbar.h"
#include "client/forms/telvorinfo.h"
#include "tests/support/TwipsOracle.h"
#include "tests/support/fakes/FakeStatusNotifier.h"
#include "tests/support/fakes/NullInput.h"
#include "tests/support/time/VirtualScheduler.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTest>

#include <memory>

using namespace telvor;
using test::fromTwips;

namespace {

QImage iconImage(const QSystemTrayIcon& icon)
{
    return icon.icon().pixmap(QSize(22, 22)).toImage();
}

} // namespace

class TestMnbar final : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void menuEntries();
    void lateTray_data();
    void lateTray();
    void einstellungAsksForTheSetup();
    void programmBeendenRemovesTheIconFirst();
    void cutOffIconAndToolTip();

    void lateBusTray_data();
    void lateBusTray();
    void busMenuEntries_data();
    void busMenuEntries();
    void busMenuFollowsTheMenu();

    void infoShowsOneWindow();
    void infoLayout_data();
    void infoLayout();

private:
    struct Client final : test::NullInput {
        void setupRequested() override { ++setups; }
        void endProgram() override
        {
            ++ends;
            iconShownAtEnd = tray->icon()->isVisible();
            busOfferedAtEnd = bus && bus->offered;
        }
        void trayUnavailable() override { ++missingReports; }
        mnbar* tray = nullptr;
        test::FakeStatusNotifier* bus = nullptr;
        int setups = 0;
        int ends = 0;
        int missingReports = 0;
        bool iconShownAtEnd = true;
        bool busOfferedAtEnd = true;
    };

    void makeTray(std::function<bool()> available, StatusNotifier* notifier = nullptr);

    std::unique_ptr<VirtualScheduler> m_time;
    std::unique_ptr<test::FakeStatusNotifier> m_bus;
    Client m_client;
    bool m_trayThere = true;
    std::unique_ptr<mnbar> m_tray;
};

void TestMnbar::init()
{
    m_time = std::make_unique<VirtualScheduler>();
    m_client = Client();
    m_trayThere = true;
    makeTray([this] { return m_trayThere; });
}

void TestMnbar::cleanup()
{
    m_tray.reset();
    m_bus.reset();
    m_time.reset();
}

void TestMnbar::makeTray(std::function<bool()> available, StatusNotifier* notifier)
{
    m_tray = std::make_unique<mnbar>(*m_time, std::move(available), notifier);
    m_client.tray = m_tray.get();
    m_tray->attach(&m_client);
}

void TestMnbar::menuEntries()
{
    m_tray->load();
    QCOMPARE(m_tray->windowTitle(), companyCaption);
    QVERIFY(!m_tray->isVisible());
    QCOMPARE(m_tray->icon()->toolTip(), QStringLiteral("Quorvel"));
    QCOMPARE(m_tray->icon()->contextMenu(), m_tray->menu());
    QStringList entries;
    for (const QAction* action : m_tray->menu()->actions())
        entries << action->objectName() + QLatin1Char('=') + action->text();
    QCOMPARE(entries, (QStringList{QStringLiteral("pinfo=Info"), QStringLiteral("peinstell=Einstellung"),
                                   QStringLiteral("pbeend=Programm beenden")}));
}

void TestMnbar::lateTray_data()
{
    QTest::addColumn<int>("appearsAtMs"); // -1: never
    QTest::addColumn<int>("shownAtMs");
    QTest::addColumn<int>("reports");

    QTest::newRow("there at the start") << 0 << 0 << 0;
    QTest::newRow("panel after 9 s") << 9000 << 10000 << 0;
    QTest::newRow("panel just within the minute") << 59500 << 60000 << 0;
    QTest::newRow("panel after two minutes") << 120000 << 120000 << 1;
    QTest::newRow("never") << -1 << -1 << 1;
}

void TestMnbar::lateTray()
{
    QFETCH(int, appearsAtMs);
    QFETCH(int, shownAtMs);
    QFETCH(int, reports);

    makeTray([&] { return appearsAtMs >= 0 && m_time->now() >= appearsAtMs; });
    m_tray->load();
    for (qint64 ms = 0; ms <= 300000; ms += 500) {
        if (ms > m_time->now())
            m_time->advance(ms - m_time->now());
        QCOMPARE(m_tray->icon()->isVisible(), shownAtMs >= 0 && ms >= shownAtMs);
        // One report, made when the minute is over, never before.
        QCOMPARE(m_client.missingReports, ms >= 60000 ? reports : 0);
    }
}

void TestMnbar::einstellungAsksForTheSetup()
{
    m_tray->load();
    m_tray->peinstell->trigger();
    m_tray->peinstell->trigger();
    QCOMPARE(m_client.setups, 2);
    QCOMPARE(m_client.ends, 0);
    QVERIFY(!m_tray->info());
}

void TestMnbar::programmBeendenRemovesTheIconFirst()
{
    m_tray->load();
    QVERIFY(m_tray->icon()->isVisible());
    m_tray->pbeend->trigger();
    QCOMPARE(m_client.ends, 1);
    QVERIFY(!m_client.iconShownAtEnd);
}

void TestMnbar::cutOffIconAndToolTip()
{
    m_tray->load();
    const QImage normal = iconImage(*m_tray->icon());
    m_tray->setCutOff(true);
    QCOMPARE(m_tray->icon()->toolTip(), QStringLiteral("Quorvel - Austauschverzeichnis nicht erreichbar"));
    QVERIFY(iconImage(*m_tray->icon()) != normal);
    m_tray->setCutOff(false);
    QCOMPARE(m_tray->icon()->toolTip(), QStringLiteral("Quorvel"));
    QCOMPARE(iconImage(*m_tray->icon()), normal);
}

void TestMnbar::lateBusTray_data()
{
    // A notification area on the message bus is there from its first to its second time, and
    // again from its third (a panel that restarts); a docking tray from its own time; -1: never.
    QTest::addColumn<QList<int>>("busTimes");
    QTest::addColumn<int>("dockingAtMs");
    QTest::addColumn<QString>("iconAtEnd"); // "docked", "bus" or "none"
    QTest::addColumn<int>("reports");

    const QList<int> never{-1, -1, -1};
    QTest::newRow("bus area after 9 s") << QList<int>{9000, -1, -1} << -1 << "bus" << 0;
    QTest::newRow("bus area after two minutes") << QList<int>{120000, -1, -1} << -1 << "bus" << 1;
    QTest::newRow("docking tray after the bus area") << QList<int>{9000, -1, -1} << 20000 << "bus" << 0;
    QTest::newRow("bus area after the docking tray") << QList<int>{20000, -1, -1} << 9000 << "docked" << 0;
    QTest::newRow("bus area restarts") << QList<int>{9000, 30000, 33000} << -1 << "bus" << 0;
    QTest::newRow("bus area away for two minutes") << QList<int>{9000, 30000, 150000} << -1 << "bus" << 0;
    QTest::newRow("bus area goes, docking tray comes") << QList<int>{9000, 30000, -1} << 40000 << "docked" << 0;
    QTest::newRow("neither") << never << -1 << "none" << 1;
}

void TestMnbar::lateBusTray()
{
    QFETCH(QList<int>, busTimes);
    QFETCH(int, dockingAtMs);
    QFETCH(QString, iconAtEnd);
    QFETCH(int, reports);

    const auto reached = [this](int ms) { return ms >= 0 && m_time->now() >= ms; };
    const auto busThere = [&] { return reached(busTimes[0]) && (!reached(busTimes[1]) || reached(busTimes[2])); };
    m_bus = std::make_unique<test::FakeStatusNotifier>();
    makeTray([&] { return reached(dockingAtMs); }, m_bus.get());
    m_tray->load();
    for (qint64 ms = 0; ms <= 180000; ms += 500) {
        if (ms > m_time->now())
            m_time->advance(ms - m_time->now());
        // The area takes what is offered as soon as both are there.
        if (m_bus->offered && m_bus->placed != busThere())
            m_bus->place(busThere());
        QVERIFY2(!(m_bus->placed && m_tray->icon()->isVisible()), "two icons");
        QCOMPARE(m_client.missingReports, ms >= 60000 ? reports : 0);
    }
    QCOMPARE(m_tray->icon()->isVisible(), iconAtEnd == QLatin1String("docked"));
    QCOMPARE(m_bus->placed, iconAtEnd == QLatin1String("bus"));
    // A docked icon leaves the bus; one that is on neither stays offered there.
    QCOMPARE(m_bus->offered, iconAtEnd != QLatin1String("docked"));
}

void TestMnbar::busMenuEntries_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("disabled");
    QTest::addColumn<QString>("effect");

    QTest::newRow("Info") << 0 << false << "info";
    QTest::newRow("Einstellung") << 1 << false << "setup";
    QTest::newRow("Programm beenden") << 2 << false << "end";
    QTest::newRow("a disabled entry") << 1 << true << "";
    QTest::newRow("no such entry") << 3 << false << "";
}

void TestMnbar::busMenuEntries()
{
    QFETCH(int, index);
    QFETCH(bool, disabled);
    QFETCH(QString, effect);

    m_bus = std::make_unique<test::FakeStatusNotifier>();
    m_client.bus = m_bus.get();
    makeTray([] { return false; }, m_bus.get());
    m_tray->load();
    m_bus->place(true);
    m_tray->peinstell->setEnabled(!disabled);
    emit m_bus->entryChosen(index);
    QCOMPARE(m_tray->info() && m_tray->info()->isVisible(), effect == QLatin1String("info"));
    QCOMPARE(m_client.setups, effect == QLatin1String("setup") ? 1 : 0);
    QCOMPARE(m_client.ends, effect == QLatin1String("end") ? 1 : 0);
    // The icon left the bus before the client ended.
    QCOMPARE(m_bus->offered, effect != QLatin1String("end"));
    QCOMPARE(m_client.busOfferedAtEnd, effect != QLatin1String("end"));
}

void TestMnbar::busMenuFollowsTheMenu()
{
    m_bus = std::make_unique<test::FakeStatusNotifier>();
    makeTray([] { return false; }, m_bus.get());
    const auto labels = [this] {
        QStringList out;
        for (const NotifierMenuEntry& entry : m_bus->entries)
            out << entry.label + (entry.enabled ? QString() : QStringLiteral(" (disabled)"));
        return out;
    };
    QCOMPARE(labels(), (QStringList{"Info", "Einstellung", "Programm beenden"}));
    QCOMPARE(m_bus->toolTip, QStringLiteral("Quorvel"));

    m_tray->pinfo->setText(QStringLiteral("Über"));
    m_tray->peinstell->setEnabled(false);
    QAction* extra = m_tray->menu()->addAction(QStringLiteral("Neu"));
    QCOMPARE(labels(), (QStringList{"Über", "Einstellung (disabled)", "Programm beenden", "Neu"}));
    m_tray->menu()->removeAction(extra);
    QCOMPARE(labels(), (QStringList{"Über", "Einstellung (disabled)", "Programm beenden"}));

    const QList<NotifierPixmap> normal = m_bus->pictures;
    QVERIFY(!normal.isEmpty());
    m_tray->setCutOff(true);
    QCOMPARE(m_bus->toolTip, QStringLiteral("Quorvel - Austauschverzeichnis nicht erreichbar"));
    QVERIFY(m_bus->pictures != normal);
    m_tray->setCutOff(false);
    QCOMPARE(m_bus->toolTip, QStringLiteral("Quorvel"));
    QCOMPARE(m_bus->pictures, normal);

    // A notification area that cannot show menus has the menu open where it asks.
    emit m_bus->menuRequested(QPoint(300, 200));
    QTRY_VERIFY(m_tray->menu()->isVisible());
    QVERIFY(m_tray->menu()->geometry().contains(QPoint(301, 201)));
    m_tray->menu()->close();
}

void TestMnbar::infoShowsOneWindow()
{
    m_tray->load();
    m_tray->pinfo->trigger();
    telvorinfo* info = m_tray->info();
    QVERIFY(info);
    QVERIFY(info->isVisible());
    QCOMPARE(info->windowTitle(), companyCaption);
    QCOMPARE(info->Label1->text(), QStringLiteral("Orska KVT GmbH"));

    m_tray->pinfo->trigger();
    QCOMPARE(m_tray->info(), info);
    int infoWindows = 0;
    for (const QWidget* w : QApplication::topLevelWidgets())
        infoWindows += w->objectName() == QLatin1String("telvorinfo") ? 1 : 0;
    QCOMPARE(infoWindows, 1);

    QTest::mouseClick(info->Command1, Qt::LeftButton);
    QVERIFY(!info->isVisible());
    QCOMPARE(m_client.ends, 0);
    m_tray->pinfo->trigger();
    QVERIFY(info->isVisible());
    QCOMPARE(info->Label1->text(), QStringLiteral("Orska KVT GmbH"));
}

void TestMnbar::infoLayout_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<qreal>("points"); // 0: the window's own font
    QTest::addColumn<bool>("bold");
    QTest::addColumn<bool>("italic");
    QTest::addColumn<QColor>("colour");

    const QColor black(Qt::black);
    const QColor darkRed(192, 0, 0);
    QTest::newRow("Label1") << "Label1"
                            << "Orska KVT GmbH" << fromTwips(1920, 360, 2535, 255) << 11.25 << true << false << black;
    QTest::newRow("Label2") << "Label2"
                            << "Quorvel" << fromTwips(1920, 720, 3135, 495) << 18.0 << true << true << darkRed;
    QTest::newRow("Label3") << "Label3"
                            << "Version : 3.7.1 - TS" << fromTwips(240, 1320, 1575, 255) << 8.25 << false << false
                            << black;
    QTest::newRow("Label4") << "Label4"
                            << "Stiller Alarm" << fromTwips(120, 2400, 1455, 255) << 8.25 << false << false << black;
    QTest::newRow("Command1") << "Command1"
                              << "Schliessen" << fromTwips(2400, 1680, 1215, 495) << 0.0 << false << false << QColor();
    QTest::newRow("Image1") << "Image1"
                            << "" << fromTwips(240, 240, 975, 975) << 0.0 << false << false << QColor();
    QTest::newRow("Image2") << "Image2"
                            << "" << fromTwips(4200, 2400, 1215, 255) << 0.0 << false << false << QColor();
}

void TestMnbar::infoLayout()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QRect, geometry);
    QFETCH(qreal, points);
    QFETCH(bool, bold);
    QFETCH(bool, italic);
    QFETCH(QColor, colour);

    m_tray->pinfo->trigger();
    telvorinfo* info = m_tray->info();
    QCOMPARE(info->size(), QSize(362, 177));
    QCOMPARE(info->minimumSize(), info->maximumSize());
    auto* control = info->findChild<QWidget*>(name);
    QVERIFY(control);
    QCOMPARE(control->geometry(), geometry);
    QVERIFY(control->isVisible());
    if (auto* button = qobject_cast<QPushButton*>(control)) {
        QCOMPARE(button->text(), text);
        return;
    }
    auto* label = qobject_cast<QLabel*>(control);
    QVERIFY(label);
    if (text.isEmpty()) {
        // A picture stretched to its frame.
        QVERIFY(label->hasScaledContents());
        QVERIFY(!label->pixmap().isNull());
        return;
    }
    QCOMPARE(label->text(), text);
    QCOMPARE(label->font().family(), QStringLiteral("Arial"));
    QCOMPARE(label->font().pointSizeF(), points);
    QCOMPARE(label->font().bold(), bold);
    QCOMPARE(label->font().italic(), italic);
    QCOMPARE(label->palette().color(QPalette::WindowText), colour);
    // The whole text fits into the place it was given.
    QVERIFY2(label->sizeHint().width() <= geometry.width(), qPrintable(QString::number(label->sizeHint().width())));
}

QTEST_MAIN(TestMnbar)
#include "tst_mnbar.moc"
