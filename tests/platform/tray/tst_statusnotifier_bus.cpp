// The tray form's icon on a private message bus, read with plain bus calls as a notification area
// reads it: the item's properties and pictures, the menu's layout, what the menu's events do, the
// changes announced, and a watcher that comes late or restarts.

#include "client/forms/mnbar.h"
#include "client/forms/telvorinfo.h"
#include "platform/DBusStatusNotifier.h"
#include "platform/DBusTrayTypes.h"
#include "tests/support/RequireThat.h"
#include "tests/support/fakes/NullInput.h"
#include "tests/support/time/VirtualScheduler.h"

#include <QAction>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QMenu>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include <memory>

using namespace telvor;

namespace {

const QString kItemPath = QStringLiteral("/StatusNotifierItem");
const QString kItemInterface = QStringLiteral("org.kde.StatusNotifierItem");
const QString kMenuInterface = QStringLiteral("com.canonical.dbusmenu");
const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");

QString render(const QVariant& value);

/** Any value read from the bus as text: (struct), [array], {key: value}; byte arrays by their size. */
QString render(const QDBusArgument& arg)
{
    QStringList parts;
    switch (arg.currentType()) {
    case QDBusArgument::StructureType:
        arg.beginStructure();
        while (!arg.atEnd())
            parts << render(arg);
        arg.endStructure();
        return QStringLiteral("(%1)").arg(parts.join(QStringLiteral(", ")));
    case QDBusArgument::ArrayType:
        if (arg.currentSignature() == QLatin1String("ay")) {
            QByteArray bytes;
            arg >> bytes;
            return QStringLiteral("<%1 bytes>").arg(bytes.size());
        }
        arg.beginArray();
        while (!arg.atEnd())
            parts << render(arg);
        arg.endArray();
        return QStringLiteral("[%1]").arg(parts.join(QStringLiteral(", ")));
    case QDBusArgument::MapType:
        arg.beginMap();
        while (!arg.atEnd()) {
            arg.beginMapEntry();
            const QString key = render(arg);
            parts << key + QStringLiteral(": ") + render(arg);
            arg.endMapEntry();
        }
        arg.endMap();
        return QStringLiteral("{%1}").arg(parts.join(QStringLiteral(", ")));
    case QDBusArgument::VariantType: {
        QDBusVariant inner;
        arg >> inner;
        return render(inner.variant());
    }
    default:
        return render(arg.asVariant());
    }
}

QString render(const QVariant& value)
{
    if (value.metaType() == QMetaType::fromType<QDBusArgument>())
        return render(value.value<QDBusArgument>());
    if (value.metaType() == QMetaType::fromType<QDBusVariant>())
        return render(value.value<QDBusVariant>().variant());
    if (value.metaType() == QMetaType::fromType<QDBusObjectPath>())
        return value.value<QDBusObjectPath>().path();
    if (value.metaType() == QMetaType::fromType<QStringList>())
        return QStringLiteral("[%1]").arg(value.toStringList().join(QStringLiteral(", ")));
    if (value.metaType() == QMetaType::fromType<bool>())
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    return value.toString();
}

QString render(const QDBusMessage& message)
{
    if (message.type() == QDBusMessage::ErrorMessage)
        return message.errorName();
    QStringList parts;
    for (const QVariant& value : message.arguments())
        parts << render(value);
    return parts.join(QStringLiteral(" "));
}

/** One picture of the icon as the bus carries it. */
struct Picture {
    int width = 0;
    int height = 0;
    QByteArray argb;
};

QList<Picture> pictures(const QVariant& iconPixmap)
{
    QList<Picture> out;
    const auto arg = iconPixmap.value<QDBusArgument>();
    arg.beginArray();
    while (!arg.atEnd()) {
        Picture picture;
        arg.beginStructure();
        arg >> picture.width >> picture.height >> picture.argb;
        arg.endStructure();
        out.append(picture);
    }
    arg.endArray();
    return out;
}

} // namespace

/** A watcher's object that arrives after its name, as one that takes the name first may. */
class SlowWatcher final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")

public slots:
    void RegisterStatusNotifierItem(const QString& service) { items << service; }

public:
    QStringList items;
};

class TestStatusNotifierBus final : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void itemProperties_data();
    void itemProperties();
    void iconPictures_data();
    void iconPictures();
    void menuCalls_data();
    void menuCalls();
    void menuEvents_data();
    void menuEvents();
    void changesAreAnnounced_data();
    void changesAreAnnounced();
    void aWatcherThatComesLateGetsTheIcon();
    void aWatcherWhoseObjectComesAfterItsNameGetsTheIcon();

public slots:
    void signalled(const QDBusMessage& message) { m_signals << message.member() + QLatin1Char(' ') + render(message); }

private:
    QDBusMessage call(const QString& path, const QString& interface, const QString& method,
                      const QVariantList& args = {});
    QVariant property(const QString& path, const QString& interface, const QString& name);
    QString startWatcher();
    void registerHost();

    struct Client final : test::NullInput {
        void setupRequested() override { ++setups; }
        void endProgram() override { ++ends; }
        void trayUnavailable() override { ++missingReports; }
        int setups = 0;
        int ends = 0;
        int missingReports = 0;
    };

    QProcess m_busDaemon;
    QString m_address;
    int m_round = 0;
    std::unique_ptr<QDBusConnection> m_program;
    std::unique_ptr<QDBusConnection> m_host;
    std::unique_ptr<QProcess> m_watcher;
    std::unique_ptr<VirtualScheduler> m_time;
    std::unique_ptr<DBusStatusNotifier> m_notifier;
    std::unique_ptr<mnbar> m_tray;
    Client m_client;
    QStringList m_signals;
};

void TestStatusNotifierBus::initTestCase()
{
    m_busDaemon.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
    if (m_busDaemon.waitForStarted() && m_busDaemon.waitForReadyRead(10000))
        m_address = QString::fromUtf8(m_busDaemon.readLine()).trimmed();
}

void TestStatusNotifierBus::cleanupTestCase()
{
    m_busDaemon.terminate();
    m_busDaemon.waitForFinished();
}

void TestStatusNotifierBus::init()
{
    REQUIRE_THAT(m_address.isEmpty() ? QStringLiteral("dbus-daemon did not start a bus") : QString());
    ++m_round;
    m_program = std::make_unique<QDBusConnection>(
        QDBusConnection::connectToBus(m_address, QStringLiteral("program%1").arg(m_round)));
    m_host = std::make_unique<QDBusConnection>(
        QDBusConnection::connectToBus(m_address, QStringLiteral("host%1").arg(m_round)));
    QVERIFY(m_program->isConnected() && m_host->isConnected());
    m_time = std::make_unique<VirtualScheduler>();
    m_client = Client();
    m_signals.clear();
    m_notifier = std::make_unique<DBusStatusNotifier>(*m_program, QStringLiteral("telvor"), QStringLiteral("Quorvel"));
    // Qt finds no notification area here: the icon goes to the bus.
    m_tray = std::make_unique<mnbar>(
        *m_time, [] { return false; }, m_notifier.get());
    m_tray->attach(&m_client);
    m_tray->load();
    QCOMPARE(m_notifier->serviceName(),
             QStringLiteral("org.kde.StatusNotifierItem-%1-1").arg(QCoreApplication::applicationPid()));
}

void TestStatusNotifierBus::cleanup()
{
    if (m_watcher) {
        m_watcher->kill();
        m_watcher->waitForFinished();
        m_watcher.reset();
    }
    m_tray.reset();
    m_notifier.reset();
    m_program.reset();
    m_host.reset();
    QDBusConnection::disconnectFromBus(QStringLiteral("program%1").arg(m_round));
    QDBusConnection::disconnectFromBus(QStringLiteral("host%1").arg(m_round));
}

QDBusMessage TestStatusNotifierBus::call(const QString& path, const QString& interface, const QString& method,
                                         const QVariantList& args)
{
    QDBusMessage message = QDBusMessage::createMethodCall(m_notifier->serviceName(), path, interface, method);
    message.setArguments(args);
    // Waits in an event loop of its own, so that the program's side, on this thread, can answer.
    return m_host->call(message, QDBus::BlockWithGui, 5000);
}

QVariant TestStatusNotifierBus::property(const QString& path, const QString& interface, const QString& name)
{
    const QDBusMessage reply =
        call(path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"), {interface, name});
    if (reply.type() != QDBusMessage::ReplyMessage)
        return reply.errorName();
    return reply.arguments().value(0).value<QDBusVariant>().variant();
}

/** Starts the watcher program on the private bus; why it cannot, or empty. */
QString TestStatusNotifierBus::startWatcher()
{
    if (QStandardPaths::findExecutable(QStringLiteral("status-notifier-watcher")).isEmpty())
        return QStringLiteral("needs status-notifier-watcher (Debian package haskell-status-notifier-item-utils)");
    m_watcher = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_address);
    m_watcher->setProcessEnvironment(env);
    m_watcher->start(QStringLiteral("status-notifier-watcher"), QStringList());
    if (!QTest::qWaitFor([this] { return m_host->interface()->isServiceRegistered(kWatcher).value(); }, 10000))
        return QStringLiteral("status-notifier-watcher did not take its name on the bus");
    return {};
}

/** The test's side says to the watcher that it shows icons, as a panel does when it comes. */
void TestStatusNotifierBus::registerHost()
{
    const QString host = QStringLiteral("org.kde.StatusNotifierHost-test%1").arg(m_round);
    m_host->registerService(host);
    const QDBusMessage reply =
        m_host->call(QDBusMessage::createMethodCall(kWatcher, QStringLiteral("/StatusNotifierWatcher"), kWatcher,
                                                    QStringLiteral("RegisterStatusNotifierHost"))
                     << host);
    QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
}

void TestStatusNotifierBus::itemProperties_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");

    QTest::newRow("Category") << "Category"
                              << "ApplicationStatus";
    QTest::newRow("Status") << "Status"
                            << "Active";
    QTest::newRow("Id") << "Id"
                        << "telvor";
    QTest::newRow("Title") << "Title"
                           << "Quorvel";
    QTest::newRow("ToolTip") << "ToolTip"
                             << "(, [], Quorvel, )";
    // The host opens the menu itself, from the menu object, on either button.
    QTest::newRow("ItemIsMenu") << "ItemIsMenu"
                                << "true";
    QTest::newRow("Menu") << "Menu"
                          << "/MenuBar";
    QTest::newRow("no icon by name") << "IconName"
                                     << "";
    QTest::newRow("no attention icon") << "AttentionIconPixmap"
                                       << "[]";
}

void TestStatusNotifierBus::itemProperties()
{
    QFETCH(QString, name);
    QFETCH(QString, value);
    QCOMPARE(render(property(kItemPath, kItemInterface, name)), value);
}

void TestStatusNotifierBus::iconPictures_data()
{
    QTest::addColumn<bool>("cutOff");
    QTest::addColumn<QString>("toolTip");
    QTest::addColumn<QColor>("corner"); // the top left pixel

    QTest::newRow("normal") << false << "(, [], Quorvel, )" << QColor(255, 69, 0);
    QTest::newRow("cut off") << true << "(, [], Quorvel - Austauschverzeichnis nicht erreichbar, )"
                             << QColor(qGray(255, 69, 0), qGray(255, 69, 0), qGray(255, 69, 0));
}

void TestStatusNotifierBus::iconPictures()
{
    QFETCH(bool, cutOff);
    QFETCH(QString, toolTip);
    QFETCH(QColor, corner);

    m_tray->setCutOff(cutOff);
    QCOMPARE(render(property(kItemPath, kItemInterface, QStringLiteral("ToolTip"))), toolTip);
    QList<int> sides;
    for (const Picture& picture : pictures(property(kItemPath, kItemInterface, QStringLiteral("IconPixmap")))) {
        sides << picture.width;
        QCOMPARE(picture.height, picture.width);
        QCOMPARE(picture.argb.size(), picture.width * picture.height * 4);
        // Alpha, red, green, blue: network byte order.
        const auto byte = [&picture](int i) { return int(quint8(picture.argb.at(i))); };
        QCOMPARE(QColor(byte(1), byte(2), byte(3)), corner);
        QCOMPARE(byte(0), 255);
    }
    QCOMPARE(sides, (QList<int>{16, 22, 24, 32, 48, 64, 128}));
}

void TestStatusNotifierBus::menuCalls_data()
{
    QTest::addColumn<QString>("method");
    QTest::addColumn<QVariantList>("args");
    QTest::addColumn<QString>("answer");

    const QString info = QStringLiteral("(1, {enabled: true, label: Info, visible: true}, [])");
    const QString setup = QStringLiteral("(2, {enabled: true, label: Einstellung, visible: true}, [])");
    const QString end = QStringLiteral("(3, {enabled: true, label: Programm beenden, visible: true}, [])");
    const QVariant all = QStringList();
    const QVariant ids = QVariant::fromValue(QList<int>{1, 3});

    QTest::newRow("the whole menu")
        << "GetLayout" << QVariantList{0, -1, all}
        << QStringLiteral("1 (0, {children-display: submenu}, [%1, %2, %3])").arg(info, setup, end);
    QTest::newRow("the root alone") << "GetLayout" << QVariantList{0, 0, all}
                                    << "1 (0, {children-display: submenu}, [])";
    QTest::newRow("labels only") << "GetLayout" << QVariantList{0, 1, QStringList{"label"}}
                                 << "1 (0, {}, [(1, {label: Info}, []), (2, {label: Einstellung}, []), "
                                    "(3, {label: Programm beenden}, [])])";
    QTest::newRow("one entry") << "GetLayout" << QVariantList{2, -1, all} << "1 " + setup;
    QTest::newRow("no such entry") << "GetLayout" << QVariantList{4, -1, all}
                                   << "org.freedesktop.DBus.Error.InvalidArgs";
    QTest::newRow("group") << "GetGroupProperties" << QVariantList{ids, QStringList{"label"}}
                           << "[(1, {label: Info}), (3, {label: Programm beenden})]";
    QTest::newRow("one property") << "GetProperty" << QVariantList{1, "label"} << "Info";
    QTest::newRow("no such property") << "GetProperty" << QVariantList{1, "icon-name"}
                                      << "org.freedesktop.DBus.Error.InvalidArgs";
    QTest::newRow("about to show") << "AboutToShow" << QVariantList{0} << "false";
}

void TestStatusNotifierBus::menuCalls()
{
    QFETCH(QString, method);
    QFETCH(QVariantList, args);
    QFETCH(QString, answer);

    const QDBusMessage reply = call(QStringLiteral("/MenuBar"), kMenuInterface, method, args);
    QCOMPARE(render(reply), answer);
    if (method == QLatin1String("GetLayout") && reply.type() == QDBusMessage::ReplyMessage)
        QCOMPARE(reply.signature(), QStringLiteral("u(ia{sv}av)"));
    QCOMPARE(render(property(QStringLiteral("/MenuBar"), kMenuInterface, QStringLiteral("Version"))),
             QStringLiteral("3"));
}

void TestStatusNotifierBus::menuEvents_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("method");
    QTest::addColumn<QVariantList>("args");
    QTest::addColumn<QString>("effect");

    const QString menu = QStringLiteral("/MenuBar");
    const QVariant data = QVariant::fromValue(QDBusVariant(0));
    const auto group = [](int id) {
        return QVariant::fromValue(QList<DBusMenuEvent>{{id, QStringLiteral("clicked"), QVariant(0), 0}});
    };
    QTest::newRow("Info clicked") << menu << "Event" << QVariantList{1, "clicked", data, 0u} << "info";
    QTest::newRow("Info clicked in a group") << menu << "EventGroup" << QVariantList{group(1)} << "info";
    QTest::newRow("Einstellung clicked") << menu << "Event" << QVariantList{2, "clicked", data, 0u} << "setup";
    QTest::newRow("Programm beenden clicked") << menu << "Event" << QVariantList{3, "clicked", data, 0u} << "end";
    QTest::newRow("Info hovered") << menu << "Event" << QVariantList{1, "hovered", data, 0u} << "";
    QTest::newRow("no such entry") << menu << "Event" << QVariantList{7, "clicked", data, 0u}
                                   << "org.freedesktop.DBus.Error.InvalidArgs";
    QTest::newRow("no such entry in a group")
        << menu << "EventGroup" << QVariantList{group(7)} << "org.freedesktop.DBus.Error.InvalidArgs";
    QTest::newRow("about to show") << menu << "AboutToShow" << QVariantList{0} << "aboutToShow";
    QTest::newRow("left click") << kItemPath << "Activate" << QVariantList{40, 10} << "";
    QTest::newRow("middle click") << kItemPath << "SecondaryActivate" << QVariantList{40, 10} << "";
    QTest::newRow("host without menus") << kItemPath << "ContextMenu" << QVariantList{300, 200} << "menu";
}

void TestStatusNotifierBus::menuEvents()
{
    QFETCH(QString, path);
    QFETCH(QString, method);
    QFETCH(QVariantList, args);
    QFETCH(QString, effect);

    QSignalSpy aboutToShow(m_tray->menu(), &QMenu::aboutToShow);
    const QString service = m_notifier->serviceName();
    const QDBusMessage reply = call(path, path == kItemPath ? kItemInterface : kMenuInterface, method, args);
    const bool error = effect.startsWith(QLatin1String("org."));
    QCOMPARE(reply.type() == QDBusMessage::ErrorMessage ? reply.errorName() : QString(), error ? effect : QString());
    QTest::qWait(100);
    QCOMPARE(m_tray->info() && m_tray->info()->isVisible(), effect == QLatin1String("info"));
    QCOMPARE(m_client.setups, effect == QLatin1String("setup") ? 1 : 0);
    QCOMPARE(m_client.ends, effect == QLatin1String("end") ? 1 : 0);
    // The QMenu itself says so when it opens.
    QCOMPARE(aboutToShow.size(), effect == QLatin1String("aboutToShow") || effect == QLatin1String("menu") ? 1 : 0);
    QCOMPARE(m_tray->menu()->isVisible(), effect == QLatin1String("menu"));
    if (effect == QLatin1String("menu")) {
        QVERIFY(m_tray->menu()->geometry().contains(QPoint(301, 201)));
        m_tray->menu()->close();
    }
    // The icon leaves the bus before the client ends.
    QCOMPARE(m_host->interface()->isServiceRegistered(service).value(), effect != QLatin1String("end"));
}

void TestStatusNotifierBus::changesAreAnnounced_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QStringList>("announced");

    QTest::newRow("label") << "label" << QStringList{"ItemsPropertiesUpdated [(1, {label: Über})] []"};
    QTest::newRow("access key") << "access key"
                                << QStringList{"ItemsPropertiesUpdated [(1, {label: _Info__neu & mehr})] []"};
    QTest::newRow("disabled") << "disabled" << QStringList{"ItemsPropertiesUpdated [(2, {enabled: false})] []"};
    QTest::newRow("entry added") << "entry added" << QStringList{"LayoutUpdated 2 0"};
    QTest::newRow("cut off") << "cut off" << QStringList{"NewIcon ", "NewToolTip "};
    QTest::newRow("nothing changed") << "same label" << QStringList();
}

void TestStatusNotifierBus::changesAreAnnounced()
{
    QFETCH(QString, change);
    QFETCH(QStringList, announced);

    const QString service = m_notifier->serviceName();
    for (const QString& name : {QStringLiteral("ItemsPropertiesUpdated"), QStringLiteral("LayoutUpdated")})
        QVERIFY(m_host->connect(service, QStringLiteral("/MenuBar"), kMenuInterface, name, this,
                                SLOT(signalled(QDBusMessage))));
    for (const QString& name : {QStringLiteral("NewIcon"), QStringLiteral("NewToolTip")})
        QVERIFY(m_host->connect(service, kItemPath, kItemInterface, name, this, SLOT(signalled(QDBusMessage))));
    // A round trip, so that the bus has the host's match rules before the change.
    property(kItemPath, kItemInterface, QStringLiteral("Id"));

    if (change == QLatin1String("label"))
        m_tray->pinfo->setText(QStringLiteral("Über"));
    else if (change == QLatin1String("access key"))
        m_tray->pinfo->setText(QStringLiteral("&Info_neu && mehr"));
    else if (change == QLatin1String("disabled"))
        m_tray->peinstell->setEnabled(false);
    else if (change == QLatin1String("entry added"))
        m_tray->menu()->addAction(QStringLiteral("Neu"));
    else if (change == QLatin1String("cut off"))
        m_tray->setCutOff(true);
    else
        m_tray->pinfo->setText(QStringLiteral("Info"));
    if (announced.isEmpty())
        QTest::qWait(300);
    else
        QTRY_COMPARE(m_signals.size(), announced.size());
    m_signals.sort();
    QCOMPARE(m_signals, announced);
}

void TestStatusNotifierBus::aWatcherThatComesLateGetsTheIcon()
{
    QSignalSpy placed(m_notifier.get(), &StatusNotifier::placedChanged);
    const auto registered = [this] {
        const QDBusMessage reply = m_host->call(
            QDBusMessage::createMethodCall(kWatcher, QStringLiteral("/StatusNotifierWatcher"),
                                           QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"))
            << kWatcher << QStringLiteral("RegisteredStatusNotifierItems"));
        return reply.arguments().value(0).value<QDBusVariant>().variant().toStringList();
    };
    m_time->advance(10000);

    REQUIRE_THAT(startWatcher());
    QTRY_COMPARE(registered(), QStringList{m_notifier->serviceName()});
    // A watcher without a notification area that shows icons is no place for the icon yet.
    QTest::qWait(300);
    QCOMPARE(placed.size(), 0);
    registerHost();
    QTRY_COMPARE(placed.size(), 1);
    QCOMPARE(placed.at(0).at(0).toBool(), true);
    m_time->advance(120000);
    QCOMPARE(m_client.missingReports, 0);

    // The panel restarts: its watcher goes and comes back empty; the icon registers again.
    m_watcher->kill();
    m_watcher->waitForFinished();
    QTRY_COMPARE(placed.size(), 2);
    QCOMPARE(placed.at(1).at(0).toBool(), false);
    QVERIFY(startWatcher().isEmpty());
    QTRY_COMPARE(registered(), QStringList{m_notifier->serviceName()});
    registerHost();
    QTRY_COMPARE(placed.size(), 3);
    QCOMPARE(placed.at(2).at(0).toBool(), true);

    // "Programm beenden" takes the icon out of the watcher's list.
    m_tray->pbeend->trigger();
    QTRY_VERIFY(registered().isEmpty());
    QCOMPARE(m_client.missingReports, 0);
}

void TestStatusNotifierBus::aWatcherWhoseObjectComesAfterItsNameGetsTheIcon()
{
    SlowWatcher watcher;
    QVERIFY(m_host->registerService(kWatcher));
    // The first asking, at the name's arrival, finds no object and fails.
    QTest::qWait(300);
    QVERIFY(
        m_host->registerObject(QStringLiteral("/StatusNotifierWatcher"), &watcher, QDBusConnection::ExportAllSlots));
    m_time->advance(2000);
    QTRY_COMPARE(watcher.items, QStringList{m_notifier->serviceName()});
    m_host->unregisterObject(QStringLiteral("/StatusNotifierWatcher"));
    m_host->unregisterService(kWatcher);
}

QTEST_MAIN(TestStatusNotifierBus)
#include "tst_statusnotifier_bus.moc"
